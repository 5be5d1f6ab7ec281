// The tool's peak memory on large inputs: inspect reads a job of any size
// card by card, at a peak of a few cards; a template run's data file, read
// whole, is held in a few times its size.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "support/scratch.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::hex;
using ymcko::testing::ScratchFolder;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// One card whose four colour panels cover it whole.
std::vector<std::uint8_t> full_card() {
  std::vector<std::uint8_t> card = hex("1B 01 0D");
  const std::vector<std::uint8_t> data(656 * 1024, 0x40);
  for (const std::string panel : {"59", "4D", "43", "4B"}) {  // Y, M, C, K
    const std::vector<std::uint8_t> header =
        hex("1B 65 " + panel + R"( "0000000" 31 31 0A 40 00 02 90 53)");
    const std::vector<std::uint8_t> trailer = hex("0D 1B 61 " + panel + R"( "0001" 0D)");
    card.insert(card.end(), header.begin(), header.end());
    card.insert(card.end(), data.begin(), data.end());
    card.insert(card.end(), trailer.begin(), trailer.end());
  }
  const std::vector<std::uint8_t> end = hex("1B 04 0D");
  card.insert(card.end(), end.begin(), end.end());
  return card;
}

// A folder in memory when the machine has one with room for the job: it is
// written and read in a second there, where a disk takes several.
class JobFolder {
 public:
  JobFolder() {
    std::error_code error;
    const auto space = std::filesystem::space("/dev/shm", error);
    if (!error && space.available > (std::uintmax_t{2} << 30)) {
      std::string pattern = "/dev/shm/ymcko-test-XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) memory_ = pattern;
    }
  }
  ~JobFolder() {
    std::error_code ignored;
    if (!memory_.empty()) std::filesystem::remove_all(memory_, ignored);
  }
  JobFolder(const JobFolder&) = delete;
  JobFolder& operator=(const JobFolder&) = delete;
  const std::filesystem::path& path() const { return memory_.empty() ? disk_.path() : memory_; }
  std::filesystem::path operator/(const std::string& name) const { return path() / name; }

 private:
  ScratchFolder disk_;
  std::filesystem::path memory_;
};

// Runs the tool in `folder` (its output in "out" and "err" there), expects
// it to succeed and gives what it used, its peak resident set among it.
rusage run_to_the_end(const std::filesystem::path& folder, const std::vector<std::string>& args) {
  const pid_t pid = ymcko::testing::spawn_program(YMCKO_TOOL_PATH, args, folder, {}, folder / "out",
                                                  folder / "err");
  rusage usage{};
  int status = 0;
  EXPECT_GT(pid, 0);
  EXPECT_EQ(::wait4(pid, &status, 0, &usage), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << ymcko::testing::read_text(folder / "err");
  return usage;
}

// About 600 MB of cards: inspect lists it all, and the child's peak resident
// memory stays a small part of it. Slow under the sanitizers, which also
// change what memory a process holds, so left to the plain builds there.
TEST(InspectMemory, AJobOfHundredsOfMegabytesIsReadAtFlatMemory) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' memory is not the tool's";
  JobFolder folder;
  const std::vector<std::uint8_t> card = full_card();
  const std::size_t cards = (std::size_t{600} << 20) / card.size() + 1;
  {
    std::ofstream job(folder / "big.prn", std::ios::binary);
    const std::vector<std::uint8_t> start =
        hex(R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D)");
    job.write(reinterpret_cast<const char*>(start.data()), std::streamsize(start.size()));
    for (std::size_t i = 0; i < cards; ++i)
      job.write(reinterpret_cast<const char*>(card.data()), std::streamsize(card.size()));
    ASSERT_TRUE(job.good());
  }
  const std::uintmax_t size = std::filesystem::file_size(folder / "big.prn");
  ASSERT_GT(size, std::uintmax_t{600} << 20);

  const rusage usage = run_to_the_end(folder.path(), {"inspect", "big.prn"});
  const std::string out = ymcko::testing::read_text(folder / "out");
  EXPECT_NE(out.find("valid job: " + std::to_string(4 + cards * 6) + " commands, " +
                     std::to_string(cards) + " cards"),
            std::string::npos)
      << out.substr(out.size() - std::min<std::size_t>(out.size(), 200));
  RecordProperty("peak_kilobytes", std::to_string(usage.ru_maxrss));
  // ru_maxrss is in kilobytes: the tool holds a card or so, not the job.
  EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak of " << usage.ru_maxrss << " KB";
}

// An 8 MB data file of 220,000 rows is read and checked whole at a peak of
// a few times its size.
TEST(InspectMemory, ATemplateRunHoldsItsDataFileInAFewTimesItsSize) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' memory is not the tool's";
  ScratchFolder folder;
  ymcko::testing::write_text(folder / "t.svg",
                             R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                             R"(<text>{{name}} {{member}}</text></svg>)");
  {
    std::ofstream data(folder / "d.csv");
    data << "name,member,photo,note\n";
    for (int i = 100000; data.tellp() < std::streamoff{8} << 20; ++i)
      data << "Person " << i << ",M-" << i << ",,MEMBER " << i << "\n";
    ASSERT_TRUE(data.good());
  }
  // The whole file is read and checked to find the row, which alone is
  // rendered and printed.
  const rusage usage =
      run_to_the_end(folder.path(), {"print", "--template", "t.svg", "--data", "d.csv", "--rows",
                                     "220000", "-o", (folder / "job.prn").string()});
  EXPECT_TRUE(std::filesystem::exists(folder / "job.prn"))
      << ymcko::testing::read_text(folder / "out");
  RecordProperty("peak_kilobytes", std::to_string(usage.ru_maxrss));
  // The tool alone takes about 7 MB, the file's text 8 MB, a card's job a
  // few more.
  EXPECT_LT(usage.ru_maxrss, 48 * 1024) << "peak of " << usage.ru_maxrss << " KB";
}

}  // namespace
