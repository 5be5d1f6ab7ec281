// The ymcko program run as a process: exit statuses, one-line errors naming
// the input, refusals of bad settings and inputs, and inspect end to end.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <csignal>
#include <thread>

#include "cards/images/png_write.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::hex;
using ymcko::testing::ProcessResult;
using ymcko::testing::ScratchFolder;
using ymcko::testing::write_text;

// A kept input that once went wrong, by its full path.
std::string malformed(const char* name) {
  return (std::filesystem::path(YMCKO_TEST_DATA_DIR) / "inputs/malformed" / name).string();
}

class ToolProcess : public ::testing::Test {
 protected:
  ProcessResult run(const std::vector<std::string>& args) {
    return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder_.path());
  }
  ScratchFolder folder_;
};

// Exactly one line on the error stream, of the agreed form.
::testing::AssertionResult OneErrorLine(const ProcessResult& result, const std::string& input,
                                        const std::string& what) {
  const std::string expected_start = "ymcko: error: " + input + ": ";
  std::string last_line = result.err;
  if (!last_line.empty() && last_line.back() == '\n') last_line.pop_back();
  if (last_line.find('\n') != std::string::npos)
    last_line = last_line.substr(last_line.rfind('\n') + 1);
  if (last_line.rfind(expected_start, 0) != 0 || last_line.find(what) == std::string::npos ||
      result.err.find("error:") != result.err.rfind("error:")) {
    return ::testing::AssertionFailure() << "stderr was: " << result.err;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(ToolProcess, RefusalsExitWithOneLineNamingTheInput) {
  write_text(folder_ / "unknown.json", R"({"copies": 2, "colour": true})");
  write_text(folder_ / "range.json", R"({"intensity": 101})");
  write_text(folder_ / "long.json", R"({"track3": ")" + std::string(150, '1') + R"("})");
  write_text(folder_ / "notimage.png", "hello");
  write_text(folder_ / "late.csv", "front\ncard.png\nnotimage.png\n");
  write_text(folder_ / "longfield.csv", "front,track1\ncard.png," + std::string(5000, '1') + "\n");
  // A device mode whose header announces 220 + 1228 bytes, cut to 1000.
  std::string devmode(1000, '\0');
  devmode[68] = char(220), devmode[70] = char(1228 & 0xFF), devmode[71] = char(1228 >> 8);
  write_text(folder_ / "short.dm", devmode);
  ymcko::cards::write_png(folder_ / "card.png", 2, 2, 1, std::vector<std::uint8_t>(4, 0));
  std::string cut = ymcko::testing::read_text(folder_ / "card.png");
  write_text(folder_ / "cut.png", cut.substr(0, 40));
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string input;
    std::string what;
  };
  const Case cases[] = {
      {"no command", {}, 2, "command line", "subcommand is required"},
      {"unknown option", {"print", "--demo", "--colour", "-o", "x"}, 2, "command line", "--colour"},
      {"no output", {"print", "--demo"}, 2, "command line", "--output is required"},
      {"no input",
       {"print", "-o", "x.prn"},
       2,
       "command line",
       "Exactly 1 option from [PAGE,--batch,--demo,--test-card,--template]"},
      {"two inputs",
       {"print", "--demo", "a.png", "-o", "x.prn"},
       2,
       "command line",
       "and 2 were given"},
      {"flag out of range",
       {"print", "--demo", "--copies", "0", "-o", "x.prn"},
       2,
       "--copies",
       "Value 0 not in range 1 to 999"},
      {"flag not a number",
       {"print", "--demo", "--intensity", "high", "-o", "x.prn"},
       2,
       "--intensity",
       "\"high\" is not an integer"},
      {"track too long as flag",
       {"print", "--demo", "--track1", std::string(100, 'A'), "-o", "x.prn"},
       2,
       "--track1",
       "takes at most 99"},
      {"control character in a track flag",
       {"print", "--demo", "--track2",
        "12\x0E"
        "34",
        "-o", "x.prn"},
       2,
       "--track2",
       "character U+000E at position 3 is a control character"},
      {"unknown key",
       {"print", "--demo", "--settings", "unknown.json", "-o", "x.prn"},
       1,
       "unknown.json",
       "colour: unknown key"},
      {"out of range",
       {"print", "--demo", "--settings", "range.json", "-o", "x.prn"},
       1,
       "range.json",
       "intensity: the value must be from 0 to 100, not 101"},
      {"track too long in a file",
       {"print", "--demo", "--settings", "long.json", "-o", "x.prn"},
       1,
       "long.json",
       "track3: the text has 150 characters; track 3 takes at most 149"},
      {"unreadable settings",
       {"print", "--demo", "--settings", "missing.json", "-o", "x.prn"},
       1,
       "missing.json",
       "cannot be opened"},
      {"bad image",
       {"print", "notimage.png", "-o", "x.prn"},
       1,
       "notimage.png",
       "not a PNG, JPEG or PDF file"},
      {"unreadable image",
       {"print", "card.png", "missing.png", "-o", "x.prn"},
       1,
       "missing.png",
       "cannot be opened"},
      {"wrong devmode length",
       {"print", "--demo", "--devmode", "short.dm", "-o", "x.prn"},
       1,
       "short.dm",
       "is 1000 bytes, but its dmSize 220 and dmDriverExtra 1228 make 1448"},
      {"truncated image",
       {"print", "card.png", "cut.png", "-o", "x.prn"},
       1,
       "cut.png",
       "not a readable PNG image"},
      {"inspect a missing job", {"inspect", "missing.prn"}, 1, "missing.prn", "cannot be opened"},
      {"empty output name", {"print", "--demo", "-o", ""}, 2, "--output", "names no file"},
      {"endless settings",
       {"print", "--demo", "--settings", "/dev/zero", "-o", "x.prn"},
       1,
       "/dev/zero",
       "larger than the 1 MB a settings file may hold"},
      {"endless printer file",
       {"print", "--demo", "--printer", "/dev/zero", "-o", "x.prn"},
       1,
       "/dev/zero",
       "larger than the 1 MB a printer file may hold"},
      {"endless device mode",
       {"print", "--demo", "--devmode", "/dev/zero", "-o", "x.prn"},
       1,
       "/dev/zero",
       "larger than the 128 KB a device mode file may hold"},
      {"endless manifest",
       {"print", "--batch", "/dev/zero", "-o", "x.prn"},
       1,
       "/dev/zero",
       "larger than the 64 MB a manifest may hold"},
      {"bad image on a later card",
       {"print", "--batch", "late.csv", "-o", "x.prn"},
       1,
       "late.csv:3",
       "card 2 front notimage.png: not a PNG, JPEG or PDF file"},
      {"long manifest field",
       {"print", "--batch", "longfield.csv", "-o", "x.prn"},
       1,
       "longfield.csv:2",
       "a field holds more than 4096 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(OneErrorLine(result, c.input, c.what));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "x.prn"));
  }
}

TEST_F(ToolProcess, HelpListsEveryOptionAndExitsZero) {
  ProcessResult result = run({"print", "--help"});
  EXPECT_EQ(result.status, 0);
  for (const char* option :
       {"--settings", "--side-mode", "--copies", "--no-color-correction", "--portrait", "--track1",
        "--overlay", "--fit", "--batch", "--demo", "--devmode", "--save-devmode", "--printer",
        "--mag-mode", "--job-r-value", "--print-rect", "--template", "--back-template", "--data"}) {
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
  }
}

// Each settings flag's help ends with the driver's own default.
TEST_F(ToolProcess, HelpShowsEachSettingsTrueDefault) {
  const std::string help = run({"print", "--help"}).out;
  struct Case {
    const char* flag;
    const char* shown;  // the start of the flag's help line and its end
  };
  const Case cases[] = {
      {"  --intensity N ", "[default: 70]\n"},
      {"  --color-correction,--no-color-correction\n", "[default: true]\n"},
      {"  --print-rect X,Y,CX,CY ", "[default: 0,0,656,1024]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag);
    const std::size_t at = help.find(c.flag);
    ASSERT_NE(at, std::string::npos) << help;
    const std::size_t end = help.find(c.shown, at);
    ASSERT_NE(end, std::string::npos) << help;
    EXPECT_EQ(help.find("  --", at + 1), help.find("  --", end)) << "on the flag's own help";
  }
}

TEST_F(ToolProcess, InspectListsChecksAndPreviewsAJob) {
  auto job = hex(R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D
                    1B 01 0D 1B 65 43 "0000000" 31 31 00 00 02 00 02 53 FF FF 0D 1B 61 43 "0001" 0D
                    1B 63 4F 0D 1B 61 4F "0001" 0D 1B 04 0D)");
  ymcko::testing::write_bytes(folder_ / "job.prn", job);

  ProcessResult text = run({"inspect", "job.prn", "--png", "preview", "--panels"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("44: cyan panel, column 0, lines 0 to 0"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("valid job: 9 commands, 1 card, 1 card side"), std::string::npos)
      << text.out;
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front.png"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front-cyan.png"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front-overlay.png"));
  ProcessResult held = run({"inspect", "job.prn", "--png", "held"});
  EXPECT_EQ(held.status, 0) << held.err;
  EXPECT_EQ(ymcko::testing::folder_entries(folder_ / "held"),
            (std::vector<std::string>{"card-001-front.png"}))
      << "the panels only on request";

  ProcessResult json = run({"inspect", "job.prn", "--json"});
  EXPECT_EQ(json.status, 0);
  auto document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["valid"], true);
  EXPECT_EQ(document["commands"].size(), 9u);
  EXPECT_EQ(document["commands"][5]["command"], "panel");
  EXPECT_EQ(document["commands"][5]["data_bytes"], 2);

  job[job.size() - 2] = 0x05;  // the card end becomes an unknown command
  ymcko::testing::write_bytes(folder_ / "bad.prn", job);
  ProcessResult bad = run({"inspect", "bad.prn", "--png", "bad-preview"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(OneErrorLine(bad, "bad.prn",
                           "malformed job at offset " + std::to_string(job.size() - 2) +
                               ": expected a known command letter"));
  EXPECT_NE(bad.out.find("44: cyan panel"), std::string::npos) << "what was read is listed";
  EXPECT_FALSE(std::filesystem::exists(folder_ / "bad-preview")) << "no previews of a bad job";
  ProcessResult bad_json = run({"inspect", "bad.prn", "--json"});
  EXPECT_EQ(bad_json.status, 1);
  EXPECT_EQ(nlohmann::json::parse(bad_json.out)["error"]["offset"], job.size() - 2);
}

// The previews hold the card as it is printed, from inspect's flags or the
// print's own settings: width and height of each preview's PNG.
TEST_F(ToolProcess, PreviewsHoldTheCardAsItIsPrinted) {
  ASSERT_EQ(run({"print", "--demo", "-o", "landscape.prn"}).status, 0);
  ASSERT_EQ(run({"print", "--demo", "--portrait", "-o", "portrait.prn"}).status, 0);
  struct Case {
    std::vector<std::string> args;
    std::string preview;
    std::uint32_t width, height;
  };
  const Case cases[] = {
      {{"inspect", "landscape.prn", "--png", "a"}, "a/card-001-front.png", 1024, 656 + 28},
      {{"inspect", "landscape.prn", "--png", "b", "--landscape"},
       "b/card-001-front.png",
       1024,
       656 + 28},
      {{"inspect", "portrait.prn", "--png", "c", "--portrait"},
       "c/card-001-front.png",
       656,
       1024 + 28},
      {{"print", "--demo", "-o", "d.prn", "--preview", "d"},
       "d/card-001-front.png",
       1024,
       656 + 28},
      {{"print", "--demo", "--portrait", "-o", "e.prn", "--preview", "e"},
       "e/card-001-front.png",
       656,
       1024 + 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preview);
    const ProcessResult result = run(c.args);
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string png = ymcko::testing::read_text(folder_ / c.preview);
    ASSERT_GE(png.size(), 24u);
    auto big_endian = [&](std::size_t at) {
      return std::uint32_t(std::uint8_t(png[at])) << 24 |
             std::uint32_t(std::uint8_t(png[at + 1])) << 16 |
             std::uint32_t(std::uint8_t(png[at + 2])) << 8 |
             std::uint32_t(std::uint8_t(png[at + 3]));
    };
    EXPECT_EQ(big_endian(16), c.width);
    EXPECT_EQ(big_endian(20), c.height);
    EXPECT_EQ(std::filesystem::status(folder_ / c.preview).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  EXPECT_EQ(run({"inspect", "landscape.prn", "--landscape", "--portrait"}).status, 2);
  EXPECT_EQ(run({"inspect", "landscape.prn", "--panels"}).status, 2) << "panels need --png";
}

TEST_F(ToolProcess, OutputThatCannotBeWrittenFailsTheCommand) {
  ymcko::testing::write_bytes(folder_ / "job.prn", hex(R"(1B 52 30 30 0D 1B 01 0D 1B 04 0D)"));
  using ymcko::testing::StandardOutput;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    StandardOutput output;
  };
  const Case cases[] = {
      {"info to a full disk", {"info"}, {StandardOutput::file, "/dev/full"}},
      {"help to a full disk", {"--help"}, {StandardOutput::file, "/dev/full"}},
      {"inspect with standard output closed",
       {"inspect", "job.prn", "--json"},
       {StandardOutput::closed, ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult result =
        ymcko::testing::run_program(YMCKO_TOOL_PATH, c.args, folder_.path(), c.output);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(OneErrorLine(result, "standard output", "cannot be written"));
  }
}

TEST_F(ToolProcess, InspectJsonIsJsonWhateverBytesTheJobHas) {
  const std::string valid = "1B 52 30 30 0D 1B 01 0D 1B 04 0D";
  ymcko::testing::write_bytes(folder_ / "job\xE9.prn", hex(valid));
  struct Case {
    const char* name;
    std::string job;
    std::string shown;  // the "job" field as printed
  };
  const Case cases[] = {
      {"a name that is not UTF-8", "job\xE9.prn", "job\xEF\xBF\xBD.prn"},
      {"parameter text that is not UTF-8", malformed("job_parameter_text_not_utf8.prn"),
       malformed("job_parameter_text_not_utf8.prn")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult result = run({"inspect", c.job, "--json"});
    EXPECT_NE(result.status, -1);
    nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << result.out << result.err;
    EXPECT_EQ(document["job"], c.shown);
  }
}

// A signal during a long batch ends the tool with 128 + the signal, removes
// its temporary file and leaves the old output as it was.
TEST_F(ToolProcess, AnInterruptedJobLeavesNoTemporaryFile) {
  ymcko::cards::write_png(folder_ / "card.png", 64, 64, 3,
                          std::vector<std::uint8_t>(64 * 64 * 3, 90));
  std::string manifest = "front,back\n";
  for (int i = 0; i < 400; ++i) manifest += "card.png,card.png\n";
  write_text(folder_ / "cards.csv", manifest);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    write_text(folder_ / "x.prn", "old");
    const pid_t pid = ymcko::testing::spawn_program(
        YMCKO_TOOL_PATH, {"print", "--batch", "cards.csv", "--side-mode", "1", "-o", "x.prn"},
        folder_.path(), {}, folder_ / ".stdout", folder_ / ".stderr");
    ASSERT_GT(pid, 0);
    // Wait for the temporary file, then interrupt the job.
    bool seen = false;
    for (int wait = 0; wait < 20000 && !seen; ++wait) {
      for (const std::string& name : ymcko::testing::folder_entries(folder_.path()))
        seen = seen || name.rfind(".x.prn.", 0) == 0;
      if (!seen) ::usleep(1000);
    }
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(seen) << "no temporary file appeared";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    std::filesystem::remove(folder_ / ".stdout");
    std::filesystem::remove(folder_ / ".stderr");
    EXPECT_EQ(ymcko::testing::folder_entries(folder_.path()),
              (std::vector<std::string>{"card.png", "cards.csv", "x.prn"}));
    EXPECT_EQ(ymcko::testing::read_text(folder_ / "x.prn"), "old");
  }
}

// An input that can be read only once (a FIFO, a pipe) is sniffed and
// decoded from the one opening.
TEST_F(ToolProcess, FifosPrintLikeFiles) {
  ymcko::cards::write_png(folder_ / "card.png", 8, 8, 3, std::vector<std::uint8_t>(8 * 8 * 3, 200));
  ymcko::testing::write_bytes(folder_ / "card.pdf", ymcko::testing::pdf_with_pages({"1 0 0"}));
  for (const char* name : {"card.png", "card.pdf"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ymcko::testing::read_text(folder_ / name);
    const std::filesystem::path fifo = folder_ / "side.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
      // Opened once a reader is there; given up after ten seconds without one.
      int fd = -1;
      for (int wait = 0; wait < 10000 && fd < 0; ++wait) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) ::usleep(1000);
      }
      if (fd < 0) return;
      ::fcntl(fd, F_SETFL, 0);
      [[maybe_unused]] ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
      ::close(fd);
    });
    ProcessResult result = run({"print", "side.fifo", "-o", "x.prn"});
    writer.join();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(folder_ / "x.prn"));
    std::filesystem::remove(fifo);
    std::filesystem::remove(folder_ / "x.prn");
  }
}

}  // namespace
