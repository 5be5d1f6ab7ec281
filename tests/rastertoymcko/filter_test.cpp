// The CUPS filter run as CUPS runs it: a raster of the page's size makes
// byte for byte the tool's job from the same pixels, in every stream format
// and colour space it takes; options and the queue's PPD reach the job; bad
// rasters are refused with ERROR:; SIGTERM ends the job after the card.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <regex>

#include "cards/images/png_write.h"
#include "cards/jobs/command_reader.h"
#include "support/raster.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

namespace js = ymcko::jobstream;
using ymcko::testing::make_raster;
using ymcko::testing::ProcessResult;
using ymcko::testing::RasterFormat;
using ymcko::testing::RasterPage;

std::vector<std::uint8_t> pattern(std::uint32_t w, std::uint32_t h, int channels) {
  std::vector<std::uint8_t> pixels(std::size_t{w} * h * channels);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t((i * 13) ^ (i / 4096));
  return pixels;
}

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

class Filter : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv("PPD"); }
  ProcessResult filter(const std::vector<std::uint8_t>& raster, const std::string& options,
                       int copies = 1) {
    ymcko::testing::write_bytes(folder_ / "in.ras", raster);
    return ymcko::testing::run_program(
        YMCKO_FILTER_PATH, {"7", "user", "title", std::to_string(copies), options, "in.ras"},
        folder_.path());
  }
  ProcessResult tool(const std::vector<std::string>& args) {
    return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder_.path());
  }
  ymcko::testing::ScratchFolder folder_;
};

TEST_F(Filter, ARasterOfThePageSizeMakesTheToolsJob) {
  struct Case {
    const char* name;
    RasterFormat format;
    cups_cspace_t space;
    std::uint32_t width;
    std::uint32_t height;
  };
  const Case cases[] = {
      {"v1 RGB", RasterFormat::v1, CUPS_CSPACE_RGB, 1024, 656},
      {"v2 RGB", RasterFormat::v2, CUPS_CSPACE_RGB, 1024, 656},
      {"v3 sRGB", RasterFormat::v3, CUPS_CSPACE_SRGB, 1024, 656},
      {"PWG sRGB", RasterFormat::pwg, CUPS_CSPACE_SRGB, 1024, 656},
      {"v3 grey", RasterFormat::v3, CUPS_CSPACE_W, 1024, 656},
      {"v2 sGray, portrait", RasterFormat::v2, CUPS_CSPACE_SW, 656, 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool grey = c.space == CUPS_CSPACE_W || c.space == CUPS_CSPACE_SW;
    const std::vector<std::uint8_t> pixels = pattern(c.width, c.height, grey ? 1 : 3);
    ymcko::cards::write_png(folder_ / "card.png", c.width, c.height, grey ? 1 : 3, pixels);
    std::vector<std::string> args = {"print", "card.png", "--intensity", "55", "--no-back-overlay",
                                     "-o",    "tool.prn"};
    if (c.height > c.width) args.push_back("--portrait");
    ProcessResult made = tool(args);
    ASSERT_EQ(made.status, 0) << made.err;

    ProcessResult result = filter(make_raster({{c.width, c.height, c.space, pixels}}, c.format),
                                  "ColorIntensity=55 BackOverlay=False");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("PAGE: 1 1"), std::string::npos) << result.err;
    EXPECT_TRUE(ymcko::testing::BytesEqual(
        bytes_of(ymcko::testing::read_text(folder_ / "tool.prn")), bytes_of(result.out)));
  }
}

TEST_F(Filter, OptionsAndTheQueuesDefaultsReachTheJob) {
  // The queue's PPD with an administrator's default for the intensity.
  std::ifstream in(YMCKO_BUILD_PPD);
  std::string ppd((std::istreambuf_iterator<char>(in)), {});
  ppd = std::regex_replace(ppd, std::regex("\\*DefaultColorIntensity: 70"),
                           "*DefaultColorIntensity: 40");
  ymcko::testing::write_text(folder_ / "queue.ppd", ppd);

  const std::vector<std::uint8_t> pixels = pattern(1024, 656, 3);
  const auto raster =
      make_raster({{1024, 656, CUPS_CSPACE_RGB, pixels}, {1024, 656, CUPS_CSPACE_RGB, pixels}},
                  RasterFormat::v3);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, pixels);
  struct Case {
    const char* name;
    bool queue_ppd;
    std::string options;
    int copies;
    std::vector<std::string> tool_flags;
  };
  const Case cases[] = {
      {"PPD choices, job options and copies",
       false,
       "SideMode=1 ColorCorrection=false MagEncoder=True mag-mode=W track1=DOE/JANE track2=123",
       3,
       {"--side-mode", "1", "--no-color-correction", "--mag-encoder", "--mag-mode", "W", "--track1",
        "DOE/JANE", "--track2", "123", "--copies", "3"}},
      {"a stripe of a format of its own",
       false,
       "MagEncoder=True MagFormat=raw mag-mode=W track1=doe/jane",
       1,
       {"--mag-encoder", "--mag-format", "raw", "--mag-mode", "W", "--track1", "doe/jane"}},
      {"a value between the PPD's choices", false, "ColorIntensity=57", 1, {"--intensity", "57"}},
      {"the queue's default", true, "", 1, {"--intensity", "40"}},
      {"the job over the queue's default", true, "ColorIntensity=65", 1, {"--intensity", "65"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.queue_ppd) {
      ::setenv("PPD", (folder_ / "queue.ppd").c_str(), 1);
    } else {
      ::unsetenv("PPD");
    }
    ProcessResult result = filter(raster, c.options, c.copies);
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> args = {"print", "card.png", "card.png", "-o", "tool.prn"};
    args.insert(args.end(), c.tool_flags.begin(), c.tool_flags.end());
    ASSERT_EQ(tool(args).status, 0);
    EXPECT_TRUE(ymcko::testing::BytesEqual(
        bytes_of(ymcko::testing::read_text(folder_ / "tool.prn")), bytes_of(result.out)));
  }
  ::unsetenv("PPD");
}

