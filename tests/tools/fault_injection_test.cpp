// Whole jobs through the tool's print path with one fault each: every engine
// allocation, every spooler write and every write of the output file failed
// in turn. Each failed job gives one error a person can read, leaves no
// output and gives back all engine memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/hooks.h"
#include "print/card_settings.h"
#include "print/devmode.h"
#include "support/scratch.h"
#include "support/test_support.h"
#include "ymcko/errors.h"
#include "ymcko/output_file.h"
#include "ymcko/print_job.h"

namespace {

namespace engine = ymcko::engine;
namespace print = ymcko::print;
namespace tool = ymcko::tool;
namespace cards = ymcko::cards;
using ymcko::testing::ScratchFolder;

class ListSource final : public cards::SideSource {
 public:
  explicit ListSource(std::vector<cards::CardSide> sides) : sides_(std::move(sides)) {}
  std::optional<cards::CardSide> next() override {
    if (at_ == sides_.size()) return std::nullopt;
    return sides_[at_++];
  }

 private:
  std::vector<cards::CardSide> sides_;
  std::size_t at_ = 0;
};

// Two cards in the side mode, each front with its stripe and a picture that
// is stretched to the page, each back (side modes 1 and 2) left white.
struct CardJob {
  print::JobOptions options;
  std::vector<cards::CardSide> sides;
};

CardJob two_cards(int side_mode) {
  print::Warnings warnings;
  print::CardSettings settings;
  settings.set("side_mode", std::int64_t(side_mode), "test", warnings);
  settings.set("mag_mode", std::string("W"), "test", warnings);
  settings.set("mag_encoder", true, "test", warnings);
  CardJob job;
  job.options = print::job_options(settings);
  for (int card = 1; card <= 2; ++card) {
    print::Stripe stripe;
    stripe.mode = 'W';
    stripe.tracks = {"CARD " + std::to_string(card), "1234", "567"};
    job.sides.push_back({"front " + std::to_string(card),
                         cards::filled_image(40, 26, 200, std::uint8_t(60 * card), 30), stripe});
    if (side_mode != 0) job.sides.push_back({"back " + std::to_string(card), std::nullopt, {}});
  }
  return job;
}

// One run of the job into `folder`/job.prn: the error it gave, if any.
std::optional<std::string> run_job(const CardJob& job, const std::filesystem::path& folder,
                                   tool::WriteCall write_call = {}) {
  try {
    tool::OutputFile output(folder / "job.prn", std::move(write_call));
    ListSource sides(job.sides);
    tool::print_cards(job.options, sides, output, std::nullopt);
  } catch (const tool::ToolError& error) {
    return tool::error_line(error);
  }
  return std::nullopt;
}

// Arms the n-th fault (1 = the first) and gives the write call of the output
// file for that run, or none.
using Fault = std::function<tool::WriteCall(std::size_t n)>;

class FaultInjection : public ymcko::testing::EngineTest {
 protected:
  void TearDown() override {
    clear_faults();
    EngineTest::TearDown();
  }
  static void clear_faults() {
    engine::clear_allocation_faults();
    engine::fail_printer_write_in(0);
  }

