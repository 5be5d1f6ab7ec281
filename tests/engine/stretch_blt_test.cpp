// The engine's stretched transfer: exact same-size copies, area averaging, interpolation,
// orientation and clipping.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "support/bitmaps.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;
using ymcko::testing::rgb;
using ymcko::testing::TestBitmap;

constexpr COLORADJUSTMENT kDefaultAdjustment = {24, 0,     0, 10000, 10000, 10000,
                                                0,  10000, 0, 0,     0,     0};
constexpr std::uint32_t kUntouched = 0xEEEEEEEE;

class EngineStretchBlt : public EngineTest {};

BOOL stretch(TestBitmap& target, TestBitmap& source, RECTL to, RECTL from, ULONG mode = HALFTONE,
             const COLORADJUSTMENT* adjustment = &kDefaultAdjustment, CLIPOBJ* clip = nullptr) {
  COLORADJUSTMENT ca = adjustment ? *adjustment : COLORADJUSTMENT{};
  return EngStretchBlt(target.surface(), source.surface(), nullptr, clip, nullptr,
                       adjustment ? &ca : nullptr, nullptr, &to, &from, nullptr, mode);
}

void fill_random(TestBitmap& bitmap, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (LONG y = 0; y < bitmap.height(); ++y) {
    for (LONG x = 0; x < bitmap.width(); ++x) bitmap.set(x, y, std::uint32_t(random()));
  }
}

