// The page bitmap: its shape per form, white fill, colour table, teardown, failures, and the hooked
// transfers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "engine/objects.h"
#include "host/draw.h"
#include "host/host_printer.h"
#include "support/bitmaps.h"
#include "support/instance.h"
#include "support/test_support.h"

namespace host = ymcko::host;

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;
using ymcko::testing::HandBuiltInstance;
using ymcko::testing::rgb;
using ymcko::testing::TestBitmap;

constexpr ULONG kPageTag = make_pool_tag("vynD");
constexpr ULONG kPageBytes = 2686976;

// A hand-built instance completed as the engine would leave it before
// DrvEnableSurface: a colour-mode COLORSETUP in its pool, and a host device
// that holds the driver's table and knows the instance.
class DrawingSurface : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    setup_ = static_cast<COLORSETUP*>(HEAPALLOC(pdev()->hHeap, sizeof(COLORSETUP)));
    ASSERT_NE(setup_, nullptr);
    std::memset(setup_, 0, sizeof(COLORSETUP));
    setup_->cDepth = 8;
    setup_->cPlanes = 2;
    setup_->iIndex = 1;
    pdev()->pColorSetup = setup_;
    device_.set_instance(dhpdev());
    pdev()->hdev = device_.handle();
  }
  void TearDown() override {
    DrvDisableSurface(dhpdev());
    HEAPFREE(pdev()->hHeap, setup_);
    EngineTest::TearDown();
  }

  PDEV* pdev() { return instance_.pdev(); }
  DHPDEV dhpdev() { return reinterpret_cast<DHPDEV>(instance_.pdev()); }
  SURFOBJ* page() { return EngLockSurface(pdev()->hSurface); }
  BYTE* bits() { return static_cast<BYTE*>(pdev()->pvBits); }

  HandBuiltInstance instance_;
  engine::HostDevice device_{std::span<const DRVFN>(gadrvfn)};
  COLORSETUP* setup_ = nullptr;
};

TEST_F(DrawingSurface, ShapeAndScanLineOrderFollowTheForm) {
  struct Case {
    const char* name;
    ULONG landscape;
    LONG width, height, delta;
    std::ptrdiff_t upper_row;  // offset of the page's upper row in memory
  };
  const Case cases[] = {
      {"portrait", 0, 656, 1024, 2624, 0},
      {"landscape", 1, 1024, 656, -4096, 655 * 4096},
      {"any other value is portrait", 2, 656, 1024, 2624, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pdev()->curForm.bLandscape = c.landscape;
    HSURF hsurf = DrvEnableSurface(dhpdev());
    ASSERT_NE(hsurf, nullptr);
    EXPECT_EQ(pdev()->hSurface, hsurf);
    SURFOBJ* so = page();
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->sizlBitmap.cx, c.width);
    EXPECT_EQ(so->sizlBitmap.cy, c.height);
    EXPECT_EQ(so->iBitmapFormat, BMF_32BPP);
    EXPECT_EQ(so->lDelta, c.delta);
    EXPECT_EQ(so->pvBits, pdev()->pvBits);
    EXPECT_EQ(static_cast<BYTE*>(so->pvScan0) - bits(), c.upper_row);
    EXPECT_EQ(so->flHooks, HOOK_BITBLT | HOOK_STRETCHBLT);
    EXPECT_EQ(so->hdev, device_.handle());
    EXPECT_EQ(so->dhpdev, dhpdev());

    // Engine memory tagged 'vynD', white in every byte.
    EXPECT_EQ(engine::tag_of(bits()), kPageTag);
    EXPECT_EQ(engine::outstanding(kPageTag).bytes, kPageBytes);
    EXPECT_TRUE(std::all_of(bits(), bits() + kPageBytes, [](BYTE b) { return b == 0xFF; }));
    DrvDisableSurface(dhpdev());
  }
}

