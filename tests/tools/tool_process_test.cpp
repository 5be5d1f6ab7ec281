// The ymcko program run as a process: exit statuses, one-line errors naming
// the input, refusals of bad settings and inputs, and inspect end to end.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/test_support.h"
#include "tools/tool_helpers.h"
#include "ymcko/image_io.h"

namespace {

using ymcko::testing::hex;
using ymcko::testing::ProcessResult;
using ymcko::testing::ScratchFolder;
using ymcko::testing::write_text;

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
  const std::string kControlTrack = std::string(YMCKO_TEST_DATA_DIR) +
                                    "/inputs/malformed/settings_track1_control_characters.json";
  write_text(folder_ / "unknown.json", R"({"copies": 2, "colour": true})");
  write_text(folder_ / "range.json", R"({"intensity": 101})");
  write_text(folder_ / "long.json", R"({"track3": ")" + std::string(150, '1') + R"("})");
  write_text(folder_ / "notimage.png", "hello");
  // A device mode whose header announces 220 + 1228 bytes, cut to 1000.
  std::string devmode(1000, '\0');
  devmode[68] = char(220), devmode[70] = char(1228 & 0xFF), devmode[71] = char(1228 >> 8);
  write_text(folder_ / "short.dm", devmode);
  ymcko::tool::write_png(folder_ / "card.png", 2, 2, 1, std::vector<std::uint8_t>(4, 0));
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
       "Exactly 1 option from [PAGE,--batch,--demo]"},
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
      {"control characters in a track of a settings file",
       {"print", "--demo", "--settings", kControlTrack, "-o", "x.prn"},
       1,
       kControlTrack,
       "track1: character U+001B at position 7 is a control character"},
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
        "--mag-mode", "--job-r-value", "--print-rect"}) {
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
  }
}

TEST_F(ToolProcess, InspectListsChecksAndPreviewsAJob) {
  auto job = hex(R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D
                    1B 01 0D 1B 65 43 "0000000" 31 31 00 00 02 00 02 53 FF FF 0D 1B 61 43 "0001" 0D
                    1B 63 4F 0D 1B 61 4F "0001" 0D 1B 04 0D)");
  ymcko::testing::write_bytes(folder_ / "job.prn", job);

  ProcessResult text = run({"inspect", "job.prn", "--png", "preview"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("44: cyan panel, column 0, lines 0 to 0"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("valid job: 9 commands, 1 card, 1 card side"), std::string::npos)
      << text.out;
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front.png"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front-cyan.png"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "preview" / "card-001-front-overlay.png"));

  ProcessResult json = run({"inspect", "job.prn", "--json"});
  EXPECT_EQ(json.status, 0);
  auto document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["valid"], true);
  EXPECT_EQ(document["commands"].size(), 9u);
  EXPECT_EQ(document["commands"][5]["command"], "panel");
  EXPECT_EQ(document["commands"][5]["data_bytes"], 2);

  job[job.size() - 2] = 0x05;  // the card end becomes an unknown command
  ymcko::testing::write_bytes(folder_ / "bad.prn", job);
  ProcessResult bad = run({"inspect", "bad.prn"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(OneErrorLine(bad, "bad.prn",
                           "malformed job at offset " + std::to_string(job.size() - 2) +
                               ": expected a known command letter"));
  ProcessResult bad_json = run({"inspect", "bad.prn", "--json"});
  EXPECT_EQ(bad_json.status, 1);
  EXPECT_EQ(nlohmann::json::parse(bad_json.out)["error"]["offset"], job.size() - 2);
}

}  // namespace
