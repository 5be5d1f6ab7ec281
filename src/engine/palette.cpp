// Engine palettes.
#include "engine/palette.h"

#include <cstring>

#include "engine/engine.h"
#include "engine/handles.h"
#include "engine/hooks.h"

namespace {

struct PaletteRecord {
  ULONG iMode;
  ULONG cColors;
  FLONG aflMasks[3];  // red, green, blue for PAL_BITFIELDS
  ULONG aulColors[PALETTE_MAX_COLORS];
};

PaletteRecord* record_of(HPALETTE hpal) {
  return static_cast<PaletteRecord*>(
      ymcko::engine::resolve_handle(hpal, ymcko::engine::HandleKind::palette));
}

}  // namespace

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                          FLONG flBlue) {
  switch (iMode) {
    case PAL_RGB:
    case PAL_BGR:
      break;
    case PAL_INDEXED:
      if (cColors == 0 || cColors > PALETTE_MAX_COLORS || pulColors == nullptr) return nullptr;
      break;
    case PAL_BITFIELDS:
      if (flRed == 0 || flGreen == 0 || flBlue == 0) return nullptr;
      break;
    default:
      return nullptr;
  }

  auto* record = static_cast<PaletteRecord*>(
      EngAllocMem(FL_ZERO_MEMORY, sizeof(PaletteRecord), ENGINE_PALETTE_TAG));
  if (record == nullptr) return nullptr;
  record->iMode = iMode;
  if (iMode == PAL_INDEXED) {
    record->cColors = cColors;
    std::memcpy(record->aulColors, pulColors, cColors * sizeof(ULONG));
  } else if (iMode == PAL_BITFIELDS) {
    record->aflMasks[0] = flRed;
    record->aflMasks[1] = flGreen;
    record->aflMasks[2] = flBlue;
  }
  auto handle = static_cast<HPALETTE>(
      ymcko::engine::register_handle(record, ymcko::engine::HandleKind::palette));
  if (handle == nullptr) EngFreeMem(record);
  return handle;
}

BOOL EngDeletePalette(HPALETTE hpal) {
  PaletteRecord* record = record_of(hpal);
  if (record == nullptr) return FALSE;
  ymcko::engine::unregister_handle(hpal);
  EngFreeMem(record);
  return TRUE;
}

namespace ymcko::engine {

ULONG palette_mode(HPALETTE hpal) {
  const PaletteRecord* record = record_of(hpal);
  return record == nullptr ? 0 : record->iMode;
}

XLATEOBJ translation_between(HPALETTE source, HPALETTE destination) {
  XLATEOBJ xlate{};
  const ULONG from = palette_mode(source);
  const ULONG to = palette_mode(destination);
  xlate.iSrcType = USHORT(from);
  xlate.iDstType = USHORT(to);
  if (from == to) xlate.flXlate = XO_TRIVIAL;
  return xlate;
}

}  // namespace ymcko::engine