TEST_F(DrawingSurface, ColourTableFollowsThePlaneByte) {
  setup_->bState = 7;
  setup_->bFill = 0;
  setup_->ulReserved = 9;
  const auto pool_before = engine::outstanding(HEAP_POOL_TAG);
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  ASSERT_NE(setup_->pulTable, nullptr);
  EXPECT_EQ(engine::outstanding(HEAP_POOL_TAG).blocks, pool_before.blocks + 1);
  EXPECT_EQ(setup_->bState, 0);
  EXPECT_EQ(setup_->bFill, 0xFF);
  EXPECT_EQ(setup_->ulReserved, 0u);

  // Monochrome on the next enable: the table goes.
  DrvDisableSurface(dhpdev());
  EXPECT_EQ(setup_->pulTable, nullptr);
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  setup_->cPlanes = 1;
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  EXPECT_EQ(setup_->pulTable, nullptr);
  EXPECT_EQ(engine::outstanding(HEAP_POOL_TAG).blocks, pool_before.blocks);
}

TEST_F(DrawingSurface, DisableReleasesEverythingAndWithoutEnableChangesNothing) {
  std::vector<BYTE> before(sizeof(PDEV));
  std::memcpy(before.data(), pdev(), sizeof(PDEV));
  const auto outstanding = engine::outstanding_total();
  DrvDisableSurface(dhpdev());
  EXPECT_EQ(std::memcmp(before.data(), pdev(), sizeof(PDEV)), 0);
  EXPECT_EQ(engine::outstanding_total().blocks, outstanding.blocks);

  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  HSURF hsurf = pdev()->hSurface;
  DrvDisableSurface(dhpdev());
  EXPECT_EQ(pdev()->hSurface, nullptr);
  EXPECT_EQ(pdev()->pvBits, nullptr);
  EXPECT_EQ(setup_->pulTable, nullptr);
  EXPECT_EQ(EngLockSurface(hsurf), nullptr);
  EXPECT_EQ(engine::outstanding_total().blocks, outstanding.blocks);
}

TEST_F(DrawingSurface, EnablingAgainReleasesTheEarlierBitmap) {
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  pdev()->curForm.bLandscape = 1;
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  EXPECT_EQ(engine::outstanding(kPageTag).blocks, 1u);
  EXPECT_EQ(engine::outstanding(ENGINE_SURFACE_TAG).blocks, 1u);
  EXPECT_EQ(page()->sizlBitmap.cx, 1024);
}

TEST_F(DrawingSurface, InvalidInstancesAreRefused) {
  PDEV foreign = *pdev();
  foreign.ulSignatureEnd = 0;
  for (DHPDEV bad : {DHPDEV{}, reinterpret_cast<DHPDEV>(&foreign)}) {
    EngSetLastError(0);
    EXPECT_EQ(DrvEnableSurface(bad), nullptr);
    EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);
    EngSetLastError(0);
    DrvDisableSurface(bad);
    EXPECT_EQ(EngGetLastError(), 0u);

    TestBitmap target(2, 2), source(2, 2);
    target.surface()->dhpdev = bad;
    RECTL rect{0, 0, 2, 2};
    EXPECT_FALSE(DrvStretchBlt(target.surface(), source.surface(), nullptr, nullptr, nullptr,
                               nullptr, nullptr, &rect, &rect, nullptr, HALFTONE));
    EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);
  }
  EXPECT_FALSE(DrvStretchBlt(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, HALFTONE));
  EXPECT_EQ(engine::outstanding(kPageTag).blocks, 0u);
}

TEST_F(DrawingSurface, FailuresLeaveNoPixelMemoryBehind) {
  // Count the allocations of one enable, then fail each in turn.
  const std::size_t start = engine::allocation_attempts();
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  const std::size_t allocations = engine::allocation_attempts() - start;
  DrvDisableSurface(dhpdev());
  ASSERT_EQ(allocations, 3u);  // colour table, pixels, bitmap record

  for (std::size_t failing = 1; failing <= allocations; ++failing) {
    SCOPED_TRACE(failing);
    engine::fail_allocation_in(failing);
    EXPECT_EQ(DrvEnableSurface(dhpdev()), nullptr);
    engine::clear_allocation_faults();
    EXPECT_EQ(pdev()->hSurface, nullptr);
    EXPECT_EQ(pdev()->pvBits, nullptr);
    EXPECT_EQ(engine::outstanding(kPageTag).blocks, 0u);
    EXPECT_EQ(engine::outstanding(ENGINE_SURFACE_TAG).blocks, 0u);
    DrvDisableSurface(dhpdev());
  }

  // A device the engine does not know: the hooks could never reach the
  // driver, so the surface is not made.
  pdev()->hdev = nullptr;
  EXPECT_EQ(DrvEnableSurface(dhpdev()), nullptr);
  EXPECT_EQ(pdev()->hSurface, nullptr);
  EXPECT_EQ(engine::outstanding(kPageTag).blocks, 0u);
  EXPECT_EQ(engine::outstanding(ENGINE_SURFACE_TAG).blocks, 0u);
}

