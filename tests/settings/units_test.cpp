// PSREAL conversions to pixels and micrometres and back.
#include "settings/units.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr LONG kMax = std::numeric_limits<LONG>::max();
constexpr LONG kMin = std::numeric_limits<LONG>::min();

TEST(Units, PixelsAtAResolution) {
  const struct {
    PSREAL value;
    LONG dpi;
    LONG pixels;
  } cases[] = {
      {40305, 300, 656}, {62915, 300, 1024},  {62976, 300, 1025}, {61, 300, 0},
      {-61, 300, 0},     {-40305, 300, -656}, {0, 300, 0},        {40305, 0, 0},
      {18432, 600, 600}, {kMax, kMax, kMax},  {kMin, kMax, kMin}, {kMax, -1, -116508},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " at " << c.dpi);
    EXPECT_EQ(PSRealToPixel(c.value, c.dpi), c.pixels);
  }
}

TEST(Units, MicrometresBothWays) {
  const struct {
    PSREAL value;
    LONG microns;
  } to_microns[] = {
      {40305, 55541},   {62915, 86699}, {18432, 25400}, {0, 0},
      {-40305, -55541}, {kMax, kMax},   {kMin, kMin},
  };
  for (const auto& c : to_microns) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(PSRealToMicron(c.value), c.microns);
  }
  const struct {
    LONG microns;
    PSREAL value;
  } to_psreal[] = {
      {25400, 18432},     {1000, 725},         {0, 0}, {-1000, -725}, {1, 0},
      {85600, 62117},  // the card's long edge
      {kMax, 1558362936}, {kMin, -1558362937},
  };
  for (const auto& c : to_psreal) {
    SCOPED_TRACE(c.microns);
    EXPECT_EQ(MicronToPSReal(c.microns), c.value);
  }
}

}  // namespace
