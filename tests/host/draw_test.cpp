// The host's drawing entry: hooked transfers reach the driver's entry points by engine index,
// others the engine.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/objects.h"
#include "host/draw.h"
#include "host/host_printer.h"
#include "support/bitmaps.h"
#include "support/test_support.h"

namespace host = ymcko::host;

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;
using ymcko::testing::rgb;
using ymcko::testing::TestBitmap;

// A driver that notes each call and passes it on, as a driver's hooks do.
int g_stretch_calls = 0;
int g_bitblt_calls = 0;

BOOL NotingStretchBlt(SURFOBJ* d, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* c, XLATEOBJ* x,
                      COLORADJUSTMENT* ca, POINTL* o, RECTL* rd, RECTL* rs, POINTL* pm,
                      ULONG mode) {
  ++g_stretch_calls;
  return EngStretchBlt(d, s, m, c, x, ca, o, rd, rs, pm, mode);
}

BOOL NotingBitBlt(SURFOBJ* t, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* c, XLATEOBJ* x, RECTL* r, POINTL* ps,
                  POINTL* pm, BRUSHOBJ* b, POINTL* pb, ROP4 rop) {
  ++g_bitblt_calls;
  return EngBitBlt(t, s, m, c, x, r, ps, pm, b, pb, rop);
}

const DRVFN kTable[] = {
    {INDEX_DrvBitBlt, reinterpret_cast<PFN>(NotingBitBlt)},
    {INDEX_DrvStretchBlt, reinterpret_cast<PFN>(NotingStretchBlt)},
};

class HostDrawing : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_stretch_calls = g_bitblt_calls = 0;
  }
};

TEST_F(HostDrawing, HookedTransfersGoThroughTheDriver) {
  struct Case {
    const char* name;
    FLONG hooks;
    bool device;
    int stretches;
    int bitblts;
  };
  const Case cases[] = {
      {"both hooked", HOOK_BITBLT | HOOK_STRETCHBLT, true, 1, 1},
      {"stretches hooked", HOOK_STRETCHBLT, true, 1, 0},
      {"transfers hooked", HOOK_BITBLT, true, 0, 1},
      {"nothing hooked", 0, true, 0, 0},
      {"not associated", HOOK_BITBLT | HOOK_STRETCHBLT, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_stretch_calls = g_bitblt_calls = 0;
    engine::HostDevice device{std::span<const DRVFN>(kTable)};
    TestBitmap page(4, 4, BMF_32BPP, false, 0xEE);
    TestBitmap picture(2, 2, BMF_24BPP);
    picture.set(0, 0, rgb(1, 2, 3));
    if (c.device) {
      ASSERT_TRUE(EngAssociateSurface(page.handle(), device.handle(), c.hooks));
    }

    RECTL whole{0, 0, 4, 4}, from{0, 0, 1, 1};
    ASSERT_TRUE(host::draw_stretch(page.surface(), picture.surface(), nullptr, nullptr, nullptr,
                                   nullptr, nullptr, &whole, &from, nullptr, HALFTONE));
    EXPECT_EQ(page.at(3, 3), rgb(1, 2, 3));
    RECTL corner{0, 0, 1, 1};
    ASSERT_TRUE(host::draw_bitblt(page.surface(), nullptr, nullptr, nullptr, nullptr, &corner,
                                  nullptr, nullptr, nullptr, nullptr, ROP4_WHITENESS));
    EXPECT_EQ(page.at(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(g_stretch_calls, c.stretches);
    EXPECT_EQ(g_bitblt_calls, c.bitblts);
  }
}

TEST_F(HostDrawing, ADeviceGoneFallsBackToTheEngine) {
  TestBitmap page(2, 2);
  {
    engine::HostDevice device{std::span<const DRVFN>(kTable)};
    ASSERT_TRUE(EngAssociateSurface(page.handle(), device.handle(), HOOK_BITBLT));
  }
  RECTL rect{0, 0, 2, 2};
  EXPECT_TRUE(host::draw_bitblt(page.surface(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr,
                                nullptr, nullptr, nullptr, ROP4_WHITENESS));
  EXPECT_EQ(g_bitblt_calls, 0);
}

}  // namespace