TEST_F(DrawingSurface, StretchesUseTheJobsAdjustmentAndHalftoning) {
  // The job asks for a negative; the caller asks for no adjustment and
  // nearest-pixel drawing, which the driver overrides.
  pdev()->dm.dmPrivate.coloradj.caFlags = 0x1;
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  TestBitmap picture(2, 1, BMF_24BPP);
  picture.set(0, 0, rgb(0, 0, 0));
  picture.set(1, 0, rgb(200, 100, 50));
  COLORADJUSTMENT callers = {24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
  RECTL to{10, 20, 11, 21}, from{0, 0, 2, 1};

  for (bool through_engine : {true, false}) {
    SCOPED_TRACE(through_engine ? "routed by the engine" : "called directly");
    std::memset(bits(), 0xFF, kPageBytes);
    const BOOL drawn =
        through_engine ? host::draw_stretch(page(), picture.surface(), nullptr, nullptr, nullptr,
                                            &callers, nullptr, &to, &from, nullptr, COLORONCOLOR)
                       : DrvStretchBlt(page(), picture.surface(), nullptr, nullptr, nullptr,
                                       &callers, nullptr, &to, &from, nullptr, COLORONCOLOR);
    ASSERT_TRUE(drawn);
    // Averaged (100, 50, 25), then the negative; portrait rows are 656 pixels.
    std::uint32_t pixel;
    std::memcpy(&pixel, bits() + (20 * 656 + 10) * 4, 4);
    EXPECT_EQ(pixel, rgb(155, 205, 230, 0));
  }
}

TEST_F(DrawingSurface, PictureLandsUprightOnALandscapePage) {
  pdev()->curForm.bLandscape = 1;
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  TestBitmap picture(2, 2, BMF_24BPP, false);
  picture.set(0, 0, rgb(255, 0, 0));
  picture.set(1, 0, rgb(255, 0, 0));
  picture.set(0, 1, rgb(0, 0, 255));
  picture.set(1, 1, rgb(0, 0, 255));
  RECTL whole{0, 0, 1024, 656}, from{0, 0, 2, 2};
  ASSERT_TRUE(host::draw_stretch(page(), picture.surface(), nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &whole, &from, nullptr, HALFTONE));

  // Stored lower edge first: memory row 655 is the page's upper edge.
  for (LONG x = 0; x < 1024; x += 73) {
    SCOPED_TRACE(x);
    std::uint32_t upper, lower;
    std::memcpy(&upper, bits() + (655 * 1024 + x) * 4, 4);
    std::memcpy(&lower, bits() + x * 4, 4);
    EXPECT_EQ(upper, rgb(255, 0, 0, 0));
    EXPECT_EQ(lower, rgb(0, 0, 255, 0));
  }
}

TEST_F(DrawingSurface, TransfersPassThroughUnchecked) {
  ASSERT_NE(DrvEnableSurface(dhpdev()), nullptr);
  RECTL band{0, 0, 656, 2};
  ASSERT_TRUE(host::draw_bitblt(page(), nullptr, nullptr, nullptr, nullptr, &band, nullptr, nullptr,
                                nullptr, nullptr, ROP4_BLACKNESS));
  EXPECT_TRUE(std::all_of(bits(), bits() + 2 * 2624, [](BYTE b) { return b == 0; }));
  EXPECT_EQ(bits()[2 * 2624], 0xFF);

  // A surface of no instance at all is still drawn: the instance is not checked.
  TestBitmap loose(2, 2);
  RECTL rect{0, 0, 2, 2};
  EXPECT_TRUE(DrvBitBlt(loose.surface(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr,
                        nullptr, nullptr, nullptr, ROP4_WHITENESS));
  EXPECT_EQ(loose.at(1, 1), rgb(255, 255, 255));
}

}  // namespace
