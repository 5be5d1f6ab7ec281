// Card sides made ahead on worker threads while the driver sends the ones
// before them, handed out in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "cards/sides/side_plan.h"

namespace ymcko::cards {

// Sides made on worker threads, at most `depth` ahead of the reader, handed
// out in order: produce(index, worker) makes side `index` (nothing once it
// is past the last) on worker `worker`. No new side is begun while the
// finished ones waiting hold `budget` bytes of pixels or more. An exception
// from `produce` is thrown by next() in its place, after the sides before it.
class DecodeAhead final : public SideSource {
 public:
  using Produce = std::function<std::optional<CardSide>(std::size_t index, std::size_t worker)>;
  DecodeAhead(Produce produce, std::size_t depth, std::size_t workers = 1,
              std::size_t budget = std::size_t{32} << 20);
  ~DecodeAhead() override;  // stops the workers and waits for them
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  std::optional<CardSide> next() override;

 private:
  struct Result {
    std::optional<CardSide> side;  // nothing: the end, or the error
    std::exception_ptr error;
  };
  void run(std::size_t worker);

  Produce produce_;
  std::size_t depth_;
  std::size_t budget_;
  std::size_t waiting_bytes_ = 0;  // pixels of the finished sides not yet taken
  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::size_t, Result> done_;  // by index, until taken
  std::size_t claimed_ = 0;             // sides handed to the workers
  std::size_t taken_ = 0;               // sides handed out by next()
  std::size_t end_ = SIZE_MAX;          // the first index without a side, once known
  bool finished_ = false;               // next() has reached the end
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// Decoding threads for this machine: one for two cores, two for four, at most four.
std::size_t decode_workers();

}  // namespace ymcko::cards
