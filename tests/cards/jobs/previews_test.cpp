// Inspect: the job checks beyond the reader's syntax, card sides, the
// colour preview and the PNG files.
#include "cards/jobs/previews.h"
#include "cards/jobs/job_check.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cards/images/image.h"
#include "cards/images/image_file.h"
#include "print/errors.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

using namespace ymcko::cards;
using ymcko::testing::hex;
using ymcko::testing::ScratchFolder;

const char* kStart =
    R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D)";

// A two-sided card: front yellow and black panels of two 2-byte lines at
// column 10, line 100, and one overlay area; back a black panel only.
std::vector<std::uint8_t> two_sided_job() {
  return hex(std::string(kStart) + R"(
      1B 01 0D 1B 63 59 0D
      1B 65 59 "0100100" 31 31 00 00 04 00 02 53 FF 80 00 10 0D 1B 61 59 "0001" 0D
      1B 65 4B "0100101" 31 31 00 00 02 00 02 53 00 FF 0D 1B 61 4B "0001" 0D
      1B 63 4F 0D 1B 65 4F "000200010007001101" 0D 1B 61 4F "0001" 0D
      1B 66 0D
      1B 65 4B "0000000" 31 31 00 00 01 00 01 53 FF 0D 1B 61 4B "0001" 0D
      1B 04 0D)");
}

TEST(Inspect, AcceptsAWholeJob) {
  auto job = two_sided_job();
  auto result = check_job(job);
  EXPECT_FALSE(result.error) << result.error->expected << " at " << result.error->offset;
  EXPECT_EQ(result.commands.size(), 14u);
}

TEST(Inspect, FindsStructuralFaultsWithTheirOffsets) {
  const std::string start(kStart);
  struct Case {
    const char* name;
    std::string job;
    std::size_t offset;
    const char* expected;
  };
  const Case cases[] = {
      {"empty", "", 0, "at least one command"},
      {"no document header", "1B 01 0D 1B 04 0D", 0, "the document header"},
      {"second header", start + "1B 52 30 30 0D 1B 04 0D", 41, "one document header only"},
      {"panel before the card start", start + "1B 63 59 0D 1B 04 0D", 41,
       "a card in the printer before panel"},
      {"no card end", start + "1B 01 0D", 44, "the card end"},
      {"card start twice", start + "1B 01 0D 1B 01 0D 1B 04 0D", 44,
       "a card end before the next card start"},
      {"turn without a card", start + "1B 66 0D 1B 04 0D", 41, "a card in the printer to turn"},
      {"panel wider than the card",
       start + R"(1B 01 0D 1B 65 4B "6500000" 31 31 00 00 0A 00 0A 53 00 00 00 00 00 00 00 00 00 00
                  0D 1B 61 4B "0001" 0D 1B 04 0D)",
       44, "panel lines within 656 columns"},
      {"panel below the card",
       start +
           R"(1B 01 0D 1B 65 4B "0001024" 31 31 00 00 01 00 01 53 FF 0D 1B 61 4B "0001" 0D 1B 04 0D)",
       44, "panel lines within 1024 lines"},
      {"copy count zero",
       start +
           R"(1B 01 0D 1B 65 4B "0000000" 31 31 00 00 01 00 01 53 FF 0D 1B 61 4B "0000" 0D 1B 04 0D)",
       44, "a copy count of 1 to 999"},
      {"area numbers skip",
       start +
           R"(1B 01 0D 1B 63 4F 0D 1B 65 4F "100000000000000001" 0D 1B 61 4F "0001" 0D 1B 04 0D)",
       48, "overlay area number 0"},
      {"area upside down",
       start +
           R"(1B 01 0D 1B 63 4F 0D 1B 65 4F "000500000000100001" 0D 1B 61 4F "0001" 0D 1B 04 0D)",
       48, "first before last"},
      {"reader fault", start + "1B 5A 0D", 42, "a known command letter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto job = hex(c.job);
    auto result = check_job(job);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->offset, c.offset);
    EXPECT_NE(result.error->expected.find(c.expected), std::string::npos) << result.error->expected;
  }
}

