// Palette modes as the engine's transfers read them.
#pragma once

#include "engine/engine.h"

inline constexpr ULONG PALETTE_MAX_COLORS = 256;

namespace ymcko::engine {

// The mode of a live palette, or 0 for an unknown handle.
ULONG palette_mode(HPALETTE hpal);

// The translation for drawing from a surface in palette `source` to one in
// `destination`: trivial when both modes agree, otherwise carrying the two
// modes (the transfers draw PAL_RGB and PAL_BGR in either direction).
XLATEOBJ translation_between(HPALETTE source, HPALETTE destination);

}  // namespace ymcko::engine
