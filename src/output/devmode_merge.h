// The card-job settings defaults with the description's selections, the
// merge of an application's device mode into them, the device-mode version
// operations and the default halftone pattern size.
#pragma once

#include <cstddef>

#include "engine/engine.h"
#include "ppdimage/ppd_image.h"
#include "records/devmode.h"

// Device-mode versions by public size.
inline constexpr WORD DM_SIZE_0x320 = 188;
inline constexpr WORD DM_SIZE_0x400 = 212;
inline constexpr WORD DM_SIZE_0x401 = 220;

// The engine's halftone pattern size indices (the _M variants).
inline constexpr DWORD HT_PATSIZE_4x4_M = 3;
inline constexpr DWORD HT_PATSIZE_6x6_M = 5;
inline constexpr DWORD HT_PATSIZE_8x8_M = 7;
inline constexpr DWORD HT_PATSIZE_10x10_M = 9;
inline constexpr DWORD HT_PATSIZE_12x12_M = 11;
inline constexpr DWORD HT_PATSIZE_14x14_M = 13;
inline constexpr DWORD HT_PATSIZE_16x16_M = 15;
inline constexpr DWORD HT_PATSIZE_MAX_INDEX = HT_PATSIZE_16x16_M;

// Writes the complete default settings into the driver's own record: the
// defaults of write_devmode_defaults (form name "A4" when bMetric, else
// "Letter"), then the description's checksum word and its default
// document-sticky selections. Always TRUE.
BOOL SetDefaultDevMode(DRVDEVMODE* pdm, const WCHAR* pwstrDeviceName, const ymcko::ppd_view& image,
                       BOOL bMetric);

// Merges what an application's device mode validly sets into the instance's
// record (which holds the defaults). cbInput is how many bytes of the
// application's record are valid: a record too short for its own dmSize and
// dmDriverExtra, or for those two fields, is refused. Out-of-range values
// fall back to the defaults; a private part is taken only with the driver's
// signature, and then limited to its fields' ranges: a colour intensity
// outside 0 to 100 becomes the default, an overlay area of kind 0 or 1 that
// does not lie on the card (or of an unknown kind) becomes the default empty
// area, and a track holding a control character (below 0x20, or 0x7F)
// becomes empty. Its selections are taken only when its checksum word is the
// description's and its count fits the 64-byte array (else the description's
// defaults replace them). TRUE without input or after a merge; FALSE when the
// input is refused or no scratch record can be had, the record then unchanged.
BOOL ValidateSetDevMode(DRVDEVMODE* pdm, const DEVMODEW* pdmInput, std::size_t cbInput,
                        const ymcko::ppd_view& image);

// Copies the source's public part over the destination's (the smaller size),
// keeping the destination's version, sizes and driver version, then its
// private part over the destination's (the smaller size). The source must
// hold its dmSize + dmDriverExtra bytes, the destination its own. Returns
// the bytes copied, or -1 when either version is unknown.
LONG ConvertDevmode(const DEVMODEW* pdmSrc, DEVMODEW* pdmDest);

// The device mode's version by its public size (188: 0x320, 212: 0x400,
// 220: 0x401), else its own dmSpecVersion; 0 for null. Reads only the
// version and size fields.
WORD CheckDevmodeVersion(const DEVMODEW* pdm);

// The engine's halftone pattern size index for the smaller of the two
// resolutions (dots per inch); bSmaller picks the next smaller pattern.
DWORD PickDefaultHTPatSize(DWORD xDpi, DWORD yDpi, BOOL bSmaller);
