// The write-behind queue and its writer thread.
#include "ymcko/write_behind.h"

#include <algorithm>

namespace ymcko::tool {
namespace {

// Bytes gathered before they are queued: small command writes go together.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

}  // namespace

WriteBehind::WriteBehind(JobOutput& out, std::size_t limit)
    : out_(out), limit_(std::max(limit, kBufferBytes)), writer_([this] { run(); }) {}

WriteBehind::~WriteBehind() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  writer_.join();
}

void WriteBehind::queue_pending(std::unique_lock<std::mutex>& guard) {
  changed_.wait(guard, [this] { return failed_ || queued_bytes_ < limit_; });
  if (failed_) {
    pending_.clear();
    return;
  }
  queued_bytes_ += pending_.size();
  queue_.push_back(std::move(pending_));
  pending_ = {};
  changed_.notify_all();
}

bool WriteBehind::write(std::span<const std::uint8_t> bytes) {
  std::unique_lock guard(lock_);
  if (!pending_.empty() && pending_.size() + bytes.size() > kBufferBytes) queue_pending(guard);
  if (failed_) return false;
  if (pending_.capacity() == 0) {
    // A buffer the writer is done with, or a new one.
    if (!spare_.empty()) {
      pending_ = std::move(spare_.back());
      spare_.pop_back();
    }
    pending_.reserve(std::max(kBufferBytes, bytes.size()));
  }
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  if (pending_.size() >= kBufferBytes) queue_pending(guard);
  return !failed_;
}

bool WriteBehind::flush() {
  std::unique_lock guard(lock_);
  if (!pending_.empty()) queue_pending(guard);
  changed_.wait(guard, [this] { return failed_ || (queue_.empty() && !writing_); });
  return !failed_;
}

void WriteBehind::discard() {
  {
    std::unique_lock guard(lock_);
    queue_.clear();
    queued_bytes_ = 0;
    pending_.clear();
    changed_.wait(guard, [this] { return !writing_; });
  }
  out_.discard();
}

void WriteBehind::run() {
  std::unique_lock guard(lock_);
  while (true) {
    changed_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::vector<std::uint8_t> buffer = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    guard.unlock();
    const bool written = out_.write(buffer);
    guard.lock();
    writing_ = false;
    queued_bytes_ -= std::min(queued_bytes_, buffer.size());
    // Kept for the next writes: the same few buffers serve the whole job.
    if (buffer.capacity() == kBufferBytes && spare_.size() < limit_ / kBufferBytes + 1) {
      buffer.clear();
      spare_.push_back(std::move(buffer));
    }
    if (!written) {
      failed_ = true;
      queue_.clear();
      queued_bytes_ = 0;
    }
    changed_.notify_all();
  }
}

}  // namespace ymcko::tool