  // Runs the job once for each n from 1 to `faults` with the n-th fault
  // armed, or, with no count, until a run goes through because the fault lay
  // past the job's end. A failed run must give one error line, leave nothing
  // in its folder and give back all engine memory; a run that goes through
  // must make the same job as a run without faults. Returns the runs that
  // failed.
  std::size_t fail_each_in_turn(const CardJob& job, const Fault& fault,
                                std::optional<std::size_t> faults = std::nullopt) {
    ScratchFolder clean;
    if (run_job(job, clean.path())) {
      ADD_FAILURE() << "the job fails without faults";
      return 0;
    }
    const std::string expected_text = ymcko::testing::read_text(clean / "job.prn");
    const std::vector<std::uint8_t> expected(expected_text.begin(), expected_text.end());
    std::size_t failed = 0;
    for (std::size_t n = 1; !faults || n <= *faults; ++n) {
      SCOPED_TRACE("fault " + std::to_string(n));
      ScratchFolder folder;
      const auto before = engine::outstanding_total();
      tool::WriteCall write_call = fault(n);
      const std::optional<std::string> error = run_job(job, folder.path(), std::move(write_call));
      clear_faults();
      const auto after = engine::outstanding_total();
      EXPECT_EQ(after.blocks, before.blocks) << "engine blocks left behind";
      EXPECT_EQ(after.bytes, before.bytes);
      if (error) {
        ++failed;
        EXPECT_EQ(error->find('\n'), std::string::npos) << *error;
        EXPECT_TRUE(ymcko::testing::folder_entries(folder.path()).empty()) << *error;
      } else {
        const std::string made = ymcko::testing::read_text(folder / "job.prn");
        EXPECT_TRUE(ymcko::testing::BytesEqual(
            expected, std::vector<std::uint8_t>(made.begin(), made.end())));
        if (!faults) break;
      }
      if (HasFailure()) break;
    }
    return failed;
  }
};

// A write call that fails the n-th write (ENOSPC), or, cut short, writes
// half of it and fails the one after.
tool::WriteCall failing_write(std::size_t n, bool cut_short) {
  auto count = std::make_shared<std::size_t>(0);
  return [count, n, cut_short](int fd, const void* bytes, std::size_t size) -> ssize_t {
    ++*count;
    if (*count == n && cut_short && size > 1) return ::write(fd, bytes, size / 2);
    if (*count == n || (cut_short && *count == n + 1)) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, bytes, size);
  };
}

TEST_F(FaultInjection, EveryEngineAllocationFailedInTurn) {
#if defined(__SANITIZE_THREAD__)
  // A job for each allocation, on one thread: the other builds run them.
  GTEST_SKIP() << "single-threaded, and slow under ThreadSanitizer";
#endif
  for (int side_mode : {0, 1, 2}) {
    SCOPED_TRACE("side mode " + std::to_string(side_mode));
    const CardJob job = two_cards(side_mode);
    // The job's allocations, counted on a run without faults.
    ScratchFolder count;
    const std::size_t first = engine::allocation_attempts();
    ASSERT_EQ(run_job(job, count.path()), std::nullopt);
    const std::size_t allocations = engine::allocation_attempts() - first;
    const Fault fail_allocation = [](std::size_t n) {
      engine::fail_allocation_in(n);
      return tool::WriteCall{};
    };
    EXPECT_GT(fail_each_in_turn(job, fail_allocation, allocations), 0u);
  }
}

TEST_F(FaultInjection, EverySpoolAndOutputWriteFailedInTurn) {
#if defined(__SANITIZE_THREAD__)
  // Some 250 whole jobs on one thread: minutes under ThreadSanitizer, with
  // nothing for it to find; the other builds run them.
  GTEST_SKIP() << "single-threaded, and slow under ThreadSanitizer";
#endif
  const Fault fail_spooler_write = [](std::size_t n) {
    engine::fail_printer_write_in(n);
    return tool::WriteCall{};
  };
  for (int side_mode : {0, 1, 2}) {
    SCOPED_TRACE("side mode " + std::to_string(side_mode));
    EXPECT_GT(fail_each_in_turn(two_cards(side_mode), fail_spooler_write), 0u);
  }
  // The output file only carries bytes, whatever the side mode: its writes
  // are failed in the duplex job, which has every kind of command.
  for (bool cut_short : {false, true}) {
    SCOPED_TRACE(cut_short ? "output writes cut short" : "output writes failed");
    EXPECT_GT(fail_each_in_turn(two_cards(1),
                                [cut_short](std::size_t n) { return failing_write(n, cut_short); }),
              0u);
  }
}

}  // namespace
