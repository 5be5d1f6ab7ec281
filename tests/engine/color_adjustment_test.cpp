// The engine's colour adjustment: the default record changes nothing, and each control moves
// colours its own way.
#include <gtest/gtest.h>

#include <array>

#include "engine/color_adjustment.h"

namespace {

using ymcko::engine::ColorAdjuster;

constexpr COLORADJUSTMENT kDefault = {24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};

using Rgb = std::array<int, 3>;

Rgb adjust(const COLORADJUSTMENT& ca, Rgb in) {
  BYTE r = BYTE(in[0]), g = BYTE(in[1]), b = BYTE(in[2]);
  ColorAdjuster(&ca).apply(r, g, b);
  return {r, g, b};
}

TEST(ColorAdjustment, DefaultRecordIsTheExactIdentity) {
  const ColorAdjuster adjuster(&kDefault);
  EXPECT_TRUE(adjuster.is_identity());
  EXPECT_TRUE(ColorAdjuster(nullptr).is_identity());
  for (int v = 0; v < 256; ++v) {
    BYTE r = BYTE(v), g = BYTE(255 - v), b = BYTE(v * 7);
    adjuster.apply(r, g, b);
    ASSERT_EQ(r, v);
    ASSERT_EQ(g, 255 - v);
    ASSERT_EQ(b, BYTE(v * 7));
  }
}

TEST(ColorAdjustment, EachControlMovesColoursItsOwnWay) {
  auto with = [](auto change) {
    COLORADJUSTMENT ca = kDefault;
    change(ca);
    return ca;
  };
  struct Case {
    const char* name;
    COLORADJUSTMENT ca;
    Rgb in;
    Rgb expected;
  };
  const Case cases[] = {
      {"negative", with([](auto& ca) { ca.caFlags = CA_NEGATIVE; }), {0, 100, 255}, {255, 155, 0}},
      // Black 2000 and white 8000 stretch 51..204 over the whole range.
      {"reference black and white",
       with([](auto& ca) { ca.caReferenceBlack = 2000, ca.caReferenceWhite = 8000; }),
       {51, 128, 204},
       {0, 128, 255}},
      // Gamma 20000 on red only: 64 / 255 to the power 1/2.
      {"red gamma", with([](auto& ca) { ca.caRedGamma = 20000; }), {64, 64, 64}, {128, 64, 64}},
      // Contrast 25 stretches the distance from middle grey by the root of 2.
      {"contrast", with([](auto& ca) { ca.caContrast = 25; }), {100, 128, 200}, {89, 128, 230}},
      // Brightness 30 adds 0.15 of the range.
      {"brightness", with([](auto& ca) { ca.caBrightness = 30; }), {0, 100, 240}, {38, 138, 255}},
      {"colourfulness -100 gives grey",
       with([](auto& ca) { ca.caColorfulness = -100; }),
       {255, 0, 0},
       {76, 76, 76}},
      {"colourfulness leaves grey alone",
       with([](auto& ca) { ca.caColorfulness = 80; }),
       {90, 90, 90},
       {90, 90, 90}},
      {"tint toward red",
       with([](auto& ca) { ca.caRedGreenTint = 100; }),
       {100, 100, 100},
       {126, 87, 100}},
      {"tint toward green",
       with([](auto& ca) { ca.caRedGreenTint = -100; }),
       {100, 100, 100},
       {75, 113, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ColorAdjuster(&c.ca).is_identity());
    EXPECT_EQ(adjust(c.ca, c.in), c.expected);
  }
}

TEST(ColorAdjustment, OutOfRangeFieldsAreBroughtToTheirLimits) {
  // Gamma 0 would divide by zero and white below black would invert the range.
  COLORADJUSTMENT wild = kDefault;
  wild.caRedGamma = 0;
  wild.caReferenceBlack = 9000;
  wild.caReferenceWhite = 100;
  wild.caContrast = 3000;
  COLORADJUSTMENT limits = kDefault;
  limits.caRedGamma = CA_GAMMA_MIN;
  limits.caReferenceBlack = CA_BLACK_MAX;
  limits.caReferenceWhite = CA_WHITE_MIN;
  limits.caContrast = CA_LEVEL_LIMIT;
  for (int v = 0; v < 256; v += 15) {
    SCOPED_TRACE(v);
    EXPECT_EQ(adjust(wild, {v, v, v}), adjust(limits, {v, v, v}));
  }
}

}  // namespace
