// The driver's device mode: the public device-mode fields followed by the
// private card-job settings. An exchanged byte layout, little-endian, pinned
// field by field below.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine.h"
#include "records/page.h"

// An overlay (O panel) area in panel pixels, card in portrait position.
struct OVERLAYAREA {
  WORD wKind;  // 0 or 1: sent, the printer receives 1 - wKind; 2: empty, skipped
  WORD x;
  WORD y;
  WORD cx;  // columns after the first
  WORD cy;  // lines after the first
};

inline constexpr WORD OVERLAY_EMPTY = 2;
inline constexpr std::size_t OVERLAY_AREA_COUNT = 4;
inline constexpr std::size_t MAX_DOC_STICKY_FEATURES = 64;
inline constexpr std::size_t TRACK1_CHARS = 160;
inline constexpr std::size_t TRACK2_CHARS = 80;
inline constexpr std::size_t TRACK3_CHARS = 216;

// The private card-job settings, found at the record's start plus dmSize.
struct DRVPRIVATE {
  BYTE dwPrivateSignature[4];  // "aRIV"
  DWORD flPrivate;
  BYTE abReserved1[80];
  COLORADJUSTMENT coloradj;
  WORD wPpdChecksum;
  WORD wFeatureCount;
  BYTE abFeatureSel[MAX_DOC_STICKY_FEATURES];
  DWORD bFrontColor;
  DWORD bFrontBlack;
  DWORD bFrontOverlay;
  DWORD bBackColor;
  DWORD bBackBlack;
  DWORD bBackOverlay;
  DWORD dwReserved2;
  WORD awReserved3[3];
  WORD wReserved4;
  WORD xPrint;
  WORD yPrint;
  WORD cxPrint;
  WORD cyPrint;
  OVERLAYAREA aOverlayArea[OVERLAY_AREA_COUNT];
  WORD wReserved5;
  WORD wSideMode;
  WORD wPCommandForm;
  WCHAR awcTrack1[TRACK1_CHARS];
  WCHAR awcTrack2[TRACK2_CHARS];
  WCHAR awcTrack3[TRACK3_CHARS];
  WORD wMagMode;  // 0 = Q, 1 = R, 2 = W
  LONG lStartDocValue1;
  LONG lColorIntensity;  // percent
  LONG lStartDocValue2;
  LONG lReserved6;
  LONG lStartDocValue3;
  LONG lReserved7;
  LONG lYellowAdjust;
  LONG lSaturation;
  LONG lMagentaAdjust;
  LONG lCyanAdjust;
  DWORD bColorCorrection;
};

struct DRVDEVMODE {
  DEVMODEW dmPublic;
  DRVPRIVATE dmPrivate;
};

inline constexpr BYTE PRIVATE_SIGNATURE[4] = {'a', 'R', 'I', 'V'};
inline constexpr WORD DM_SPEC_VERSION = 0x401;
inline constexpr WORD DM_DRIVER_VERSION = 0x407;

// Private flPrivate bits.
inline constexpr DWORD PRIV_LANDSCAPE_OTHER_TURN = 0x200;
inline constexpr DWORD PRIV_NO_DONTJOURNAL = 0x2000;

// Colour intensity in percent: the range the driver takes and its default.
inline constexpr LONG COLOR_INTENSITY_MIN = 0;
inline constexpr LONG COLOR_INTENSITY_MAX = 100;
inline constexpr LONG COLOR_INTENSITY_DEFAULT = 70;

// The card in portrait position, in panel pixels at 300 dpi.
inline constexpr WORD CARD_COLUMNS = WORD(PAGE_SHORT_SIDE);
inline constexpr WORD CARD_LINES = WORD(PAGE_LONG_SIDE);

// True when an overlay area is one to send (kind 0 or 1) and lies on the
// card: its last column x + cx at most 655 and its last line y + cy at most
// 1023 (cx and cy count the columns and lines after the first).
constexpr bool overlay_area_on_card(const OVERLAYAREA& area) {
  return (area.wKind == 0 || area.wKind == 1) && area.x + area.cx < CARD_COLUMNS &&
         area.y + area.cy < CARD_LINES;
}