TEST_F(Filter, BadRastersAreRefusedWithAnError) {
  const std::vector<std::uint8_t> pixels = pattern(64, 32, 3);
  std::vector<std::uint8_t> cut =
      make_raster({{64, 32, CUPS_CSPACE_RGB, pixels}}, RasterFormat::v3);
  cut.resize(cut.size() - 1000);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> raster;
    const char* what;
    const char* options = "";
  };
  const std::vector<std::uint8_t> card =
      make_raster({{64, 32, CUPS_CSPACE_RGB, pixels}}, RasterFormat::v3);
  const Case cases[] = {
      // The stripe is written or refused, never dropped.
      {"a stripe without the encoder", card,
       "ERROR: track2: the printer has no magnetic-stripe encoder set (MagEncoder)",
       "mag-mode=W track2=123"},
      {"lower case on track 1", card,
       "ERROR: track1: character \"d\" at position 1 is not in the ISO 7811 character set of "
       "track 1 (space to \"_\", no lower case); for a stripe of another format give MagFormat raw",
       "MagEncoder=True mag-mode=W track1=doe"},
      {"not a raster", bytes_of("%PDF-1.4 not a raster at all"), "not a CUPS raster stream"},
      {"nothing", {}, "not a CUPS raster stream"},
      {"no page", make_raster({}, RasterFormat::v3), "holds no page"},
      {"truncated", cut, "the raster ends in line"},
      {"16 bits", make_raster({{64, 32, CUPS_CSPACE_RGB, {}, 16}}, RasterFormat::v3),
       "16 bits per colour"},
      {"CMYK", make_raster({{64, 32, CUPS_CSPACE_CMYK, {}}}, RasterFormat::v3), "colour space 6"},
      {"absurd size", make_raster({{100000, 100000, CUPS_CSPACE_W, {}}}, RasterFormat::v3),
       "100000 x 100000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult result = filter(c.raster, c.options);
    EXPECT_EQ(result.status, 1) << "exit status, -1 for a crash";
    EXPECT_NE(result.err.find("ERROR: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.what), std::string::npos) << result.err;
  }
  ProcessResult usage = ymcko::testing::run_program(YMCKO_FILTER_PATH, {"1", "2"}, folder_.path());
  EXPECT_EQ(usage.status, 1);
  EXPECT_NE(usage.err.find("ERROR: command line: usage: rastertoymcko"), std::string::npos)
      << usage.err;
}

TEST_F(Filter, SigtermFinishesTheCardAndEndsTheDocument) {
  // Two cards; SIGTERM comes while the first page's lines are awaited.
  const std::vector<std::uint8_t> pixels = pattern(1024, 656, 3);
  const std::vector<std::uint8_t> raster =
      make_raster({{1024, 656, CUPS_CSPACE_RGB, pixels}, {1024, 656, CUPS_CSPACE_RGB, pixels}},
                  RasterFormat::v3);
  int input[2], errors[2];
  ASSERT_EQ(::pipe(input), 0);
  ASSERT_EQ(::pipe(errors), 0);
  const std::filesystem::path out = folder_ / "job.prn";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addclose(&actions, errors[0]);
  std::vector<std::string> args = {YMCKO_FILTER_PATH, "7", "user", "title", "1", ""};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid;
  ASSERT_EQ(posix_spawn(&pid, YMCKO_FILTER_PATH, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(input[0]);
  ::close(errors[1]);

  // The first page's header and half its lines, then wait for the filter to start the page.
  const std::size_t first = 4 + 1796 + 328 * 1024 * 3;
  ASSERT_EQ(::write(input[1], raster.data(), first), ssize_t(first));
  std::string log;
  char chunk[256];
  while (log.find("INFO: Printing page 1") == std::string::npos) {
    const ssize_t got = ::read(errors[0], chunk, sizeof chunk);
    ASSERT_GT(got, 0) << log;
    log.append(chunk, std::size_t(got));
  }
  ::kill(pid, SIGTERM);
  // Everything else is offered; the filter takes the first card only and
  // stops reading, so the rest may meet a closed pipe.
  ::signal(SIGPIPE, SIG_IGN);
  for (std::size_t at = first; at < raster.size();) {
    const ssize_t wrote = ::write(input[1], raster.data() + at, raster.size() - at);
    if (wrote <= 0) break;
    at += std::size_t(wrote);
  }
  ::close(input[1]);
  ssize_t got;
  while ((got = ::read(errors[0], chunk, sizeof chunk)) > 0) log.append(chunk, std::size_t(got));
  ::close(errors[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << log;
  EXPECT_EQ(WEXITSTATUS(status), 0) << log;
  EXPECT_EQ(log.find("PAGE: 2"), std::string::npos) << log;

  const std::string job = ymcko::testing::read_text(out);
  const std::vector<std::uint8_t> bytes(job.begin(), job.end());
  const js::ReadResult read = js::read_commands(bytes);
  ASSERT_FALSE(read.error.has_value()) << read.error->expected;
  std::size_t cards = 0;
  for (const auto& command : read.commands)
    cards += std::holds_alternative<js::CardStart>(command.body);
  EXPECT_EQ(cards, 1u);
  EXPECT_TRUE(std::holds_alternative<js::CardEnd>(read.commands.back().body))
      << "the document is ended";
}

}  // namespace
