// The page send: panels on the wire, card sides, overlay areas and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cards/jobs/command_reader.h"
#include "driver/ddi.h"
#include "engine/engine.h"
#include "output/panel_separation.h"
#include "support/instance.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::BytesEqual;
using ymcko::testing::hex;
namespace js = ymcko::jobstream;

constexpr std::uint32_t rgb(int r, int g, int b) {
  return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}

class SendPage : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    instance_ = std::make_unique<ymcko::testing::HandBuiltInstance>();
    pdev()->pvBits = EngAllocMem(0, PAGE_BYTES, PAGE_BITS_TAG);
    ASSERT_NE(pdev()->pvBits, nullptr);
    std::memset(pdev()->pvBits, 0xFF, PAGE_BYTES);
    pdev()->flJobState |= PDEV_PAGE_OPEN;
  }
  void TearDown() override {
    // Whatever a test spooled must read back as a well-formed stream.
    js::ReadResult read = js::read_commands(spooled());
    EXPECT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
    EngFreeMem(pdev()->pvBits);
    instance_.reset();
    EngineTest::TearDown();
  }

  PDEV* pdev() { return instance_->pdev(); }
  DRVPRIVATE& settings() { return instance_->settings(); }
  std::uint32_t* pixels() { return static_cast<std::uint32_t*>(pdev()->pvBits); }
  const std::vector<std::uint8_t>& spooled() { return instance_->spooled(); }

  BOOL send() {
    pdev()->flJobState |= PDEV_PAGE_OPEN;
    return DrvSendPage(instance_->surface());
  }

  // Reads the spooled stream back; it must be well formed.
  std::vector<js::Command> commands() {
    js::ReadResult read = js::read_commands(spooled());
    EXPECT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
    return read.commands;
  }

  // One line of text per command, for comparing the shape of a page.
  std::vector<std::string> outline() {
    std::vector<std::string> lines;
    for (const auto& c : commands()) {
      std::string line = js::describe(c);
      lines.push_back(line.substr(line.find(": ") + 2));
    }
    return lines;
  }

  std::unique_ptr<ymcko::testing::HandBuiltInstance> instance_;
};

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<std::uint8_t> lines_of(std::uint8_t value, std::size_t lines, std::size_t width = 656) {
  return std::vector<std::uint8_t>(lines * width, value);
}

TEST_F(SendPage, CompleteOneCardPage) {
  // Grey ink on every line, pure black only in lines 100 and 199. Grey
  // (128, 128, 128) corrects to (152, 149, 137); at intensity 70 the tone
  // table takes 4 off these amounts: yellow 114, magenta 102, cyan 99.
  for (std::size_t i = 0; i < PANEL_BYTES; ++i) pixels()[i] = rgb(128, 128, 128);
  for (std::size_t j = 0; j < 656; ++j)
    pixels()[100 * 656 + j] = pixels()[199 * 656 + j] = rgb(0, 0, 0);
  ASSERT_TRUE(send());

  auto colour_data = [](std::uint8_t value) {
    return concat({lines_of(value, 100), lines_of(0, 1), lines_of(value, 98), lines_of(0, 1),
                   lines_of(value, 824)});
  };
  auto expected = concat({
      hex(R"(1B 63 59 0D 1B 63 4D 0D 1B 63 43 0D 1B 63 4B 0D 1B 63 4F 0D)"),
      hex(R"(1B 65 59 "0000000" 31 31 0A 40 00 02 90 53)"),
      colour_data(114),
      hex(R"(0D 1B 61 59 "0001" 0D)"),
      hex(R"(1B 65 4D "0000000" 31 31 0A 40 00 02 90 53)"),
      colour_data(102),
      hex(R"(0D 1B 61 4D "0001" 0D)"),
      hex(R"(1B 65 43 "0000000" 31 31 0A 40 00 02 90 53)"),
      colour_data(99),
      hex(R"(0D 1B 61 43 "0001" 0D)"),
      hex(R"(1B 65 4B "0000100" 31 31 01 00 40 02 90 53)"),
      concat({lines_of(255, 1), lines_of(0, 98), lines_of(255, 1)}),
      hex(R"(0D 1B 61 4B "0001" 0D)"),
      hex(R"(1B 63 4F 0D 1B 61 4F "0001" 0D)"),
  });
  EXPECT_TRUE(BytesEqual(expected, spooled()));
  commands();

  // Every panel, header, data and trailer went out as its own write.
  EXPECT_EQ(instance_->printer().write_calls(), 5u + 4 * 3 + 2);
  // The bitmap is white again with marks 0xFF, and the page is closed.
  EXPECT_EQ(pixels()[100 * 656], 0xFFFFFFFFu);
  EXPECT_EQ(pixels()[5], 0xFFFFFFFFu);
  EXPECT_EQ(pdev()->flJobState & PDEV_PAGE_OPEN, 0u);
  EXPECT_EQ(ymcko::engine::outstanding(PANEL_POOL_TAG).blocks, 0u);
}

