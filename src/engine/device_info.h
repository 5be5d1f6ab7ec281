// The engine's records that a driver fills when it enables a device: the
// device capabilities (GDIINFO), the device information (DEVINFO) and the
// device halftone information, in the engine's published field order.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine_types.h"

// Chromaticity and luminance in 4-decimal fixed notation (10000 = 1.0).
using LDECI4 = LONG;

struct CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
};

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

// The device halftone information; stored by a printer's configuration side
// as the registry value "CurDevHTInfo" (132 bytes, little-endian).
struct DEVHTINFO {
  DWORD HTFlags;
  DWORD HTPatternSize;
  DWORD DevPelsDPI;
  COLORINFO ColorInfo;
};

struct GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  FLONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  FLONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  FLONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
};

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[32];
};

struct DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  ULONG cxDither;
  ULONG cyDither;
  HPALETTE hpalDefault;
};

inline constexpr ULONG DT_RASPRINTER = 2;
inline constexpr ULONG PRIMARY_ORDER_ABC = 0;
inline constexpr ULONG HT_FORMAT_1BPP = 0;
inline constexpr ULONG HT_FORMAT_4BPP = 2;
inline constexpr FLONG HT_FLAG_HAS_BLACK_DYE = 0x2;
inline constexpr FLONG HT_FLAG_OUTPUT_CMY = 0x100;
inline constexpr FLONG GCAPS_BEZIERS = 0x1;
inline constexpr FLONG GCAPS_GEOMETRICWIDE = 0x2;
inline constexpr FLONG GCAPS_ALTERNATEFILL = 0x4;
inline constexpr FLONG GCAPS_WINDINGFILL = 0x8;
inline constexpr FLONG GCAPS_OPAQUERECT = 0x100;
inline constexpr FLONG GCAPS_DONTJOURNAL = 0x2000;

static_assert(sizeof(COLORINFO) == 120);
static_assert(sizeof(DEVHTINFO) == 132);
static_assert(offsetof(DEVHTINFO, ColorInfo) == 12);
static_assert(sizeof(LOGFONTW) == 92);
static_assert(std::is_trivially_copyable_v<GDIINFO>);
static_assert(std::is_trivially_copyable_v<DEVINFO>);
static_assert(std::is_trivially_copyable_v<DEVHTINFO>);
