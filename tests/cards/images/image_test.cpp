// Image input and PNG output: every format to the same RGBA, transparency
// over white, PDF pages at 300 dpi, and what is not a file refused.
#include "cards/images/image.h"
#include "cards/images/image_file.h"
#include "cards/images/png_write.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstring>

#include "print/errors.h"
#include "print/files.h"
#include "support/image_files.h"
#include "support/scratch.h"

namespace {

using namespace ymcko::cards;
using ymcko::testing::pdf_with_pages;
using ymcko::testing::ScratchFolder;

// A baseline JPEG of one flat colour, at the best quality.
std::vector<std::uint8_t> flat_jpeg(std::uint32_t width, std::uint32_t height,
                                    const std::uint8_t rgb[3]) {
  std::vector<std::uint8_t> samples;
  for (std::uint32_t i = 0; i < width * height; ++i) samples.insert(samples.end(), rgb, rgb + 3);
  return ymcko::testing::jpeg_of(samples, width, 3, JCS_RGB);
}

TEST(ImageIo, PngRoundTripsAndTransparencyGoesOverWhite) {
  ScratchFolder folder;
  // Opaque red, half-transparent red, transparent black, opaque grey.
  const std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 255, 0,  0,  128,
                                          0,   0, 0, 0,   90,  90, 90, 255};
  write_png(folder / "a.png", 2, 2, 4, rgba);
  Image image = load_sides(folder / "a.png").at(0);
  ASSERT_EQ(image.width, 2u);
  ASSERT_EQ(image.height, 2u);
  const std::vector<std::uint8_t> expected = {255, 0,   0,   255, 255, 127, 127, 255,
                                              255, 255, 255, 255, 90,  90,  90,  255};
  EXPECT_EQ(image.rgba, expected);
}

TEST(ImageIo, GreyPngsReadAsEqualChannels) {
  ScratchFolder folder;
  write_png(folder / "g.png", 3, 1, 1, std::vector<std::uint8_t>{0, 128, 255});
  Image image = load_sides(folder / "g.png").at(0);
  EXPECT_EQ(image.rgba,
            (std::vector<std::uint8_t>{0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));
}

TEST(ImageIo, JpegDecodesToOpaqueRgba) {
  ScratchFolder folder;
  const std::uint8_t colour[3] = {200, 40, 90};
  ymcko::testing::write_bytes(folder / "c.jpg", flat_jpeg(16, 8, colour));
  Image image = load_sides(folder / "c.jpg").at(0);
  ASSERT_EQ(image.width, 16u);
  ASSERT_EQ(image.height, 8u);
  const std::uint8_t* p = image.pixel(7, 3);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], colour[c], 3);
  EXPECT_EQ(p[3], 255);
}

TEST(ImageIo, PdfGivesOneSidePerPageAt300Dpi) {
  ScratchFolder folder;
  ymcko::testing::write_bytes(folder / "two.pdf", pdf_with_pages({"1 0 0", "0 0 1"}));
  std::vector<Image> sides = load_sides(folder / "two.pdf");
  ASSERT_EQ(sides.size(), 2u);
  for (const Image& side : sides) {
    EXPECT_EQ(side.width, 300u);  // one inch
    EXPECT_EQ(side.height, 150u);
  }
  const std::uint8_t* red = sides[0].pixel(50, 75);
  EXPECT_EQ(std::vector<int>(red, red + 4), (std::vector<int>{255, 0, 0, 255}));
  const std::uint8_t* blue = sides[1].pixel(50, 75);
  EXPECT_EQ(std::vector<int>(blue, blue + 3), (std::vector<int>{0, 0, 255}));
  const std::uint8_t* paper = sides[1].pixel(250, 75);
  EXPECT_EQ(std::vector<int>(paper, paper + 3), (std::vector<int>{255, 255, 255}));
}

// 16-bit samples without a gAMA or sRGB chunk mean what the same 8-bit values
// do: a mid grey of 0x8080 is 128, not the lighter grey of linear light.
TEST(ImageIo, SixteenBitSamplesAreSrgbLikeEightBit) {
  ScratchFolder folder;
  write_png(folder / "eight.png", 4, 4, 1, std::vector<std::uint8_t>(16, 0x80));
  const std::filesystem::path cases[] = {
      folder / "eight.png",
      std::filesystem::path(YMCKO_TEST_DATA_DIR) / "inputs/malformed" /
          "image_png_16bit_grey_without_gamma.png",
  };
  for (const auto& path : cases) {
    SCOPED_TRACE(path.filename().string());
    Image image = load_sides(path).at(0);
    const std::uint8_t* pixel = image.pixel(1, 1);
    EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{128, 128, 128, 255}));
  }
}

// Broken image files are the bad-inputs catalogue's (tests/inputs); what
// is not a file at all is refused too.
TEST(ImageIo, WhatIsNotAFileIsRefused) {
  ScratchFolder folder;
  EXPECT_THROW(load_sides(folder / "missing.png"), ymcko::print::Error);
  EXPECT_THROW(load_sides(folder.path()), ymcko::print::Error);
}

}  // namespace