// Side modes.
inline constexpr WORD SIDE_MODE_SINGLE = 0;
inline constexpr WORD SIDE_MODE_DUPLEX = 1;
inline constexpr WORD SIDE_MODE_SPLIT = 2;

// The default colour adjustment handed to the engine's halftoning.
extern const COLORADJUSTMENT DefHTClrAdj;

namespace ymcko {

// Writes the defaults that need no printer description (zeroes the whole
// record first): the public defaults, the form name "A4" when `metric` and
// "Letter" otherwise, the device name cut to 31 characters when given, and
// the private defaults. The checksum and feature selections stay zero.
void write_devmode_defaults(DRVDEVMODE& dm, const WCHAR* device_name, bool metric);

}  // namespace ymcko

// Layout pins: sizes and the offset of every field of the layout tables.
static_assert(sizeof(OVERLAYAREA) == 10);

static_assert(sizeof(DRVPRIVATE) == 1228);
static_assert(offsetof(DRVPRIVATE, flPrivate) == 4);
static_assert(offsetof(DRVPRIVATE, coloradj) == 88);
static_assert(offsetof(DRVPRIVATE, wPpdChecksum) == 112);
static_assert(offsetof(DRVPRIVATE, wFeatureCount) == 114);
static_assert(offsetof(DRVPRIVATE, abFeatureSel) == 116);
static_assert(offsetof(DRVPRIVATE, bFrontColor) == 180);
static_assert(offsetof(DRVPRIVATE, bFrontBlack) == 184);
static_assert(offsetof(DRVPRIVATE, bFrontOverlay) == 188);
static_assert(offsetof(DRVPRIVATE, bBackColor) == 192);
static_assert(offsetof(DRVPRIVATE, bBackBlack) == 196);
static_assert(offsetof(DRVPRIVATE, bBackOverlay) == 200);
static_assert(offsetof(DRVPRIVATE, dwReserved2) == 204);
static_assert(offsetof(DRVPRIVATE, awReserved3) == 208);
static_assert(offsetof(DRVPRIVATE, wReserved4) == 214);
static_assert(offsetof(DRVPRIVATE, xPrint) == 216);
static_assert(offsetof(DRVPRIVATE, yPrint) == 218);
static_assert(offsetof(DRVPRIVATE, cxPrint) == 220);
static_assert(offsetof(DRVPRIVATE, cyPrint) == 222);
static_assert(offsetof(DRVPRIVATE, aOverlayArea) == 224);
static_assert(offsetof(DRVPRIVATE, wReserved5) == 264);
static_assert(offsetof(DRVPRIVATE, wSideMode) == 266);
static_assert(offsetof(DRVPRIVATE, wPCommandForm) == 268);
static_assert(offsetof(DRVPRIVATE, awcTrack1) == 270);
static_assert(offsetof(DRVPRIVATE, awcTrack2) == 590);
static_assert(offsetof(DRVPRIVATE, awcTrack3) == 750);
static_assert(offsetof(DRVPRIVATE, wMagMode) == 1182);
static_assert(offsetof(DRVPRIVATE, lStartDocValue1) == 1184);
static_assert(offsetof(DRVPRIVATE, lColorIntensity) == 1188);
static_assert(offsetof(DRVPRIVATE, lStartDocValue2) == 1192);
static_assert(offsetof(DRVPRIVATE, lReserved6) == 1196);
static_assert(offsetof(DRVPRIVATE, lStartDocValue3) == 1200);
static_assert(offsetof(DRVPRIVATE, lReserved7) == 1204);
static_assert(offsetof(DRVPRIVATE, lYellowAdjust) == 1208);
static_assert(offsetof(DRVPRIVATE, lSaturation) == 1212);
static_assert(offsetof(DRVPRIVATE, lMagentaAdjust) == 1216);
static_assert(offsetof(DRVPRIVATE, lCyanAdjust) == 1220);
static_assert(offsetof(DRVPRIVATE, bColorCorrection) == 1224);

static_assert(sizeof(DRVDEVMODE) == 1448);
static_assert(offsetof(DRVDEVMODE, dmPrivate) == 220);

static_assert(std::is_trivially_copyable_v<DRVDEVMODE>);
