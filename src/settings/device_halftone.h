// The engine's device halftone information record (132 bytes): the printer's
// own halftone setup as its registry data stores it. An exchanged byte
// layout, little-endian, pinned field by field below.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine_types.h"

// Fixed-point values with four decimals: 10000 stands for 1.0.
using LDECI4 = LONG;

// A colour's chromaticity x, y and luminance Y.
struct CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
};

// The device's colour description: primaries, alignment white, gammas and
// the unwanted absorptions of its dyes (30 four-byte values).
struct COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
};

struct DEVHTINFO {
  DWORD HTFlags;
  DWORD HTPatternSize;  // the engine's pattern size index
  DWORD DevPelsDPI;
  COLORINFO ColorInfo;
};

static_assert(sizeof(CIECHROMA) == 12);
static_assert(sizeof(COLORINFO) == 120);
static_assert(offsetof(COLORINFO, AlignmentWhite) == 72);
static_assert(offsetof(COLORINFO, RedGamma) == 84);
static_assert(offsetof(COLORINFO, MagentaInCyanDye) == 96);
static_assert(offsetof(COLORINFO, MagentaInYellowDye) == 116);
static_assert(sizeof(DEVHTINFO) == 132);
static_assert(offsetof(DEVHTINFO, HTPatternSize) == 4);
static_assert(offsetof(DEVHTINFO, DevPelsDPI) == 8);
static_assert(offsetof(DEVHTINFO, ColorInfo) == 12);
static_assert(std::is_trivially_copyable_v<DEVHTINFO>);
