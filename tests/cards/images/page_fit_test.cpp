#include "cards/images/page_fit.h"

#include <gtest/gtest.h>

namespace {

using ymcko::cards::fit_page;
using ymcko::cards::PageScaling;
using ymcko::print::FitMode;
using ymcko::print::ImageView;
using ymcko::print::PixelFormat;

// A white grey page with a black block: `block` is x, y, width, height.
struct Page {
  std::uint32_t width, height;
  std::vector<std::uint8_t> pixels;
  Page(std::uint32_t w, std::uint32_t h, std::array<std::uint32_t, 4> block)
      : width(w), height(h), pixels(std::size_t(w) * h, 0xFF) {
    for (std::uint32_t y = block[1]; y < block[1] + block[3]; ++y)
      std::fill_n(pixels.begin() + y * w + block[0], block[2], std::uint8_t(0));
  }
  ImageView view() const { return {width, height, PixelFormat::gray, pixels, 0}; }
};

// Pages onto the landscape card, 1024 x 656 dots.
TEST(PageFit, EachPageGoesOntoTheCardAsItsScalingSays) {
  struct Case {
    const char* what;
    Page page;
    int dpi;
    PageScaling scaling;
    std::uint32_t width, height;  // of the view the session draws
    FitMode fit;
    bool turned;
  };
  const Case cases[] = {
      {"the card's page, as it is",
       {1024, 656, {0, 0, 1024, 656}},
       300,
       PageScaling::automatic,
       1024,
       656,
       FitMode::cover,
       false},
      {"the card's page portrait, turned",
       {656, 1024, {0, 0, 10, 10}},
       300,
       PageScaling::fit,
       1024,
       656,
       FitMode::contain,
       true},
      {"a 4x6 photo fills the card",
       {1800, 1200, {0, 0, 1800, 1200}},
       300,
       PageScaling::automatic,
       1800,
       1200,
       FitMode::cover,
       false},
      {"a Letter page of text: its content, turned and fitted",
       {2550, 3300, {150, 150, 2250, 3000}},
       300,
       PageScaling::automatic,
       3000,
       2250,
       FitMode::contain,
       true},
      {"a Letter page holding a card: the card fills it",
       {2550, 3300, {100, 100, 1000, 1560}},
       300,
       PageScaling::automatic,
       1560,
       1000,
       FitMode::cover,
       true},
      {"a blank Letter page, whole",
       {2550, 3300, {0, 0, 0, 0}},
       300,
       PageScaling::automatic,
       3300,
       2550,
       FitMode::contain,
       true},
      {"fit takes the whole page",
       {2550, 3300, {150, 300, 10, 10}},
       300,
       PageScaling::fit,
       3300,
       2550,
       FitMode::contain,
       true},
      {"fill takes the whole page",
       {2550, 3300, {150, 300, 10, 10}},
       300,
       PageScaling::fill,
       3300,
       2550,
       FitMode::cover,
       true},
      {"none: the card's part of the page at 150 dpi",
       {1275, 1650, {0, 0, 1, 1}},
       150,
       PageScaling::none,
       512,
       328,
       FitMode::stretch,
       true},
      {"auto-fit of a small page is none",
       {300, 200, {0, 0, 300, 200}},
       300,
       PageScaling::auto_fit,
       1024,
       656,
       FitMode::stretch,
       false},
      {"auto-fit of a large page is fit",
       {3000, 2000, {0, 0, 1, 1}},
       300,
       PageScaling::auto_fit,
       3000,
       2000,
       FitMode::contain,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto fitted = fit_page(c.page.view(), c.dpi, 1024, 656, c.scaling);
    EXPECT_EQ(fitted.view().width, c.width);
    EXPECT_EQ(fitted.view().height, c.height);
    EXPECT_EQ(fitted.fit(), c.fit);
    EXPECT_EQ(fitted.turned(), c.turned);
  }
}

// Turned a quarter anticlockwise the page's top is the card's left; half
// a turn more (a reverse orientation), its right.
TEST(PageFit, TurnsThePagesTopToTheCardsLeft) {
  const Page page(4, 8, {0, 0, 4, 1});  // the top row black
  for (const bool reversed : {false, true}) {
    const auto fitted = fit_page(page.view(), 300, 16, 8, PageScaling::fit, reversed);
    const ImageView& view = fitted.view();
    ASSERT_EQ(view.width, 8u);
    for (std::uint32_t y = 0; y < view.height; ++y) {
      EXPECT_EQ(view.pixels[y * 8 + (reversed ? 7 : 0)], 0) << "row " << y;
      EXPECT_EQ(view.pixels[y * 8 + (reversed ? 0 : 7)], 0xFF) << "row " << y;
    }
  }
}

}  // namespace
