// The fast page send against the reference: for generated pages and
// settings, both send the same stream byte for byte, and both fail the same
// way without panel memory.
#include "output/panel_sweep.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "driver/ddi.h"
#include "support/instance.h"
#include "support/test_support.h"

namespace {

using ymcko::SendPath;

enum class PageKind { photo, id_card, noise, black_and_white, single_colour };

// A page of the kind in memory order (landscape rows are 1024 pixels, portrait 656).
std::vector<std::uint32_t> make_page(PageKind kind, bool landscape, std::mt19937& random) {
  const std::uint32_t width = landscape ? 1024 : 656, height = landscape ? 656 : 1024;
  std::vector<std::uint32_t> page(std::size_t{width} * height);
  const std::uint32_t flat = random() & 0xFFFFFF;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t rgb = 0;
      switch (kind) {
        case PageKind::photo:  // smooth gradients with a little grain
          rgb = ((x * 255 / width + random() % 5) & 0xFF) |
                (((y * 255 / height) ^ (random() % 3)) & 0xFF) << 8 | (((x + y) / 3) & 0xFF) << 16;
          break;
        case PageKind::id_card:  // white card, a colour band, a photo region, black text
          rgb = 0xFFFFFF;
          if (y < height / 6) rgb = 0x3060C0;
          if (x > width / 20 && x < width / 3 && y > height / 4 && y < height * 3 / 4) {
            rgb = (x * 7 & 0xFF) | (y * 5 & 0xFF) << 8 | 0x80 << 16;
          }
          if (x > width / 2 && y > height / 3 && (x / 3 + y / 7) % 5 == 0) rgb = 0;
          break;
        case PageKind::noise:
          rgb = random() & 0xFFFFFF;
          break;
        case PageKind::black_and_white:  // pure black, pure white and their near neighbours
          rgb = (x + y) % 4 == 0   ? 0
                : (x + y) % 4 == 1 ? 0xFFFFFF
                : (x + y) % 4 == 2 ? 0x010101
                                   : 0xFEFEFE;
          break;
        case PageKind::single_colour:
          rgb = flat;
          break;
      }
      // Drawn pixels carry mark byte 0; some are left as the reset made them.
      page[std::size_t{y} * width + x] = (random() % 50 == 0) ? 0xFFFFFFFF : rgb;
    }
  }
  return page;
}

// Random card-job settings over the ranges the tests care about.
void randomise(DRVPRIVATE& s, std::mt19937& random) {
  auto pick = [&](std::initializer_list<LONG> values) {
    return *(values.begin() + random() % values.size());
  };
  s.lColorIntensity = pick({0, 25, 37, 70, 100, -5, 150, 1000});
  s.bColorCorrection = random() % 4 != 0;
  s.lCyanAdjust = pick({0, 10, -50, 200, -200, 5000000});  // the last beyond the vector gains
  s.lMagentaAdjust = pick({0, -20, 60, -150});
  s.lYellowAdjust = pick({0, 5, -120, 90});
  s.lSaturation = pick({0, -50, 50, 25, -100, 300});
  s.bFrontColor = random() % 5 != 0;
  s.bFrontBlack = random() % 3 != 0;
  s.bFrontOverlay = random() % 2;
  s.bBackColor = random() % 3 != 0;
  s.bBackBlack = random() % 3 != 0;
  s.bBackOverlay = random() % 2;
  s.wSideMode = WORD(random() % 4);
  const bool whole = random() % 3 == 0;
  s.xPrint = whole ? 0 : WORD(random() % 700);
  s.yPrint = whole ? 0 : WORD(random() % 1100);
  s.cxPrint = whole ? 656 : WORD(1 + random() % 700);
  s.cyPrint = whole ? 1024 : WORD(1 + random() % 1100);
  s.aOverlayArea[0] = {WORD(random() % 3), WORD(random() % 600), WORD(random() % 1000), 30, 40};
}

class PanelSweep : public ymcko::testing::EngineTest {
 protected:
  void TearDown() override {
    ymcko::set_send_path(SendPath::fast);
    EngineTest::TearDown();
  }

  // The stream of one page sent along `path`, on a fresh instance; with
  // `short_of_memory` the page send's first allocation fails.
  std::vector<std::uint8_t> send(SendPath path, const std::vector<std::uint32_t>& page,
                                 bool landscape, const DRVPRIVATE& settings, bool back,
                                 BOOL* result = nullptr, bool short_of_memory = false) {
    ymcko::set_send_path(path);
    ymcko::testing::HandBuiltInstance card;
    PDEV* pdev = card.pdev();
    card.settings() = settings;
    pdev->curForm.bLandscape = landscape ? 1 : 0;
    pdev->pvBits = EngAllocMem(0, PAGE_BYTES, PAGE_BITS_TAG);
    std::memcpy(pdev->pvBits, page.data(), PAGE_BYTES);
    pdev->flJobState = PDEV_PAGE_OPEN | (back ? PDEV_BACK_SIDE : 0);
    if (short_of_memory) ymcko::engine::fail_allocation_in(1);
    const BOOL sent = DrvSendPage(card.surface());
    ymcko::engine::clear_allocation_faults();
    if (result != nullptr) *result = sent;
    EngFreeMem(pdev->pvBits);
    return card.spooled();
  }
};

TEST_F(PanelSweep, FastAndReferenceSendTheSameStreams) {
  std::mt19937 random(2026);
  const PageKind kinds[] = {PageKind::photo, PageKind::id_card, PageKind::noise,
                            PageKind::black_and_white, PageKind::single_colour};
  for (int round = 0; round < 30; ++round) {
    const PageKind kind = kinds[round % 5];
    const bool landscape = round % 2 == 0;
    const std::vector<std::uint32_t> page = make_page(kind, landscape, random);
    DRVDEVMODE defaults;
    ymcko::write_devmode_defaults(defaults, nullptr, false);
    DRVPRIVATE settings = defaults.dmPrivate;
    if (round >= 5) randomise(settings, random);
    const bool back = random() % 2;
    SCOPED_TRACE("round " + std::to_string(round));
    const auto reference = send(SendPath::reference, page, landscape, settings, back);
    const auto fast = send(SendPath::fast, page, landscape, settings, back);
    EXPECT_TRUE(ymcko::testing::BytesEqual(reference, fast));
    // Without room for the sweep's panels the page still goes out, the same.
    if (round % 5 == 0) {
      BOOL sent = FALSE;
      EXPECT_TRUE(ymcko::testing::BytesEqual(
          reference, send(SendPath::fast, page, landscape, settings, back, &sent, true)));
      EXPECT_EQ(sent, TRUE);
    }
  }
}

TEST_F(PanelSweep, WithoutPanelMemoryNothingIsSent) {
  std::mt19937 random(1);
  const std::vector<std::uint32_t> page = make_page(PageKind::id_card, true, random);
  DRVDEVMODE defaults;
  ymcko::write_devmode_defaults(defaults, nullptr, false);
  for (SendPath path : {SendPath::reference, SendPath::fast}) {
    ymcko::engine::fail_allocations_with_tag(PANEL_POOL_TAG);
    BOOL result = TRUE;
    EXPECT_TRUE(send(path, page, true, defaults.dmPrivate, false, &result).empty());
    EXPECT_EQ(result, FALSE);
    ymcko::engine::clear_allocation_faults();
  }
}

}  // namespace
