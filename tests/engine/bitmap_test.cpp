// Engine bitmaps, palettes and the host device: shapes, scan-line orders, handles and their memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "engine/objects.h"
#include "engine/palette.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;

class EngineBitmap : public EngineTest {};

TEST_F(EngineBitmap, ScanLineOrderDecidesWhereTheUpperRowLies) {
  struct Case {
    const char* name;
    LONG cx, cy, step;
    ULONG format;
    FLONG fl;
    std::ptrdiff_t upper_row_offset;  // in memory, from pvBits
    LONG delta;
  };
  const Case cases[] = {
      {"32 bpp top-down", 5, 3, 20, BMF_32BPP, BMF_TOPDOWN, 0, 20},
      {"32 bpp bottom-up", 5, 3, 20, BMF_32BPP, 0, 40, -20},
      {"24 bpp padded step, bottom-up", 5, 3, 16, BMF_24BPP, 0, 32, -16},
      {"24 bpp top-down, wide step", 5, 3, 64, BMF_24BPP, BMF_TOPDOWN, 0, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> memory(std::size_t(c.step) * c.cy);
    HSURF hsurf = EngCreateBitmap({c.cx, c.cy}, c.step, c.format, c.fl, memory.data());
    ASSERT_NE(hsurf, nullptr);
    SURFOBJ* so = EngLockSurface(hsurf);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->hsurf, hsurf);
    EXPECT_EQ(so->pvBits, memory.data());
    EXPECT_EQ(static_cast<BYTE*>(so->pvScan0) - memory.data(), c.upper_row_offset);
    EXPECT_EQ(so->lDelta, c.delta);
    EXPECT_EQ(so->cjBits, ULONG(c.step * c.cy));
    EXPECT_EQ(so->iBitmapFormat, c.format);
    EXPECT_EQ(so->fjBitmap, c.fl & BMF_TOPDOWN);
    EXPECT_EQ(so->sizlBitmap.cx, c.cx);
    EXPECT_EQ(so->sizlBitmap.cy, c.cy);
    EXPECT_EQ(so->flHooks, 0u);
    EXPECT_TRUE(EngDeleteSurface(hsurf));
    EXPECT_EQ(EngLockSurface(hsurf), nullptr);
    EXPECT_FALSE(EngDeleteSurface(hsurf));
  }
}

TEST_F(EngineBitmap, RefusesShapesThatDoNotFit) {
  BYTE memory[64] = {};
  struct Case {
    const char* name;
    SIZEL size;
    LONG step;
    ULONG format;
  };
  const Case cases[] = {
      {"8 bpp", {4, 4}, 4, 3},
      {"zero width", {0, 4}, 16, BMF_32BPP},
      {"negative height", {4, -1}, 16, BMF_32BPP},
      {"step shorter than a row", {4, 4}, 15, BMF_32BPP},
      {"negative step", {4, 4}, -16, BMF_32BPP},
      {"row wider than a LONG", {0x40000000, 1}, 0, BMF_32BPP},
      {"more bytes than a ULONG", {0x10000, 0x10000}, 0x40000, BMF_32BPP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EngCreateBitmap(c.size, c.step, c.format, BMF_TOPDOWN, memory), nullptr);
  }
  EXPECT_EQ(engine::outstanding(ENGINE_SURFACE_TAG).blocks, 0u);
}