TEST(Inspect, SidesHoldTheirPanelsWhereTheHeadersPutThem) {
  auto job = two_sided_job();
  auto sides = card_sides(check_job(job).commands);
  ASSERT_EQ(sides.size(), 2u);
  EXPECT_EQ(sides[0].card, 1u);
  EXPECT_FALSE(sides[0].back);
  EXPECT_TRUE(sides[1].back);
  const auto& yellow = sides[0].panels[0];
  ASSERT_EQ(yellow.size(), std::size_t(kPanelColumns) * kPanelLines);
  EXPECT_EQ(yellow[100 * kPanelColumns + 10], 0xFF);
  EXPECT_EQ(yellow[100 * kPanelColumns + 11], 0x80);
  EXPECT_EQ(yellow[101 * kPanelColumns + 11], 0x10);
  EXPECT_TRUE(sides[0].panels[1].empty()) << "magenta was not sent";
  EXPECT_EQ(sides[0].panels[3][101 * kPanelColumns + 11], 0xFF);
  EXPECT_TRUE(sides[0].overlay);
  ASSERT_EQ(sides[0].overlay_areas.size(), 1u);
  EXPECT_FALSE(sides[1].overlay);
  EXPECT_EQ(sides[1].panels[3][0], 0xFF);
}

TEST(Inspect, PreviewMultipliesInksOnWhite) {
  SidePrint side;
  const std::size_t size = std::size_t(kPanelColumns) * kPanelLines;
  for (auto& panel : side.panels) panel.assign(size, 0);
  side.panels[0][0] = 255;                           // full yellow: no blue
  side.panels[1][1] = 255, side.panels[2][1] = 255;  // magenta and cyan: blue
  side.panels[0][2] = 128;                           // half yellow
  side.panels[0][3] = 255, side.panels[3][3] = 128;  // yellow under half black
  std::vector<std::uint8_t> rgb = preview(side);
  auto pixel = [&](std::size_t i) {
    return std::vector<int>(rgb.begin() + long(i * 3), rgb.begin() + long(i * 3 + 3));
  };
  EXPECT_EQ(pixel(0), (std::vector<int>{255, 255, 0}));
  EXPECT_EQ(pixel(1), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(pixel(2), (std::vector<int>{255, 255, 127}));
  EXPECT_EQ(pixel(3), (std::vector<int>{127, 127, 0}));
  EXPECT_EQ(pixel(4), (std::vector<int>{255, 255, 255}));
}

TEST(Inspect, PreviewOutlinesOverlayAreas) {
  SidePrint side;
  side.overlay = true;
  side.overlay_areas.push_back({0, 20, 10, 70, 110, 1});
  std::vector<std::uint8_t> rgb = preview(side);
  auto at = [&](unsigned x, unsigned y) { return rgb[(std::size_t(y) * kPanelColumns + x) * 3]; };
  EXPECT_EQ(at(10, 20), 0);  // the outline's corner
  EXPECT_EQ(at(110, 70), 0);
  EXPECT_EQ(at(50, 45), 255);  // inside stays white
  EXPECT_EQ(at(9, 20), 255);
}

TEST(Inspect, WritesPanelsAndPreviewsAsPngs) {
  ScratchFolder folder;
  auto job = two_sided_job();
  write_previews(card_sides(check_job(job).commands), folder / "held");
  EXPECT_EQ(ymcko::testing::folder_entries(folder / "held"),
            (std::vector<std::string>{"card-001-back.png", "card-001-front.png"}))
      << "panels only on request";
  write_previews(card_sides(check_job(job).commands), folder / "preview",
                 PreviewFiles{.landscape = false, .panels = true});
  EXPECT_EQ(ymcko::testing::folder_entries(folder / "preview"),
            (std::vector<std::string>{"card-001-back-black.png", "card-001-back.png",
                                      "card-001-front-black.png", "card-001-front-overlay.png",
                                      "card-001-front-yellow.png", "card-001-front.png"}));
  Image yellow = load_sides(folder / "preview" / "card-001-front-yellow.png").at(0);
  ASSERT_EQ(yellow.width, kPanelColumns);
  ASSERT_EQ(yellow.height, kPanelLines);
  EXPECT_EQ(yellow.pixel(10, 100)[0], 0) << "full ink is black in the panel image";
  EXPECT_EQ(yellow.pixel(11, 100)[0], 0x7F);
  EXPECT_EQ(yellow.pixel(0, 0)[0], 255);
  Image front = load_sides(folder / "preview" / "card-001-front.png").at(0);
  EXPECT_EQ(std::vector<int>(front.pixel(10, 100), front.pixel(10, 100) + 3),
            (std::vector<int>{255, 255, 0}));
}

}  // namespace