TEST_F(SendPage, CompleteOneCardJobFromDocumentStartToEnd) {
  // Ink of all three colours on every line; pure black in lines 100 and 199.
  for (std::size_t i = 0; i < PANEL_BYTES; ++i) pixels()[i] = rgb(40, 120, 200);
  for (std::size_t j = 0; j < 656; j += 2)
    pixels()[100 * 656 + j] = pixels()[199 * 656 + j] = rgb(0, 0, 0);
  pdev()->flJobState = 0;
  ASSERT_TRUE(DrvStartDoc(instance_->surface(), nullptr, 1));
  ASSERT_TRUE(DrvStartPage(instance_->surface()));
  ASSERT_TRUE(DrvSendPage(instance_->surface()));
  ASSERT_TRUE(DrvEndDoc(instance_->surface(), 0));

  std::vector<std::string> expected = {
      "document header, number 00",
      "P command, form L",
      "D parameters 0300060000193 (300, 6, 0, 193)",
      "d parameters 0000070000000 (0, 7, 0, 0)",
      "card start",
      "clear yellow panel",
      "clear magenta panel",
      "clear cyan panel",
      "clear black panel",
      "clear overlay panel",
      "yellow panel, column 0, lines 0 to 1023 (1024 lines of 656 bytes, 671744 data bytes), "
      "copies 0001",
      "magenta panel, column 0, lines 0 to 1023 (1024 lines of 656 bytes, 671744 data bytes), "
      "copies 0001",
      "cyan panel, column 0, lines 0 to 1023 (1024 lines of 656 bytes, 671744 data bytes), copies "
      "0001",
      "black panel, column 0, lines 100 to 199 (100 lines of 656 bytes, 65600 data bytes), copies "
      "0001",
      "clear overlay panel",
      "overlay end, copies 0001",
      "card end",
  };
  EXPECT_EQ(outline(), expected);
  // The headers byte for byte, with their length and width fields.
  const auto& stream = spooled();
  auto at = [&](std::size_t offset, std::size_t n) {
    return std::vector<std::uint8_t>(stream.begin() + offset, stream.begin() + offset + n);
  };
  auto cmds = commands();
  EXPECT_TRUE(
      BytesEqual(hex(R"(1B 65 59 "0000000" 31 31 0A 40 00 02 90 53)"), at(cmds[10].offset, 18)));
  EXPECT_TRUE(
      BytesEqual(hex(R"(1B 65 4B "0000100" 31 31 01 00 40 02 90 53)"), at(cmds[13].offset, 18)));
  EXPECT_TRUE(
      BytesEqual(hex(R"(0D 1B 61 4B 30 30 30 31 0D)"), at(cmds[13].offset + 18 + 65600, 9)));
}

TEST_F(SendPage, EmptyPageSendsOnlyClearsAndTheOverlay) {
  ASSERT_TRUE(send());
  auto expected = hex(R"(1B 63 59 0D 1B 63 4D 0D 1B 63 43 0D 1B 63 4B 0D 1B 63 4F 0D
                         1B 63 4F 0D 1B 61 4F "0001" 0D)");
  EXPECT_TRUE(BytesEqual(expected, spooled()));
}

TEST_F(SendPage, TrailersCarryTheCopyCountExceptInDuplexMode) {
  pixels()[0] = rgb(0, 0, 0);
  pdev()->cCopies = 25;
  for (WORD mode : {0, 1}) {
    SCOPED_TRACE(mode);
    instance_->clear_spool();
    pixels()[0] = rgb(0, 0, 0);
    settings().wSideMode = mode;
    pdev()->flJobState &= ~PDEV_BACK_SIDE;
    ASSERT_TRUE(send());
    const char* count = mode == 0 ? "0025" : "0001";
    for (const auto& c : commands()) {
      if (auto* panel = std::get_if<js::Panel>(&c.body)) {
        EXPECT_EQ(panel->count, count);
      }
      if (auto* end = std::get_if<js::OverlayTrailer>(&c.body)) {
        EXPECT_EQ(end->count, count);
      }
    }
  }
}