TEST_F(EngineBitmap, AllocatesZeroedPixelsWhenNoneAreGiven) {
  // A 3-pixel 24-bpp row is 9 bytes; the step rounds it to 12.
  HSURF hsurf = EngCreateBitmap({3, 2}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  ASSERT_NE(hsurf, nullptr);
  SURFOBJ* so = EngLockSurface(hsurf);
  EXPECT_EQ(so->lDelta, 12);
  EXPECT_EQ(engine::outstanding(ENGINE_BITS_TAG).bytes, 24u);
  const BYTE* bits = static_cast<const BYTE*>(so->pvBits);
  EXPECT_EQ(std::vector<BYTE>(bits, bits + 24), std::vector<BYTE>(24, 0));
  EXPECT_TRUE(EngDeleteSurface(hsurf));
  EXPECT_EQ(engine::outstanding(ENGINE_BITS_TAG).blocks, 0u);
}

TEST_F(EngineBitmap, FailedAllocationsLeaveNothingBehind) {
  for (std::size_t failing = 1; failing <= 2; ++failing) {
    SCOPED_TRACE(failing);
    engine::fail_allocation_in(failing);
    EXPECT_EQ(EngCreateBitmap({8, 8}, 0, BMF_32BPP, 0, nullptr), nullptr);
    engine::clear_allocation_faults();
  }
}

TEST_F(EngineBitmap, AssociationRecordsDeviceInstanceAndHooks) {
  const DRVFN table[] = {{18, nullptr}};
  engine::HostDevice device{std::span<const DRVFN>(table)};
  device.set_instance(reinterpret_cast<DHPDEV>(0x1234));
  std::vector<BYTE> memory(64);
  HSURF hsurf = EngCreateBitmap({4, 4}, 16, BMF_32BPP, BMF_TOPDOWN, memory.data());
  ASSERT_NE(hsurf, nullptr);

  EXPECT_FALSE(EngAssociateSurface(hsurf, nullptr, HOOK_BITBLT));
  EXPECT_FALSE(EngAssociateSurface(hsurf, reinterpret_cast<HDEV>(memory.data()), HOOK_BITBLT));
  EXPECT_FALSE(EngAssociateSurface(reinterpret_cast<HSURF>(memory.data()), device.handle(), 1));
  EXPECT_EQ(EngLockSurface(hsurf)->flHooks, 0u);

  ASSERT_TRUE(EngAssociateSurface(hsurf, device.handle(), HOOK_BITBLT | HOOK_STRETCHBLT));
  SURFOBJ* so = EngLockSurface(hsurf);
  EXPECT_EQ(so->hdev, device.handle());
  EXPECT_EQ(so->dhpdev, reinterpret_cast<DHPDEV>(0x1234));
  EXPECT_EQ(so->flHooks, HOOK_BITBLT | HOOK_STRETCHBLT);
  EXPECT_TRUE(EngDeleteSurface(hsurf));
}

TEST_F(EngineBitmap, DeviceFindsEntryPointsByEngineIndex) {
  PFN first = reinterpret_cast<PFN>(&EngAllocMem);
  PFN second = reinterpret_cast<PFN>(&EngFreeMem);
  DRVFN table[] = {{3, first}, {20, second}};
  DRVENABLEDATA enabled{0x20000, 2, table};
  HDEV handle = nullptr;
  {
    engine::HostDevice device(engine::function_table(enabled));
    handle = device.handle();
    EXPECT_EQ(engine::HostDevice::from_handle(handle), &device);
    EXPECT_EQ(device.entry_point(3), first);
    EXPECT_EQ(device.entry_point(20), second);
    EXPECT_EQ(device.entry_point(18), nullptr);
  }
  EXPECT_EQ(engine::HostDevice::from_handle(handle), nullptr);
}

class EnginePalette : public EngineTest {};

TEST_F(EnginePalette, CreatesTheModesItKnows) {
  ULONG colors[2] = {0x000000, 0xFFFFFF};
  struct Case {
    const char* name;
    ULONG mode;
    ULONG count;
    ULONG* colors;
    FLONG masks;
    bool made;
  };
  const Case cases[] = {
      {"RGB, red in byte 0", PAL_RGB, 0, nullptr, 0, true},
      {"BGR", PAL_BGR, 0, nullptr, 0, true},
      {"indexed", PAL_INDEXED, 2, colors, 0, true},
      {"indexed without colours", PAL_INDEXED, 2, nullptr, 0, false},
      {"indexed with 257 colours", PAL_INDEXED, 257, colors, 0, false},
      {"bit fields", PAL_BITFIELDS, 0, nullptr, 0xFF, true},
      {"bit fields without masks", PAL_BITFIELDS, 0, nullptr, 0, false},
      {"unknown mode", 0x10, 0, nullptr, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HPALETTE hpal = EngCreatePalette(c.mode, c.count, c.colors, c.masks, c.masks, c.masks);
    EXPECT_EQ(hpal != nullptr, c.made);
    if (hpal == nullptr) continue;
    EXPECT_EQ(engine::palette_mode(hpal), c.mode);
    EXPECT_TRUE(EngDeletePalette(hpal));
    EXPECT_EQ(engine::palette_mode(hpal), 0u);
    EXPECT_FALSE(EngDeletePalette(hpal));
  }
}

TEST_F(EnginePalette, FailsCleanlyWithoutMemory) {
  engine::fail_allocations_with_tag(ENGINE_PALETTE_TAG);
  EXPECT_EQ(EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0), nullptr);
}

TEST_F(EnginePalette, TranslationIsTrivialOnlyBetweenEqualModes) {
  HPALETTE rgb = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  XLATEOBJ same = engine::translation_between(rgb, rgb);
  XLATEOBJ swapped = engine::translation_between(bgr, rgb);
  EXPECT_EQ(same.flXlate, XO_TRIVIAL);
  EXPECT_EQ(swapped.flXlate, 0u);
  EXPECT_EQ(swapped.iSrcType, PAL_BGR);
  EXPECT_EQ(swapped.iDstType, PAL_RGB);
  EngDeletePalette(rgb);
  EngDeletePalette(bgr);
}

}  // namespace
