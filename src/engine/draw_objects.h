// Objects that travel with drawing calls (clip, colour translation, brush),
// palette modes, raster operations and stretch modes.
#pragma once

#include "engine/engine_types.h"

// Clip complexity: nothing beyond the destination, one rectangle, or a region.
inline constexpr BYTE DC_TRIVIAL = 0;
inline constexpr BYTE DC_RECT = 1;
inline constexpr BYTE DC_COMPLEX = 3;

// Where a transfer may draw. rclBounds is read when iDComplexity is DC_RECT;
// this engine draws no regions, so a DC_COMPLEX clip makes a transfer fail.
struct CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
};

// Palette modes. PAL_RGB keeps red in byte 0 of a pixel, PAL_BGR blue.
inline constexpr ULONG PAL_INDEXED = 0x1;
inline constexpr ULONG PAL_BITFIELDS = 0x2;
inline constexpr ULONG PAL_RGB = 0x4;
inline constexpr ULONG PAL_BGR = 0x8;

inline constexpr FLONG XO_TRIVIAL = 0x1;

// Colour translation from the source's palette mode to the destination's.
// A null translation or XO_TRIVIAL keeps the bytes; PAL_RGB and PAL_BGR in
// either direction exchange bytes 0 and 2; any other pair is not drawn.
struct XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;
};

// A brush; only solid ones are drawn. iSolidColor is a pixel in the
// destination's format (red | green << 8 | blue << 16 on an RGB page).
inline constexpr ULONG BRUSHOBJ_PATTERN = 0xFFFFFFFF;

struct BRUSHOBJ {
  ULONG iSolidColor;
  PVOID pvRbrush;
  FLONG flColorType;
};

// Raster operations as ROP4 values (the same ternary operation in both bytes).
inline constexpr ROP4 ROP4_BLACKNESS = 0x0000;
inline constexpr ROP4 ROP4_NOTSRCCOPY = 0x3333;
inline constexpr ROP4 ROP4_DSTINVERT = 0x5555;
inline constexpr ROP4 ROP4_SRCCOPY = 0xCCCC;
inline constexpr ROP4 ROP4_PATCOPY = 0xF0F0;
inline constexpr ROP4 ROP4_WHITENESS = 0xFFFF;

// Stretch modes.
inline constexpr ULONG BLACKONWHITE = 1;
inline constexpr ULONG WHITEONBLACK = 2;
inline constexpr ULONG COLORONCOLOR = 3;
inline constexpr ULONG HALFTONE = 4;
