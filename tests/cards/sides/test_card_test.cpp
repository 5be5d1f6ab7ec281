// The test card printed by the tool: every panel in the job, the stripe only
// for a printer with an encoder, and a code that scans from the preview.
#include "cards/sides/test_card.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "cards/jobs/command_reader.h"
#include "support/scratch.h"

namespace {

namespace js = ymcko::jobstream;
using ymcko::testing::ProcessResult;
using ymcko::testing::ScratchFolder;

ProcessResult tool(const ScratchFolder& folder, const std::vector<std::string>& args) {
  return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder.path());
}

TEST(TestCard, TheJobUsesEveryPanelAndWritesTheStripeOnlyWithAnEncoder) {
  struct Case {
    const char* name;
    std::vector<std::string> flags;
    bool stripe;
  };
  const Case cases[] = {
      {"no encoder", {}, false},
      {"an encoder", {"--mag-encoder"}, true},
  };
  ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"print", "--test-card", "-o", "test.prn"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const ProcessResult printed = tool(folder, args);
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.err, "") << "the test card's tracks are inside their character sets";
    const std::string text = ymcko::testing::read_text(folder / "test.prn");
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const js::ReadResult read = js::read_commands(bytes);
    ASSERT_FALSE(read.error.has_value());
    std::set<char> panels;
    std::size_t overlays = 0, stripes = 0;
    for (const js::Command& command : read.commands) {
      if (auto* panel = std::get_if<js::Panel>(&command.body)) panels.insert(panel->panel);
      overlays += std::holds_alternative<js::OverlayArea>(command.body);
      if (auto* stripe = std::get_if<js::Stripe>(&command.body)) {
        ++stripes;
        EXPECT_FALSE(stripe->track1.empty() || stripe->track2.empty() || stripe->track3.empty());
      }
    }
    EXPECT_EQ(panels, (std::set<char>{'Y', 'M', 'C', 'K'}));
    EXPECT_EQ(overlays, 1u);
    EXPECT_EQ(stripes, c.stripe ? 1u : 0u);
  }
}

// The path of a program on PATH, or empty.
std::string on_path(const std::string& program) {
  std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

TEST(TestCard, TheCodeScansFromThePreview) {
  const std::string zbarimg = on_path("zbarimg");
  if (zbarimg.empty()) GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed";
  ScratchFolder folder;
  ASSERT_EQ(tool(folder, {"print", "--test-card", "-o", "test.prn"}).status, 0);
  const ProcessResult inspected = tool(folder, {"inspect", "test.prn", "--png", "preview"});
  ASSERT_EQ(inspected.status, 0) << inspected.err;
  const ProcessResult scanned = ymcko::testing::run_program(
      zbarimg, {"--raw", "-q", "preview/card-001-front.png"}, folder.path());
  EXPECT_EQ(scanned.out, "YMCKO TEST\n") << scanned.err;
}

}  // namespace