TEST_F(SendPage, DuplexBackClearsItsPanelsAgain) {
  settings().wSideMode = 1;
  pdev()->flJobState |= PDEV_BACK_SIDE;
  pixels()[0] = rgb(0, 0, 0);
  pixels()[1] = rgb(200, 10, 10);
  ASSERT_TRUE(send());
  std::vector<std::string> expected = {
      "clear yellow panel",
      "clear magenta panel",
      "clear cyan panel",
      "clear black panel",
      "clear overlay panel",
      "clear yellow panel",
      "clear magenta panel",
      "clear cyan panel",
      "yellow panel, column 0, lines 0 to 0 (1 lines of 656 bytes, 656 data bytes), copies 0001",
      "magenta panel, column 0, lines 0 to 0 (1 lines of 656 bytes, 656 data bytes), copies 0001",
      "cyan panel, column 0, lines 0 to 0 (1 lines of 656 bytes, 656 data bytes), copies 0001",
      "clear black panel",
      "black panel, column 0, lines 0 to 0 (1 lines of 656 bytes, 656 data bytes), copies 0001",
      "clear overlay panel",
      "overlay end, copies 0001",
  };
  EXPECT_EQ(outline(), expected);
  EXPECT_EQ(pdev()->flJobState & PDEV_BACK_SIDE, 0u) << "back turns to front";
}

TEST_F(SendPage, SplitModeBackGetsTheBlackPanelOnly) {
  // As the document start sets the switches in split mode.
  settings().wSideMode = 2;
  settings().bFrontColor = 1, settings().bFrontBlack = 0, settings().bFrontOverlay = 1;
  settings().bBackColor = 0, settings().bBackBlack = 1, settings().bBackOverlay = 0;
  pdev()->flJobState |= PDEV_BACK_SIDE;
  pixels()[656 * 3] = rgb(0, 0, 0);      // black text
  pixels()[656 * 4] = rgb(10, 200, 30);  // colour, mark byte 0 as drawn
  ASSERT_TRUE(send());
  std::vector<std::string> expected = {
      "black panel, column 0, lines 3 to 3 (1 lines of 656 bytes, 656 data bytes), copies 0001",
  };
  EXPECT_EQ(outline(), expected) << "only pure black prints, not every drawn pixel";
  EXPECT_EQ(pdev()->flJobState & PDEV_BACK_SIDE, 0u);
}

TEST_F(SendPage, SplitModeFrontHasNoClearsButTheOverlays) {
  settings().wSideMode = 2;
  settings().bFrontBlack = 0;
  settings().bBackColor = 0, settings().bBackOverlay = 0;
  ASSERT_TRUE(send());
  std::vector<std::string> expected = {"clear overlay panel", "overlay end, copies 0001"};
  EXPECT_EQ(outline(), expected);
  EXPECT_NE(pdev()->flJobState & PDEV_BACK_SIDE, 0u)
      << "front turns to back, also with nothing sent";
}

TEST_F(SendPage, BlackFromPureTestWhenTheYellowPassDidNotExtract) {
  // Duplex back side without colour: the black panel must not take the marks
  // of the drawing (0 for every drawn pixel).
  settings().wSideMode = 1;
  settings().bBackColor = 0;
  pdev()->flJobState |= PDEV_BACK_SIDE;
  pixels()[10] = rgb(0, 0, 0);
  pixels()[656 * 7] = rgb(90, 20, 200);
  ASSERT_TRUE(send());
  for (const auto& c : commands()) {
    if (auto* panel = std::get_if<js::Panel>(&c.body)) {
      EXPECT_EQ(panel->panel, 'K');
      EXPECT_EQ(panel->first_line, 0u);
      EXPECT_EQ(panel->lines(), 1u);
      EXPECT_EQ(panel->data[10], 255);
    }
  }
}

TEST_F(SendPage, SingleModeStaysOnTheFront) {
  settings().wSideMode = 0;
  ASSERT_TRUE(send());
  ASSERT_TRUE(send());
  EXPECT_EQ(pdev()->flJobState & PDEV_BACK_SIDE, 0u);
}

