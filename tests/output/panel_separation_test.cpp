// Tone table, response curve, colour correction and the separation passes.
#include "output/panel_separation.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using namespace ymcko;

constexpr std::uint32_t rgb(int r, int g, int b, int mark = 0) {
  return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16 |
         std::uint32_t(mark) << 24;
}

TEST(ResponseCurve, IsTheNearestIntegerOfTheCube) {
  EXPECT_EQ(curtbl[0], 0);
  EXPECT_EQ(curtbl[128], 32);
  EXPECT_EQ(curtbl[255], 255);
  for (unsigned i = 0; i < 256; ++i) {
    // |curtbl[i] - i^3/65025| <= 1/2, with halves going up.
    long long twice_diff = 2LL * curtbl[i] * 65025 - 2LL * i * i * i;
    EXPECT_LE(twice_diff, 65025) << i;
    EXPECT_GT(twice_diff, -65025) << i;
  }
}

TEST(ToneTable, WorkedExamples) {
  struct Case {
    LONG intensity;
    ULONG level;
    int k;
    int tone;
  };
  const Case cases[] = {
      {70, 6, 255, 245}, {70, 6, 128, 123}, {24, 4, 255, 253}, {26, 5, 255, 207},
      {25, 4, 255, 255}, {0, 3, 255, 255},  {1, 4, 255, 207},  {100, 7, 255, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.intensity);
    EXPECT_EQ(intensity_level(c.intensity), c.level);
    EXPECT_EQ(make_tone_table(c.intensity)[c.k], c.tone);
  }
}

TEST(ToneTable, QuarterStepsAreTheIdentityAndInkNeverVanishes) {
  for (LONG v : {0, 25, 50, 75, 100}) {
    ToneTable tone = make_tone_table(v);
    for (int k = 0; k < 256; ++k) ASSERT_EQ(tone[k], k) << "intensity " << v;
  }
  for (LONG v = 0; v <= 100; ++v) {
    ToneTable tone = make_tone_table(v);
    EXPECT_EQ(tone[0], 0);
    for (int k = 1; k < 256; ++k) ASSERT_GE(tone[k], 1) << "intensity " << v << " k " << k;
  }
}

// Whatever the record holds, the level stays 3 to 7 (a D field of two
// digits) and the table that of the nearest end of 0 to 100: ink never
// vanishes for a negative intensity, as it did when -1 gave level 42524432.
TEST(ToneTable, IntensitiesOutsideTheRangeAreTakenAsTheNearestEnd) {
  struct Case {
    LONG intensity;
    LONG taken;
  };
  const Case cases[] = {{101, 100}, {126, 100}, {1000, 100}, {INT_MAX, 100},
                        {-1, 0},    {-100, 0},  {INT_MIN, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.intensity);
    EXPECT_EQ(limit_intensity(c.intensity), c.taken);
    EXPECT_EQ(intensity_level(c.intensity), intensity_level(c.taken));
    EXPECT_EQ(make_tone_table(c.intensity), make_tone_table(c.taken));
  }
}

