// Packing the built description into its image: one engine block, sized by a
// measuring pass and written by a second pass of the same routines.
#pragma once

#include "engine/engine.h"
#include "ppd/ppdobj.h"
#include "ppdimage/ppd_image.h"

// Builds the description from the printer's data file name, packs it and
// makes it ready for reading; null when it cannot be made. The image's
// length goes to *pcbSize (0 on failure); readers take it from there, not
// from the image. The caller holds the description semaphore around the call.
PPDDATA* PpdCreate(const WCHAR* pwstrDataFile, DWORD* pcbSize);

// Packs the description into a new image (relocatable form) of *pcbSize
// bytes, or null when the image cannot be allocated; the description and
// its pool are always released.
PPDDATA* PackPpdData(PPDOBJ* ppdobj, DWORD* pcbSize);

// Orders the features document-sticky first, then printer-sticky, each part
// keeping its order; counts both parts and numbers each feature within its part.
void PpdSortUiGroups(PPDOBJ* ppdobj);

// Measures (dst null) or writes the whole image; returns its size in bytes,
// or 0 when it would not fit 32 bits.
DWORD DoPackPpd(BYTE* dst, PPDOBJ* ppdobj);

// A string's piece: its bytes and NUL raised to a multiple of 4. With dst
// the string is written at off; `field` (optional) receives off, or 0 for an
// absent string. Returns the bytes taken.
DWORD PackPstr(BYTE* dst, DWORD off, const char* str, DWORD* field);
DWORD PackPwstr(BYTE* dst, DWORD off, const WCHAR* str, DWORD* field);

// The default of a feature as the image keeps it: for the Resolution feature
// the dots per inch its default (or first option) starts with, 300 when that
// is not positive; for others the position of the default option, 0 when none.
DWORD PackUiGroupDefault(const UIGROUP* feature);

// The order-dependency and constraint tables (4 bytes, then 12 or 8 per entry).
DWORD PackOrderDep(BYTE* dst, DWORD off, PPDOBJ* ppdobj, DWORD* field);
DWORD PackUiConstraints(BYTE* dst, DWORD off, PPDOBJ* ppdobj, DWORD* field);
