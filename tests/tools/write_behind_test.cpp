// The write-behind queue: everything written arrives in order, and a failed
// write of the output fails the writes and the flush after it.
#include "ymcko/write_behind.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

// An output that keeps what it gets and refuses writes past `accept` bytes.
class Recording final : public ymcko::tool::JobOutput {
 public:
  explicit Recording(std::size_t accept = SIZE_MAX) : accept_(accept) {}
  bool write(std::span<const std::uint8_t> bytes) override {
    if (bytes_.size() + bytes.size() > accept_) return false;
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  void discard() override { discarded_ = true; }
  void commit() override {}
  std::vector<std::uint8_t> bytes_;
  bool discarded_ = false;

 private:
  std::size_t accept_;
};

TEST(WriteBehind, DeliversEveryByteInOrderOrFailsAfterAFailedWrite) {
  // Writes of many sizes, small commands and panels larger than a buffer.
  std::vector<std::uint8_t> job(9'000'000);
  std::iota(job.begin(), job.end(), std::uint8_t{0});
  const std::size_t sizes[] = {7, 30, 671'744, 3, 2'500'000, 1, 1'048'576};
  for (std::size_t accept : {SIZE_MAX, std::size_t{4'000'000}}) {
    SCOPED_TRACE(accept);
    Recording out(accept);
    ymcko::tool::WriteBehind behind(out, 1 << 20);
    std::size_t at = 0;
    bool all_taken = true;
    for (std::size_t i = 0; at < job.size(); ++i) {
      const std::size_t n = std::min(sizes[i % std::size(sizes)], job.size() - at);
      all_taken = behind.write({job.data() + at, n}) && all_taken;
      at += n;
    }
    const bool flushed = behind.flush();
    if (accept == SIZE_MAX) {
      EXPECT_TRUE(all_taken && flushed);
      EXPECT_TRUE(out.bytes_ == job);
    } else {
      EXPECT_FALSE(flushed);
      EXPECT_FALSE(behind.write({job.data(), 1})) << "writes after a failure fail";
      behind.discard();
      EXPECT_TRUE(out.discarded_);
    }
  }
}

}  // namespace
