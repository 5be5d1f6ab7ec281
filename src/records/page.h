// The page bitmap's fixed shape and pool tag: the drawing surface makes the bitmap, the job output
// reads and refills it.
#pragma once

#include "engine/engine.h"

// The card's printable area at 300 dpi, 32 bits per pixel; a portrait page
// is PAGE_SHORT_SIDE wide, a landscape page PAGE_LONG_SIDE.
inline constexpr LONG PAGE_SHORT_SIDE = 656;
inline constexpr LONG PAGE_LONG_SIDE = 1024;
inline constexpr ULONG PAGE_BYTES = ULONG(PAGE_SHORT_SIDE) * PAGE_LONG_SIDE * 4;  // 2,686,976

inline constexpr ULONG PAGE_BITS_TAG = make_pool_tag("vynD");