TEST_F(SendPage, OverlayAreasAreNumberedInTheOrderSent) {
  settings().aOverlayArea[0] = {0, 10, 20, 100, 50};
  settings().aOverlayArea[1] = {2, 1, 1, 1, 1};
  settings().aOverlayArea[2] = {3, 5, 5, 5, 5};  // not a kind the printer knows: skipped
  settings().aOverlayArea[3] = {1, 0, 0, 655, 1023};
  ASSERT_TRUE(send());
  auto expected = concat({
      hex(R"(1B 63 59 0D 1B 63 4D 0D 1B 63 43 0D 1B 63 4B 0D 1B 63 4F 0D 1B 63 4F 0D)"),
      hex(R"(1B 65 4F "000200010007001101" 0D)"),
      hex(R"(1B 65 4F "100000000102306550" 0D)"),
      hex(R"(1B 61 4F "0001" 0D)"),
  });
  EXPECT_TRUE(BytesEqual(expected, spooled()));
}

// Whatever the record holds, an area that does not lie on the card is taken
// as empty, so the area digits keep their widths.
TEST_F(SendPage, OverlayAreasOffTheCardAreSkipped) {
  settings().aOverlayArea[0] = {0, 0, 0, 700, 100};
  settings().aOverlayArea[1] = {1, 65535, 65535, 65535, 65535};
  settings().aOverlayArea[2] = {0, 0, 1, 0, 1023};
  settings().aOverlayArea[3] = {0, 655, 1023, 0, 0};
  ASSERT_TRUE(send());
  auto expected = concat({
      hex(R"(1B 63 59 0D 1B 63 4D 0D 1B 63 43 0D 1B 63 4B 0D 1B 63 4F 0D 1B 63 4F 0D)"),
      hex(R"(1B 65 4F "010230655102306551" 0D)"),
      hex(R"(1B 61 4F "0001" 0D)"),
  });
  EXPECT_TRUE(BytesEqual(expected, spooled()));
}

TEST_F(SendPage, PrintRectangleReachingOutsideTheBitmapIsClipped) {
  settings().xPrint = 600;
  settings().cxPrint = 656;
  settings().yPrint = 1000;
  settings().cyPrint = 1024;
  pixels()[1023 * 656 + 655] = rgb(0, 0, 0);
  pixels()[999 * 656 + 655] = rgb(0, 0, 0);  // outside the rectangle
  ASSERT_TRUE(send());
  std::vector<std::string> panels;
  for (const auto& line : outline()) {
    if (line.find("panel, column") != std::string::npos) panels.push_back(line);
  }
  std::vector<std::string> expected = {
      "black panel, column 600, lines 23 to 23 (1 lines of 56 bytes, 56 data bytes), copies 0001",
  };
  EXPECT_EQ(panels, expected);

  // A rectangle wholly outside gives empty panels, which are not sent.
  instance_->clear_spool();
  settings().xPrint = 2000;
  settings().yPrint = 5000;
  pixels()[0] = rgb(0, 0, 0);
  ASSERT_TRUE(send());
  for (const auto& line : outline())
    EXPECT_EQ(line.find("panel, column"), std::string::npos) << line;
}

TEST_F(SendPage, NoPanelBufferSendsNothingAndKeepsThePage) {
  settings().wSideMode = 1;
  pixels()[3] = rgb(1, 2, 3);
  ymcko::engine::fail_allocations_with_tag(PANEL_POOL_TAG);
  pdev()->flJobState |= PDEV_PAGE_OPEN;
  EXPECT_FALSE(DrvSendPage(instance_->surface()));
  EXPECT_TRUE(spooled().empty());
  EXPECT_EQ(pixels()[3], rgb(1, 2, 3));
  EXPECT_NE(pdev()->flJobState & PDEV_PAGE_OPEN, 0u);
  EXPECT_EQ(pdev()->flJobState & PDEV_BACK_SIDE, 0u);
}

TEST_F(SendPage, InvalidInstanceOrMissingBitmapFails) {
  EngSetLastError(0);
  EXPECT_FALSE(DrvSendPage(nullptr));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);

  SURFOBJ stranger{};
  EngSetLastError(0);
  EXPECT_FALSE(DrvSendPage(&stranger));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);

  void* bits = pdev()->pvBits;
  pdev()->pvBits = nullptr;
  EXPECT_FALSE(DrvSendPage(instance_->surface()));
  pdev()->pvBits = bits;
  EXPECT_TRUE(spooled().empty());
}

TEST_F(SendPage, WriteFailuresAreNotReported) {
  instance_->printer().inject_write_fault({1, true, std::nullopt});
  pixels()[0] = rgb(0, 0, 0);
  EXPECT_TRUE(send());
  EXPECT_TRUE(spooled().empty());
}

}  // namespace
