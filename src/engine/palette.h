// Engine palettes: how the bytes of a pixel map to colours, and the translation between two palettes.
#pragma once

#include "engine/draw_objects.h"
#include "engine/engine_types.h"

inline constexpr ULONG ENGINE_PALETTE_TAG = make_pool_tag("Epal");
inline constexpr ULONG PALETTE_MAX_COLORS = 256;

// Creates a palette. PAL_RGB and PAL_BGR need no colours or masks;
// PAL_INDEXED copies cColors entries (1 to 256) from pulColors;
// PAL_BITFIELDS keeps the three masks, none of them zero. Null for any
// other mode, missing colours or masks, or when memory is short.
HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                          FLONG flGreen, FLONG flBlue);

// Deletes a palette; FALSE for an unknown handle.
BOOL EngDeletePalette(HPALETTE hpal);

namespace ymcko::engine {

// The mode of a live palette, or 0 for an unknown handle.
ULONG palette_mode(HPALETTE hpal);

// The translation for drawing from a surface in palette `source` to one in
// `destination`: trivial when both modes agree, otherwise carrying the two
// modes (the transfers draw PAL_RGB and PAL_BGR in either direction).
XLATEOBJ translation_between(HPALETTE source, HPALETTE destination);

}  // namespace ymcko::engine