TEST(ColorCorrection, WorkedExamples) {
  const ColorAdjust none{0, 0, 0, 0};
  struct Case {
    const char* name;
    std::uint32_t in;
    ColorAdjust adjust;
    std::uint32_t out;
  };
  const Case cases[] = {
      {"grey", rgb(128, 128, 128, 0x55), none, rgb(152, 149, 137)},
      {"pure red", rgb(255, 0, 0), none, rgb(255, 28, 36)},
      {"near white", rgb(254, 254, 254), none, rgb(255, 255, 255)},
      {"red without chroma", rgb(255, 0, 0), {0, 0, 0, -50}, rgb(97, 97, 97)},
      {"white keeps its mark", rgb(255, 255, 255, 0xFF), none, rgb(255, 255, 255, 0xFF)},
      {"black keeps its mark", rgb(0, 0, 0, 0x12), none, rgb(0, 0, 0, 0x12)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(correct_pixel(c.in, c.adjust), c.out);
  }
}

TEST(ColorCorrection, NegativeAmountsGiveNoInkAndHugeGainsCannotOverflow) {
  // A cyan gain far below zero: the corrected cyan amount is 0 (no ink), so
  // red stays full instead of turning into full cyan ink.
  std::uint32_t out = correct_pixel(rgb(0, 255, 255), {-1000, 0, 0, 0});
  EXPECT_EQ(out & 0xFF, 255u);
  out = correct_pixel(rgb(100, 100, 100), {INT_MIN, INT_MIN, INT_MIN, 0});
  EXPECT_EQ(out & 0xFFFFFF, rgb(255, 255, 255));
  out = correct_pixel(rgb(100, 100, 100), {INT_MAX, INT_MAX, INT_MAX, 0});
  EXPECT_EQ(out & 0xFFFFFF, rgb(0, 0, 0));
  out = correct_pixel(rgb(10, 200, 30), {0, 0, 0, INT_MAX});  // chroma limited, no UB
  EXPECT_EQ(out >> 24, 0u);
}

// A portrait page of one colour with a few pixels set.
struct Page {
  std::vector<std::uint32_t> pixels;
  bool landscape = false;
  explicit Page(std::uint32_t fill = 0xFFFFFFFF) : pixels(PANEL_BYTES, fill) {}
  PageBitmap bitmap() { return {pixels.data(), landscape}; }
};

TEST(Separation, EmptyPageGivesEmptyPanels) {
  Page page;
  std::vector<BYTE> panel(PANEL_BYTES);
  ToneTable tone = make_tone_table(70);
  PrintRect rect{0, 0, 656, 1024};
  for (Pass pass :
       {Pass::yellow, Pass::magenta, Pass::cyan, Pass::black_pure, Pass::black_from_mark}) {
    EXPECT_FALSE(separate(pass, page.bitmap(), rect, tone, true, panel).has_value());
  }
}

TEST(Separation, InkExtentLeavesOutLeadingAndTrailingBlankLines) {
  struct Case {
    const char* name;
    std::vector<ULONG> inked_lines;
    ULONG first;
    ULONG end;
  };
  const Case cases[] = {
      {"single line", {5}, 5, 6},
      {"last line inked", {1023}, 1023, 1024},
      {"blank lines between are kept", {3, 900}, 3, 901},
      {"first line", {0, 1}, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page;
    for (ULONG line : c.inked_lines) page.pixels[line * 656 + 17] = rgb(0, 0, 0);
    std::vector<BYTE> panel(PANEL_BYTES);
    auto extent = separate(Pass::black_pure, page.bitmap(), {0, 0, 656, 1024}, make_tone_table(70),
                           false, panel);
    ASSERT_TRUE(extent.has_value());
    EXPECT_EQ(extent->first, c.first);
    EXPECT_EQ(extent->end, c.end);
    EXPECT_EQ(panel[c.first * 656 + 17], 255);
  }
}

TEST(Separation, ExtractionMovesPureBlackToTheBlackPanel) {
  Page page;
  page.pixels[0] = rgb(0, 0, 0);
  page.pixels[1] = rgb(0, 0, 10);
  std::vector<BYTE> panel(PANEL_BYTES);
  ToneTable tone = make_tone_table(70);
  PrintRect rect{0, 0, 656, 1024};

  separate(Pass::yellow, page.bitmap(), rect, tone, true, panel);
  EXPECT_EQ(panel[0], 0);  // became white
  EXPECT_EQ(panel[1], tone[245]);
  EXPECT_EQ(page.pixels[0], rgb(255, 255, 255, 0));
  EXPECT_EQ(page.pixels[1], rgb(0, 0, 10, 0xFF));
  for (Pass pass : {Pass::magenta, Pass::cyan}) {
    separate(pass, page.bitmap(), rect, tone, false, panel);
    EXPECT_EQ(panel[0], 0);
  }
  separate(Pass::black_from_mark, page.bitmap(), rect, tone, false, panel);
  EXPECT_EQ(panel[0], 255);
  EXPECT_EQ(panel[1], 0);
  EXPECT_EQ(panel[2], 0);  // white, marked by the reset fill

  // Without extraction pure black takes full ink in the colour panels.
  Page plain;
  plain.pixels[0] = rgb(0, 0, 0);
  separate(Pass::yellow, plain.bitmap(), rect, tone, false, panel);
  EXPECT_EQ(panel[0], tone[255]);
}

TEST(Separation, LandscapePageIsTurnedAQuarterClockwise) {
  // A dot at page column 10, row 20 from the upper edge of a landscape page,
  // stored lower row first.
  for (PrintRect rect : {PrintRect{0, 0, 656, 1024}, PrintRect{30, 4, 626, 1020}}) {
    SCOPED_TRACE(rect.x);
    Page page;
    page.landscape = true;
    page.pixels[(655 - 20) * 1024 + 10] = rgb(0, 0, 0);
    std::vector<BYTE> panel(PANEL_BYTES);
    auto extent =
        separate(Pass::black_pure, page.bitmap(), rect, make_tone_table(70), false, panel);
    ASSERT_TRUE(extent.has_value());
    EXPECT_EQ(extent->first, 10 - rect.y);
    EXPECT_EQ(extent->end, 11 - rect.y);
    EXPECT_EQ(panel[(10 - rect.y) * rect.cx + 635 - rect.x], 255);
  }
}

TEST(PrintRectangle, IsClippedToThePanel) {
  struct Case {
    WORD x, y, cx, cy;
    PrintRect expected;
  };
  const Case cases[] = {
      {0, 0, 656, 1024, {0, 0, 656, 1024}},
      {600, 0, 656, 1024, {600, 0, 56, 1024}},
      {0, 1000, 656, 1024, {0, 1000, 656, 24}},
      {700, 2000, 10, 10, {656, 1024, 0, 0}},
      {65535, 65535, 65535, 65535, {656, 1024, 0, 0}},
  };
  for (const auto& c : cases) {
    DRVPRIVATE settings{};
    settings.xPrint = c.x;
    settings.yPrint = c.y;
    settings.cxPrint = c.cx;
    settings.cyPrint = c.cy;
    PrintRect r = clip_print_rect(settings);
    EXPECT_EQ(r.x, c.expected.x);
    EXPECT_EQ(r.y, c.expected.y);
    EXPECT_EQ(r.cx, c.expected.cx);
    EXPECT_EQ(r.cy, c.expected.cy);
  }
}

}  // namespace
