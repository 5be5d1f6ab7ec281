// Keyword handlers for media, resolution, screen and memory: they fill the
// options of the predefined PageSize, InputSlot, Resolution and VMOption
// features and the description's media, screen and memory fields.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "ppd/value.h"

// Custom page parameter names: "Width" 0, "Height" 1, "WidthOffset" 2,
// "HeightOffset" 3, "Orientation" 4; end row 5.
extern const STRTABLEENTRY customParamStrs[6];

// Custom page parameter types: "int" 0, "real" 1, "points" 2; end row 3.
extern const STRTABLEENTRY customTypeStrs[4];

// Page size options (feature PageSize). Values are PSREAL, 1/256 point.
DWORD PageSizeProc(PPDOBJ* ppd, PARSEROBJ* entry);        // invocation
DWORD PageRegionProc(PPDOBJ* ppd, PARSEROBJ* entry);      // page-region invocation
DWORD ImageableAreaProc(PPDOBJ* ppd, PARSEROBJ* entry);   // four reals, all or nothing
DWORD PaperDimensionProc(PPDOBJ* ppd, PARSEROBJ* entry);  // width, then height

// Input slots (feature InputSlot).
DWORD InputSlotProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD RequiresPageRgnProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Custom page sizes and media limits.
DWORD CustomPageSizeProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ParamCustomPageProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD MaxMediaWidthProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD MaxMediaHeightProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD HwMarginsProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Resolutions (feature Resolution) and screens.
DWORD ResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD JclResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD SetResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD DefaultJclResProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ScreenAngleProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ScreenFreqProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ResScreenAngleProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ResScreenFreqProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Memory (feature VMOption).
DWORD FreeVmProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD InstalledMemProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD VmOptionProc(PPDOBJ* ppd, PARSEROBJ* entry);
