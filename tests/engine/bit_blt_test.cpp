// The engine's bit-block transfer: copies and fills, clipping at every edge, either scan-line
// order.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/engine.h"
#include "support/bitmaps.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::EngineTest;
using ymcko::testing::rgb;
using ymcko::testing::TestBitmap;

class EngineBitBlt : public EngineTest {};

// A colour unique to each position, in RGB.
std::uint32_t pattern(LONG x, LONG y) { return rgb(10 + x, 100 + y, 200 - x - y); }

void paint(TestBitmap& bitmap) {
  for (LONG y = 0; y < bitmap.height(); ++y) {
    for (LONG x = 0; x < bitmap.width(); ++x) bitmap.set(x, y, pattern(x, y));
  }
}

TEST_F(EngineBitBlt, CopiesBetweenEveryFormatAndOrder) {
  struct Case {
    const char* name;
    ULONG source_format;
    bool source_top_down;
    bool target_top_down;
  };
  const Case cases[] = {
      {"32 top-down to top-down", BMF_32BPP, true, true},
      {"32 bottom-up to top-down", BMF_32BPP, false, true},
      {"32 top-down to bottom-up", BMF_32BPP, true, false},
      {"24 bottom-up to bottom-up", BMF_24BPP, false, false},
      {"24 top-down to top-down", BMF_24BPP, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(7, 5, c.source_format, c.source_top_down);
    paint(source);
    TestBitmap target(9, 6, BMF_32BPP, c.target_top_down, 0xEE);
    RECTL rect{2, 1, 6, 4};
    POINTL from{3, 2};
    ASSERT_TRUE(EngBitBlt(target.surface(), source.surface(), nullptr, nullptr, nullptr, &rect,
                          &from, nullptr, nullptr, nullptr, ROP4_SRCCOPY));
    for (LONG y = 0; y < 6; ++y) {
      for (LONG x = 0; x < 9; ++x) {
        const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
        const std::uint32_t expected = inside ? pattern(x + 1, y + 1) : 0xEEEEEEEE;
        ASSERT_EQ(target.at(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST_F(EngineBitBlt, FillsWithinTheClip) {
  BRUSHOBJ brush{rgb(1, 2, 3), nullptr, 0};
  struct Case {
    const char* name;
    ROP4 rop;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"white", ROP4_WHITENESS, rgb(255, 255, 255)},
      {"black", ROP4_BLACKNESS, rgb(0, 0, 0)},
      {"solid brush", ROP4_PATCOPY, rgb(1, 2, 3)},
      {"inverted destination", ROP4_DSTINVERT, rgb(0xAA, 0xAA, 0xAA)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap target(6, 6, BMF_32BPP, false, 0x55);
    RECTL rect{0, 0, 6, 6};
    CLIPOBJ clip{};
    clip.iDComplexity = DC_RECT;
    clip.rclBounds = {1, 2, 4, 5};
    ASSERT_TRUE(EngBitBlt(target.surface(), nullptr, nullptr, &clip, nullptr, &rect, nullptr,
                          nullptr, &brush, nullptr, c.rop));
    for (LONG y = 0; y < 6; ++y) {
      for (LONG x = 0; x < 6; ++x) {
        const bool inside = x >= 1 && x < 4 && y >= 2 && y < 5;
        ASSERT_EQ(target.at(x, y), inside ? c.expected : 0x55555555u) << x << "," << y;
      }
    }
  }
}

// Rectangles and source points that reach past either bitmap draw only
// what both hold; the sanitizer build catches any access outside them.
TEST_F(EngineBitBlt, ClipsToBothBitmapsAtEveryEdge) {
  struct Case {
    const char* name;
    RECTL rect;
    POINTL from;
    RECTL drawn;  // expected drawn area of the 8 x 8 target
  };
  const Case cases[] = {
      {"target past the left and upper edges", {-3, -2, 3, 4}, {0, 0}, {0, 0, 3, 4}},
      {"target past the right and lower edges", {5, 6, 12, 11}, {0, 0}, {5, 6, 8, 8}},
      {"source point before the source", {2, 2, 6, 6}, {-2, -1}, {4, 3, 6, 6}},
      {"source runs out on the right and below", {0, 0, 8, 8}, {2, 3}, {0, 0, 4, 3}},
      {"wholly outside", {20, 20, 30, 30}, {0, 0}, {0, 0, 0, 0}},
      {"inverted rectangle", {6, 6, 2, 2}, {0, 0}, {0, 0, 0, 0}},
      {"extreme coordinates",
       {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
       {INT32_MIN, INT32_MIN},
       {0, 0, 6, 6}},
      {"source point far away", {0, 0, 8, 8}, {INT32_MAX, INT32_MIN}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap source(6, 6, BMF_24BPP, false);
    paint(source);
    TestBitmap target(8, 8, BMF_32BPP, true, 0xEE);
    RECTL rect = c.rect;
    POINTL from = c.from;
    ASSERT_TRUE(EngBitBlt(target.surface(), source.surface(), nullptr, nullptr, nullptr, &rect,
                          &from, nullptr, nullptr, nullptr, ROP4_SRCCOPY));
    const std::int64_t dx = std::int64_t{from.x} - rect.left, dy = std::int64_t{from.y} - rect.top;
    for (LONG y = 0; y < 8; ++y) {
      for (LONG x = 0; x < 8; ++x) {
        const bool inside =
            x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
        const std::uint32_t expected = inside ? pattern(LONG(x + dx), LONG(y + dy)) : 0xEEEEEEEEu;
        ASSERT_EQ(target.at(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST_F(EngineBitBlt, OverlappingCopyWithinOneBitmapReadsBeforeWriting) {
  struct Case {
    const char* name;
    RECTL rect;
    POINTL from;
  };
  const Case cases[] = {
      {"down", {1, 2, 5, 7}, {1, 0}},
      {"up", {1, 0, 5, 5}, {1, 2}},
      {"right", {2, 1, 8, 4}, {0, 1}},
      {"left", {0, 1, 6, 4}, {2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestBitmap page(8, 8, BMF_32BPP, false);
    paint(page);
    RECTL rect = c.rect;
    POINTL from = c.from;
    ASSERT_TRUE(EngBitBlt(page.surface(), page.surface(), nullptr, nullptr, nullptr, &rect, &from,
                          nullptr, nullptr, nullptr, ROP4_SRCCOPY));
    for (LONG y = rect.top; y < rect.bottom; ++y) {
      for (LONG x = rect.left; x < rect.right; ++x) {
        ASSERT_EQ(page.at(x, y), pattern(x + from.x - rect.left, y + from.y - rect.top))
            << x << "," << y;
      }
    }
  }
}

TEST_F(EngineBitBlt, TranslatesBgrSourcesAndClearsTheMarkByte) {
  TestBitmap source(1, 1, BMF_32BPP);
  source.set(0, 0, 0xFF030201);  // blue 1, green 2, red 3 in a BGR picture, byte 3 set
  TestBitmap target(1, 1);
  XLATEOBJ xlate{0, 0, PAL_BGR, PAL_RGB, 0, nullptr};
  RECTL rect{0, 0, 1, 1};
  POINTL from{0, 0};
  ASSERT_TRUE(EngBitBlt(target.surface(), source.surface(), nullptr, nullptr, &xlate, &rect, &from,
                        nullptr, nullptr, nullptr, ROP4_SRCCOPY));
  EXPECT_EQ(target.at(0, 0), rgb(3, 2, 1, 0));
}

TEST_F(EngineBitBlt, RefusesWhatItCannotDraw) {
  TestBitmap page(4, 4, BMF_32BPP, true, 0x11);
  TestBitmap picture(4, 4, BMF_24BPP);
  RECTL rect{0, 0, 4, 4};
  POINTL from{0, 0};
  BRUSHOBJ pattern_brush{BRUSHOBJ_PATTERN, nullptr, 0};
  CLIPOBJ region{};
  region.iDComplexity = DC_COMPLEX;
  XLATEOBJ indexed{0, 0, USHORT(PAL_INDEXED), USHORT(PAL_RGB), 0, nullptr};
  struct Case {
    const char* name;
    SURFOBJ* target;
    SURFOBJ* source;
    CLIPOBJ* clip;
    XLATEOBJ* xlate;
    RECTL* rect;
    POINTL* from;
    BRUSHOBJ* brush;
    ROP4 rop;
  };
  const Case cases[] = {
      {"no target", nullptr, picture.surface(), nullptr, nullptr, &rect, &from, nullptr,
       ROP4_SRCCOPY},
      {"24-bpp target", picture.surface(), page.surface(), nullptr, nullptr, &rect, &from, nullptr,
       ROP4_SRCCOPY},
      {"no rectangle", page.surface(), picture.surface(), nullptr, nullptr, nullptr, &from, nullptr,
       ROP4_SRCCOPY},
      {"copy without source", page.surface(), nullptr, nullptr, nullptr, &rect, &from, nullptr,
       ROP4_SRCCOPY},
      {"copy without source point", page.surface(), picture.surface(), nullptr, nullptr, &rect,
       nullptr, nullptr, ROP4_SRCCOPY},
      {"brush fill without brush", page.surface(), nullptr, nullptr, nullptr, &rect, nullptr,
       nullptr, ROP4_PATCOPY},
      {"pattern brush", page.surface(), nullptr, nullptr, nullptr, &rect, nullptr, &pattern_brush,
       ROP4_PATCOPY},
      {"operation needing a mask", page.surface(), picture.surface(), nullptr, nullptr, &rect,
       &from, nullptr, 0xAACC},
      {"region clip", page.surface(), nullptr, &region, nullptr, &rect, nullptr, nullptr,
       ROP4_WHITENESS},
      {"indexed translation", page.surface(), picture.surface(), nullptr, &indexed, &rect, &from,
       nullptr, ROP4_SRCCOPY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(EngBitBlt(c.target, c.source, nullptr, c.clip, c.xlate, c.rect, c.from, nullptr,
                           c.brush, nullptr, c.rop));
  }
  EXPECT_EQ(page.memory(), std::vector<BYTE>(64, 0x11));
}

}  // namespace
