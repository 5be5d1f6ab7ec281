// The decode-ahead workers.
#include "cards/sides/decode_ahead.h"

#include <algorithm>

namespace ymcko::cards {
namespace {

std::size_t pixel_bytes(const std::optional<CardSide>& side) {
  return side && side->image ? side->image->rgba.size() : 0;
}

}  // namespace

DecodeAhead::DecodeAhead(Produce produce, std::size_t depth, std::size_t workers,
                         std::size_t budget)
    : produce_(std::move(produce)), depth_(std::max<std::size_t>(1, depth)), budget_(budget) {
  for (std::size_t w = 0; w < std::max<std::size_t>(1, workers); ++w)
    workers_.emplace_back([this, w] { run(w); });
}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void DecodeAhead::run(std::size_t worker) {
  while (true) {
    std::size_t index;
    {
      std::unique_lock guard(lock_);
      changed_.wait(guard, [this] {
        return stopping_ || claimed_ >= end_ ||
               (claimed_ - taken_ < depth_ && waiting_bytes_ < budget_);
      });
      if (stopping_ || claimed_ >= end_) return;
      index = claimed_++;
    }
    Result result;
    try {
      result.side = produce_(index, worker);
    } catch (...) {
      result.error = std::current_exception();
    }
    {
      std::lock_guard guard(lock_);
      if (!result.side) end_ = std::min(end_, index);
      waiting_bytes_ += pixel_bytes(result.side);
      done_.emplace(index, std::move(result));
    }
    changed_.notify_all();
  }
}

std::optional<CardSide> DecodeAhead::next() {
  std::unique_lock guard(lock_);
  if (finished_) return std::nullopt;
  changed_.wait(guard, [this] { return done_.count(taken_) != 0; });
  auto found = done_.find(taken_);
  Result result = std::move(found->second);
  done_.erase(found);
  if (!result.side) {
    finished_ = true;
    if (result.error) std::rethrow_exception(result.error);
    return std::nullopt;
  }
  ++taken_;
  waiting_bytes_ -= pixel_bytes(result.side);
  guard.unlock();
  changed_.notify_all();
  return std::move(result.side);
}

std::size_t decode_workers() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency() / 2, 1, 4);
}

}  // namespace ymcko::cards
