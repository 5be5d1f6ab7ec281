// The demo card: a picture in the colour panels only, text and a readable
// barcode in pure black, and an overlay area that lands on the picture.
#include "cards/sides/demo_card.h"

#include <gtest/gtest.h>

namespace {

using namespace ymcko::cards;

bool pure_black(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixel(x, y);
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

bool in_picture(std::uint32_t x, std::uint32_t y) {
  return x >= kDemoPictureX && x < kDemoPictureX + kDemoPictureWidth && y >= kDemoPictureY &&
         y < kDemoPictureY + kDemoPictureHeight;
}

TEST(DemoCard, PictureIsColourAndTextIsPureBlack) {
  Image card = demo_card();
  ASSERT_EQ(card.width, kDemoWidth);
  ASSERT_EQ(card.height, kDemoHeight);
  std::size_t black = 0, coloured_in_picture = 0;
  for (std::uint32_t y = 0; y < card.height; ++y) {
    for (std::uint32_t x = 0; x < card.width; ++x) {
      const std::uint8_t* p = card.pixel(x, y);
      ASSERT_EQ(p[3], 255);
      if (pure_black(card, x, y)) {
        ++black;
        ASSERT_FALSE(in_picture(x, y)) << "pure black at " << x << ", " << y;
      } else if (in_picture(x, y)) {
        ASSERT_FALSE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "white inside the picture";
        if (p[0] != p[1] || p[1] != p[2]) ++coloured_in_picture;
      }
    }
  }
  EXPECT_GT(black, 10000u);
  EXPECT_EQ(coloured_in_picture, std::size_t(kDemoPictureWidth) * kDemoPictureHeight);
}

TEST(DemoCard, OverlayAreaCoversThePictureOnThePanel) {
  // A landscape page turns onto the portrait panel: page column c is panel
  // line c and page row r is panel column 655 - r.
  const ymcko::print::CardSettings settings = demo_settings();
  const auto areas = settings.get<std::vector<ymcko::print::OverlayArea>>("overlay_areas");
  ASSERT_TRUE(areas);
  ASSERT_EQ(areas->size(), 1u);
  const ymcko::print::OverlayArea& area = areas->front();
  EXPECT_EQ(area.kind, 0);
  EXPECT_EQ(area.y, kDemoPictureX);
  EXPECT_EQ(area.y + area.cy, kDemoPictureX + kDemoPictureWidth - 1);
  EXPECT_EQ(area.x, 655 - (kDemoPictureY + kDemoPictureHeight - 1));
  EXPECT_EQ(area.x + area.cx, 655 - kDemoPictureY);
  EXPECT_EQ(settings.get<std::string>("orientation"), "landscape");
}

TEST(DemoCard, BarcodeReadsBackAsCode39) {
  Image image = filled_image(400, 20, 255, 255, 255);
  const std::uint32_t width = draw_code39(image, 5, 0, 20, "01", 2);
  // Runs along one row, as narrow (0) or wide (1) elements.
  std::string elements;
  std::uint32_t x = 5;
  while (x < 5 + width) {
    const bool bar = pure_black(image, x, 10);
    std::uint32_t run = 0;
    while (x < 5 + width && pure_black(image, x, 10) == bar) ++run, ++x;
    ASSERT_TRUE(run == 2 || run == 6) << "element of " << run << " pixels at " << x;
    elements += run == 6 ? '1' : '0';
  }
  // Four characters of nine elements, joined by narrow gaps.
  ASSERT_EQ(elements.size(), 4u * 9 + 3);
  EXPECT_EQ(elements.substr(0, 9), "010010100");   // start "*"
  EXPECT_EQ(elements.substr(10, 9), "000110100");  // "0"
  EXPECT_EQ(elements.substr(20, 9), "100100001");  // "1"
  EXPECT_EQ(elements.substr(30, 9), "010010100");  // stop "*"
  for (std::size_t gap : {9, 19, 29}) EXPECT_EQ(elements[gap], '0');
}

}  // namespace
