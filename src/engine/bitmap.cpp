// Engine-managed bitmaps and their handles.
#include "engine/engine.h"

#include <cstdint>
#include <limits>

#include "engine/handles.h"
#include "engine/hooks.h"
#include "engine/objects.h"

namespace {

// The engine's record behind an HSURF: the surface the driver sees, then
// what the engine must free with it.
struct SurfaceRecord {
  SURFOBJ so;
  PVOID pvOwnedBits;
};

SurfaceRecord* record_of(HSURF hsurf) {
  return static_cast<SurfaceRecord*>(
      ymcko::engine::resolve_handle(hsurf, ymcko::engine::HandleKind::surface));
}

std::int64_t bytes_per_pixel(ULONG iFormat) {
  switch (iFormat) {
    case BMF_24BPP:
      return 3;
    case BMF_32BPP:
      return 4;
    default:
      return 0;
  }
}

}  // namespace

HSURF EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
  // Check the shape in 64 bits, so that no product can wrap, and keep the
  // whole bitmap within the ULONG that cjBits holds.
  const std::int64_t pixel = bytes_per_pixel(iFormat);
  if (pixel == 0 || sizl.cx <= 0 || sizl.cy <= 0 || lWidth < 0) return nullptr;
  const std::int64_t row = std::int64_t{sizl.cx} * pixel;
  const std::int64_t step = lWidth == 0 ? (row + 3) / 4 * 4 : std::int64_t{lWidth};
  if (step < row || step > std::numeric_limits<LONG>::max()) return nullptr;
  const std::int64_t total = step * sizl.cy;
  if (total > std::numeric_limits<ULONG>::max()) return nullptr;

  auto* record = static_cast<SurfaceRecord*>(
      EngAllocMem(FL_ZERO_MEMORY, sizeof(SurfaceRecord), ENGINE_SURFACE_TAG));
  if (record == nullptr) return nullptr;
  if (pvBits == nullptr) {
    FLONG zero = (fl & BMF_NOZEROINIT) ? 0 : FL_ZERO_MEMORY;
    pvBits = record->pvOwnedBits = EngAllocMem(zero, ULONG(total), ENGINE_BITS_TAG);
    if (pvBits == nullptr) {
      EngFreeMem(record);
      return nullptr;
    }
  }
  auto handle = static_cast<HSURF>(
      ymcko::engine::register_handle(record, ymcko::engine::HandleKind::surface));
  if (handle == nullptr) {
    EngFreeMem(record->pvOwnedBits);
    EngFreeMem(record);
    return nullptr;
  }

  // Coordinates always count rows from the upper edge: a bottom-up bitmap
  // starts its upper row at the last line in memory and steps backwards.
  const bool top_down = (fl & BMF_TOPDOWN) != 0;
  SURFOBJ& so = record->so;
  so.hsurf = handle;
  so.sizlBitmap = sizl;
  so.cjBits = ULONG(total);
  so.pvBits = pvBits;
  so.pvScan0 = top_down ? pvBits : static_cast<BYTE*>(pvBits) + step * (sizl.cy - 1);
  so.lDelta = LONG(top_down ? step : -step);
  so.iUniq = 1;
  so.iBitmapFormat = iFormat;
  so.iType = STYPE_BITMAP;
  so.fjBitmap = top_down ? USHORT(BMF_TOPDOWN) : USHORT(0);
  return so.hsurf;
}

BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  SurfaceRecord* record = record_of(hsurf);
  auto* device = ymcko::engine::HostDevice::from_handle(hdev);
  if (record == nullptr || device == nullptr) return FALSE;
  record->so.hdev = hdev;
  record->so.dhpdev = device->instance();
  record->so.flHooks = flHooks;
  return TRUE;
}

BOOL EngDeleteSurface(HSURF hsurf) {
  SurfaceRecord* record = record_of(hsurf);
  if (record == nullptr) return FALSE;
  ymcko::engine::unregister_handle(hsurf);
  EngFreeMem(record->pvOwnedBits);
  EngFreeMem(record);
  return TRUE;
}

SURFOBJ* EngLockSurface(HSURF hsurf) {
  SurfaceRecord* record = record_of(hsurf);
  return record == nullptr ? nullptr : &record->so;
}

void EngUnlockSurface(SURFOBJ*) {}