TEST_F(EngineStretchBlt, SameSizeCopiesPixelForPixel) {
  struct Case {
    const char* name;
    ULONG source_format;
    bool source_top_down;
    bool target_top_down;
    ULONG mode;
    bool null_adjustment;
  };
  const Case cases[] = {
      {"32 bpp, halftone", BMF_32BPP, true, true, HALFTONE, false},
      {"32 bpp bottom-up into top-down", BMF_32BPP, false, true, HALFTONE, false},
      {"24 bpp into bottom-up", BMF_24BPP, true, false, HALFTONE, false},
      {"24 bpp bottom-up both", BMF_24BPP, false, false, HALFTONE, true},
      {"colour on colour", BMF_32BPP, true, false, COLORONCOLOR, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(37, 23, c.source_format, c.source_top_down);
    fill_random(source, 7);
    TestBitmap target(37, 23, BMF_32BPP, c.target_top_down, 0xEE);
    ASSERT_TRUE(stretch(target, source, {0, 0, 37, 23}, {0, 0, 37, 23}, c.mode,
                        c.null_adjustment ? nullptr : &kDefaultAdjustment));
    for (LONG y = 0; y < 23; ++y) {
      for (LONG x = 0; x < 37; ++x) {
        ASSERT_EQ(target.at(x, y), source.at(x, y) & 0x00FFFFFF) << x << "," << y;
      }
    }
  }
}

TEST_F(EngineStretchBlt, HalvingAveragesEachTwoByTwoBlock) {
  TestBitmap source(16, 10, BMF_24BPP, false);
  fill_random(source, 11);
  TestBitmap target(8, 5, BMF_32BPP, true, 0xEE);
  ASSERT_TRUE(stretch(target, source, {0, 0, 8, 5}, {0, 0, 16, 10}));
  for (LONG y = 0; y < 5; ++y) {
    for (LONG x = 0; x < 8; ++x) {
      std::uint32_t expected = 0;
      for (int channel = 0; channel < 3; ++channel) {
        std::uint32_t sum = 0;
        for (LONG dy = 0; dy < 2; ++dy) {
          for (LONG dx = 0; dx < 2; ++dx)
            sum += source.at(2 * x + dx, 2 * y + dy) >> (8 * channel) & 0xFF;
        }
        expected |= (sum + 2) / 4 << (8 * channel);  // rounded half up
      }
      ASSERT_EQ(target.at(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(EngineStretchBlt, WeightsFollowTheCoveredArea) {
  struct Case {
    const char* name;
    std::vector<BYTE> source;  // one grey row
    LONG width;
    std::vector<BYTE> expected;
  };
  const Case cases[] = {
      // Each target pixel covers one and a half source pixels.
      {"three into two", {0, 255, 0}, 2, {85, 85}},
      {"five into two", {255, 255, 0, 0, 0}, 2, {204, 0}},
      // Enlarging interpolates between the nearest source centres and
      // repeats the edge pixels.
      {"two into four", {0, 255}, 4, {0, 64, 191, 255}},
      {"one into three", {77}, 3, {77, 77, 77}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(LONG(c.source.size()), 1);
    for (LONG x = 0; x < source.width(); ++x)
      source.set(x, 0, rgb(c.source[x], c.source[x], c.source[x]));
    TestBitmap target(c.width, 1);
    ASSERT_TRUE(stretch(target, source, {0, 0, c.width, 1}, {0, 0, source.width(), 1}));
    for (LONG x = 0; x < c.width; ++x) {
      const BYTE v = c.expected[x];
      EXPECT_EQ(target.at(x, 0), rgb(v, v, v)) << x;
    }
  }
}

TEST_F(EngineStretchBlt, ReducingFineDetailGivesItsAverageNotBlocks) {
  // A one-pixel checkerboard reduced by an uneven factor: nearest-neighbour
  // picks pure black or white, area averaging a middle grey everywhere.
  TestBitmap source(100, 100, BMF_24BPP);
  for (LONG y = 0; y < 100; ++y) {
    for (LONG x = 0; x < 100; ++x) source.set(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
  }
  TestBitmap target(30, 30);
  ASSERT_TRUE(stretch(target, source, {0, 0, 30, 30}, {0, 0, 100, 100}));
  for (LONG y = 0; y < 30; ++y) {
    for (LONG x = 0; x < 30; ++x) {
      const std::uint32_t red = target.at(x, y) & 0xFF;
      ASSERT_GE(red, 105u) << x << "," << y;
      ASSERT_LE(red, 150u) << x << "," << y;
    }
  }
  TestBitmap blocky(30, 30);
  ASSERT_TRUE(stretch(blocky, source, {0, 0, 30, 30}, {0, 0, 100, 100}, COLORONCOLOR));
  EXPECT_TRUE((blocky.at(0, 0) & 0xFF) == 0 || (blocky.at(0, 0) & 0xFF) == 255);
}

TEST_F(EngineStretchBlt, PictureTopRowLandsAtThePageUpperEdgeInABottomUpBitmap) {
  TestBitmap picture(2, 2, BMF_24BPP, true);
  picture.set(0, 0, rgb(255, 0, 0));
  picture.set(1, 0, rgb(255, 0, 0));
  picture.set(0, 1, rgb(0, 0, 255));
  picture.set(1, 1, rgb(0, 0, 255));
  TestBitmap page(4, 4, BMF_32BPP, false, 0xEE);
  ASSERT_TRUE(stretch(page, picture, {0, 0, 4, 4}, {0, 0, 2, 2}));
  // Stored lower edge first: the page's upper row is the last in memory.
  const std::vector<BYTE>& memory = page.memory();
  const std::vector<BYTE> red(memory.end() - 16, memory.end());
  const std::vector<BYTE> blue(memory.begin(), memory.begin() + 16);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(red[4 * x], 255);
    EXPECT_EQ(red[4 * x + 2], 0);
    EXPECT_EQ(blue[4 * x], 0);
    EXPECT_EQ(blue[4 * x + 2], 255);
  }
}

TEST_F(EngineStretchBlt, ReversedRectanglesMirror) {
  struct Case {
    const char* name;
    RECTL to;
    RECTL from;
    bool mirrored_x;
    bool mirrored_y;
  };
  const Case cases[] = {
      {"target reversed left-right", {3, 0, 0, 2}, {0, 0, 3, 2}, true, false},
      {"source reversed top-bottom", {0, 0, 3, 2}, {0, 2, 3, 0}, false, true},
      {"both reversed on one axis", {3, 0, 0, 2}, {3, 0, 0, 2}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(3, 2);
    fill_random(source, 3);
    TestBitmap target(3, 2);
    ASSERT_TRUE(stretch(target, source, c.to, c.from));
    for (LONG y = 0; y < 2; ++y) {
      for (LONG x = 0; x < 3; ++x) {
        const LONG sx = c.mirrored_x ? 2 - x : x, sy = c.mirrored_y ? 1 - y : y;
        ASSERT_EQ(target.at(x, y), source.at(sx, sy) & 0xFFFFFF) << x << "," << y;
      }
    }
  }
}

// Same-size transfers whose rectangles reach past the bitmaps or the clip:
// exactly the pixels both bitmaps hold are copied; the sanitizer build
// catches any access outside them.
TEST_F(EngineStretchBlt, ClipsAtEveryEdge) {
  struct Case {
    const char* name;
    RECTL to;
    RECTL from;
    RECTL clip;  // all zero: none
    RECTL drawn;
  };
  const Case cases[] = {
      {"past the target's left and upper edges", {-2, -3, 4, 3}, {0, 0, 6, 6}, {}, {0, 0, 4, 3}},
      {"past the target's right and lower edges", {5, 4, 11, 10}, {0, 0, 6, 6}, {}, {5, 4, 8, 8}},
      {"clip rectangle", {0, 0, 6, 6}, {0, 0, 6, 6}, {1, 2, 3, 8}, {1, 2, 3, 6}},
      {"source before the source bitmap", {0, 0, 6, 6}, {-2, -1, 4, 5}, {}, {2, 1, 6, 6}},
      {"source past the source bitmap", {2, 2, 8, 8}, {3, 4, 9, 10}, {}, {2, 2, 5, 4}},
      {"wholly outside", {9, 9, 15, 15}, {0, 0, 6, 6}, {}, {0, 0, 0, 0}},
      {"empty source", {0, 0, 6, 6}, {2, 2, 2, 6}, {}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(6, 6, BMF_24BPP, false);
    fill_random(source, 5);
    TestBitmap target(8, 8, BMF_32BPP, true, 0xEE);
    CLIPOBJ clip{};
    clip.iDComplexity = DC_RECT;
    clip.rclBounds = c.clip;
    const bool clipped = c.clip.right != 0;
    ASSERT_TRUE(stretch(target, source, c.to, c.from, HALFTONE, &kDefaultAdjustment,
                        clipped ? &clip : nullptr));
    for (LONG y = 0; y < 8; ++y) {
      for (LONG x = 0; x < 8; ++x) {
        const bool inside =
            x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
        const std::uint32_t expected =
            inside ? source.at(x - c.to.left + c.from.left, y - c.to.top + c.from.top) : kUntouched;
        ASSERT_EQ(target.at(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST_F(EngineStretchBlt, ScaledSourcePastItsBitmapDrawsOnlyWhatLiesOnIt) {
  // 16 x 16 source positions halved onto 8 x 8, of which the 8 x 8 bitmap
  // holds positions 4 to 11: target pixels 2 to 5 each average a block.
  TestBitmap source(8, 8);
  for (LONG y = 0; y < 8; ++y) {
    for (LONG x = 0; x < 8; ++x) source.set(x, y, rgb(x * 30, y * 30, 9));
  }
  TestBitmap target(8, 8, BMF_32BPP, false, 0xEE);
  ASSERT_TRUE(stretch(target, source, {0, 0, 8, 8}, {-4, -4, 12, 12}));
  for (LONG y = 0; y < 8; ++y) {
    for (LONG x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      const LONG sx = 2 * x - 4, sy = 2 * y - 4;
      const std::uint32_t expected = inside ? rgb(sx * 30 + 15, sy * 30 + 15, 9) : kUntouched;
      ASSERT_EQ(target.at(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(EngineStretchBlt, AdjustsColoursOnlyWhenHalftoning) {
  const COLORADJUSTMENT negative = {24, 0x1, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
  TestBitmap source(1, 1);
  source.set(0, 0, rgb(10, 20, 30));
  TestBitmap halftoned(1, 1), plain(1, 1);
  ASSERT_TRUE(stretch(halftoned, source, {0, 0, 1, 1}, {0, 0, 1, 1}, HALFTONE, &negative));
  ASSERT_TRUE(stretch(plain, source, {0, 0, 1, 1}, {0, 0, 1, 1}, COLORONCOLOR, &negative));
  EXPECT_EQ(halftoned.at(0, 0), rgb(245, 235, 225));
  EXPECT_EQ(plain.at(0, 0), rgb(10, 20, 30));
}

TEST_F(EngineStretchBlt, RefusesWhatItCannotDraw) {
  TestBitmap page(4, 4, BMF_32BPP, true, 0x11);
  TestBitmap picture(4, 4, BMF_24BPP);
  CLIPOBJ region{};
  region.iDComplexity = DC_COMPLEX;
  XLATEOBJ indexed{0, 0, USHORT(PAL_INDEXED), USHORT(PAL_RGB), 0, nullptr};
  RECTL to{0, 0, 4, 4}, from{0, 0, 4, 4};
  RECTL huge{INT32_MIN, 0, INT32_MAX, 4};
  struct Case {
    const char* name;
    SURFOBJ* target;
    SURFOBJ* source;
    SURFOBJ* mask;
    CLIPOBJ* clip;
    XLATEOBJ* xlate;
    RECTL* to;
    RECTL* from;
    ULONG mode;
  };
  const Case cases[] = {
      {"24-bpp target", picture.surface(), page.surface(), nullptr, nullptr, nullptr, &to, &from,
       HALFTONE},
      {"no source", page.surface(), nullptr, nullptr, nullptr, nullptr, &to, &from, HALFTONE},
      {"a mask", page.surface(), picture.surface(), picture.surface(), nullptr, nullptr, &to, &from,
       HALFTONE},
      {"region clip", page.surface(), picture.surface(), nullptr, &region, nullptr, &to, &from,
       HALFTONE},
      {"indexed translation", page.surface(), picture.surface(), nullptr, nullptr, &indexed, &to,
       &from, HALFTONE},
      {"no target rectangle", page.surface(), picture.surface(), nullptr, nullptr, nullptr, nullptr,
       &from, HALFTONE},
      {"no source rectangle", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &to,
       nullptr, HALFTONE},
      {"mode 0", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &to, &from, 0},
      {"mode 5", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &to, &from, 5},
      {"target side over 2^30", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &huge,
       &from, HALFTONE},
      {"source side over 2^30", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &to,
       &huge, HALFTONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(EngStretchBlt(c.target, c.source, c.mask, c.clip, c.xlate, nullptr, nullptr, c.to,
                               c.from, nullptr, c.mode));
  }
  engine::fail_allocations_with_tag(ENGINE_STRETCH_TAG);
  EXPECT_FALSE(stretch(page, picture, to, from));
  EXPECT_EQ(page.memory(), std::vector<BYTE>(64, 0x11));
}

}  // namespace
