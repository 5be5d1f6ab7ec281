#include "cards/images/page_fit.h"

#include <gtest/gtest.h>

namespace {

using ymcko::cards::fit_page;
using ymcko::cards::PageScaling;
using ymcko::print::FitMode;
using ymcko::print::ImageView;

// A white grey page with a black block (x, y, width, height).
struct Page {
  std::uint32_t width, height;
  std::array<std::uint32_t, 4> block;
  std::vector<std::uint8_t> pixels() const {
    std::vector<std::uint8_t> out(std::size_t(width) * height, 0xFF);
    for (std::uint32_t y = block[1]; y < block[1] + block[3]; ++y)
      std::fill_n(out.begin() + y * width + block[0], block[2], std::uint8_t(0));
    return out;
  }
};

// Pages at 300 dpi (150 for `none`) onto the landscape card, 1024 x 656
// dots: the view the session draws, how it places it, and whether it was
// turned. (Photos and phones' pages holding a card are the server test's.)
TEST(PageFit, EachPageGoesOntoTheCardAsItsScalingSays) {
  constexpr auto kAuto = PageScaling::automatic;
  constexpr auto kCover = FitMode::cover, kContain = FitMode::contain, kStretch = FitMode::stretch;
  struct Case {
    const char* what;
    Page page;
    PageScaling scaling;
    std::uint32_t width, height;
    FitMode fit;
    bool turned;
  };
  const Case cases[] = {
      {"the card's page portrait", {656, 1024, {0, 0, 9, 9}}, kAuto, 1024, 656, kCover, true},
      {"a text page", {2550, 3300, {150, 150, 2250, 3000}}, kAuto, 3000, 2250, kContain, true},
      {"a blank page", {2550, 3300, {0, 0, 0, 0}}, kAuto, 3300, 2550, kContain, true},
      {"fill, whole", {2550, 3300, {150, 300, 9, 9}}, PageScaling::fill, 3300, 2550, kCover, true},
      {"none at 150 dpi", {1275, 1650, {0, 0, 1, 1}}, PageScaling::none, 512, 328, kStretch, true},
      {"auto-fit, small",
       {300, 200, {0, 0, 300, 200}},
       PageScaling::auto_fit,
       1024,
       656,
       kStretch,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> pixels = c.page.pixels();
    const ImageView page{c.page.width, c.page.height, ymcko::print::PixelFormat::gray, pixels, 0};
    const auto fitted =
        fit_page(page, c.scaling == PageScaling::none ? 150 : 300, 1024, 656, c.scaling);
    EXPECT_EQ(fitted.view().width, c.width);
    EXPECT_EQ(fitted.view().height, c.height);
    EXPECT_EQ(fitted.fit(), c.fit);
    EXPECT_EQ(fitted.turned(), c.turned);
  }
}

// Turned a quarter anticlockwise the page's top is the card's left; half
// a turn more (a reverse orientation), its right.
TEST(PageFit, TurnsThePagesTopToTheCardsLeft) {
  const std::vector<std::uint8_t> pixels = Page{4, 8, {0, 0, 4, 1}}.pixels();
  for (const bool reversed : {false, true}) {
    const auto fitted = fit_page({4, 8, ymcko::print::PixelFormat::gray, pixels, 0}, 300, 16, 8,
                                 PageScaling::fit, reversed);
    ASSERT_EQ(fitted.view().width, 8u);
    for (std::uint32_t y = 0; y < fitted.view().height; ++y) {
      EXPECT_EQ(fitted.view().pixels[y * 8 + (reversed ? 7 : 0)], 0) << "row " << y;
      EXPECT_EQ(fitted.view().pixels[y * 8 + (reversed ? 0 : 7)], 0xFF) << "row " << y;
    }
  }
}

}  // namespace
