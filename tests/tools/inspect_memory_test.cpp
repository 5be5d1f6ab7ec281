// inspect reads a job of any size card by card: a job larger than any file
// the tool reads whole goes through at a peak memory of a few cards.
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

  const pid_t pid = ymcko::testing::spawn_program(
      YMCKO_TOOL_PATH, {"inspect", "big.prn"}, folder.path(), {}, folder / "out", folder / "err");
  ASSERT_GT(pid, 0);
  int status = 0;
  rusage usage{};
  ASSERT_EQ(::wait4(pid, &status, 0, &usage), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << ymcko::testing::read_text(folder / "err");
  const std::string out = ymcko::testing::read_text(folder / "out");
  EXPECT_NE(out.find("valid job: " + std::to_string(4 + cards * 6) + " commands, " +
                     std::to_string(cards) + " cards"),
            std::string::npos)
      << out.substr(out.size() - std::min<std::size_t>(out.size(), 200));
  RecordProperty("peak_kilobytes", std::to_string(usage.ru_maxrss));
  // ru_maxrss is in kilobytes: the tool holds a card or so, not the job.
  EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak of " << usage.ru_maxrss << " KB";
}

}  // namespace
