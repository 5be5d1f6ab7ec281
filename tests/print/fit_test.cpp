// Placement of images on the page for each fit mode.
#include "print/fit.h"

#include <gtest/gtest.h>

namespace {

using namespace ymcko::print;

TEST(Fit, PlacesImagesByMode) {
  struct Case {
    const char* name;
    std::uint32_t width, height, page_width, page_height;
    FitMode mode;
    PixelRect source, destination;
    bool one_to_one;
  };
  const Case cases[] = {
      {"exact landscape size, any mode",
       1024,
       656,
       1024,
       656,
       FitMode::contain,
       {0, 0, 1024, 656},
       {0, 0, 1024, 656},
       true},
      {"exact portrait size",
       656,
       1024,
       656,
       1024,
       FitMode::cover,
       {0, 0, 656, 1024},
       {0, 0, 656, 1024},
       true},
      {"portrait image on a landscape page is not exact",
       656,
       1024,
       1024,
       656,
       FitMode::stretch,
       {0, 0, 656, 1024},
       {0, 0, 1024, 656},
       false},
      // Twice the page's aspect: cover keeps the middle half, contain leaves bands.
      {"wide image, cover",
       2048,
       656,
       1024,
       656,
       FitMode::cover,
       {512, 0, 1024, 656},
       {0, 0, 1024, 656},
       false},
      {"wide image, contain",
       2048,
       656,
       1024,
       656,
       FitMode::contain,
       {0, 0, 2048, 656},
       {0, 164, 1024, 328},
       false},
      {"tall image, cover",
       1024,
       1312,
       1024,
       656,
       FitMode::cover,
       {0, 328, 1024, 656},
       {0, 0, 1024, 656},
       false},
      {"tall image, contain",
       1000,
       1000,
       1024,
       656,
       FitMode::contain,
       {0, 0, 1000, 1000},
       {184, 0, 656, 656},
       false},
      {"same aspect, scaled",
       512,
       328,
       1024,
       656,
       FitMode::cover,
       {0, 0, 512, 328},
       {0, 0, 1024, 656},
       false},
      {"one pixel", 1, 1, 1024, 656, FitMode::cover, {0, 0, 1, 1}, {0, 0, 1024, 656}, false},
      {"a line keeps one pixel",
       1,
       5000,
       1024,
       656,
       FitMode::contain,
       {0, 0, 1, 5000},
       {511, 0, 1, 656},
       false},
      {"a line, cover",
       5000,
       1,
       1024,
       656,
       FitMode::cover,
       {2499, 0, 2, 1},
       {0, 0, 1024, 656},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Placement placement = place_image(c.width, c.height, c.page_width, c.page_height, c.mode);
    EXPECT_EQ(placement.source, c.source);
    EXPECT_EQ(placement.destination, c.destination);
    EXPECT_EQ(placement.one_to_one, c.one_to_one);
  }
}

}  // namespace
