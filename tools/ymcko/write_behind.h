// A job's bytes written on a thread of their own, so that drawing the next
// card does not wait for the last one's writes: the session's writes are
// copied into a queue of bounded size that a writer thread empties into the
// job's output.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "ymcko/output_file.h"

namespace ymcko::tool {

class WriteBehind final : public print::Sink {
 public:
  // At most `limit` bytes wait for the writer; a write beyond waits for room.
  explicit WriteBehind(JobOutput& out, std::size_t limit = std::size_t{2} << 20);
  ~WriteBehind() override;  // drops what waits and stops the writer
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Queues the bytes; false once a write of the output has failed.
  bool write(std::span<const std::uint8_t> bytes) override;
  std::string name() const override { return out_.name(); }
  std::string failure() const override { return out_.failure(); }
  // Drops what waits, then discards the output.
  void discard() override;

  // Waits until everything queued is written; false when a write failed.
  bool flush();

 private:
  void run();
  void queue_pending(std::unique_lock<std::mutex>& guard);

  JobOutput& out_;
  std::size_t limit_;
  std::vector<std::uint8_t> pending_;  // being filled; the session's thread alone
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> queue_;
  std::vector<std::vector<std::uint8_t>> spare_;  // written buffers, for reuse
  std::size_t queued_bytes_ = 0;
  bool writing_ = false;  // the writer holds a buffer taken from the queue
  bool failed_ = false;
  bool stopping_ = false;
  std::thread writer_;
};

}  // namespace ymcko::tool
