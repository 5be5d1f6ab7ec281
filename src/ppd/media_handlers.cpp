// Media, resolution, screen and memory handlers.
#include "ppd/media_handlers.h"

#include <cstring>

#include "ppd/ui_group.h"

using ymcko::create_option;

const STRTABLEENTRY customParamStrs[6] = {
    {"Width", 0},        {"Height", 1},      {"WidthOffset", 2},
    {"HeightOffset", 3}, {"Orientation", 4}, {nullptr, 5},
};

const STRTABLEENTRY customTypeStrs[4] = {{"int", 0}, {"real", 1}, {"points", 2}, {nullptr, 3}};

namespace {

// Reads `count` words of the value as reals into out; PPDERR_SYNTAX at the
// first missing or malformed word, with out then partly written.
DWORD read_reals(const char* text, PSREAL* out, int count) {
  char word[WORD_BUFFER_SIZE];
  for (int i = 0; i < count; ++i) {
    if (GetWordStr(&text, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
    if (GetRealValue(&out[i], word) != PPDERR_NONE) return PPDERR_SYNTAX;
  }
  return PPDERR_NONE;
}

// Copies the value unchanged into a string field of the option; the first copy stays.
DWORD copy_value(PPDOBJ* ppd, PARSEROBJ* entry, char** field) {
  return GetStringValue(field, &entry->value, ppd->pHeap, CONVERT_INVOCATION);
}

}  // namespace

DWORD PageSizeProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  MEDIAOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_PAGESIZE, &option);
  if (result != PPDERR_NONE) return result;
  return copy_value(ppd, entry, &option->pstrInvocation);
}

DWORD PageRegionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  MEDIAOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_PAGESIZE, &option);
  if (result != PPDERR_NONE) return result;
  return copy_value(ppd, entry, &option->pstrPageRegion);
}

DWORD ImageableAreaProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  MEDIAOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_PAGESIZE, &option);
  if (result != PPDERR_NONE) return result;
  PSREAL edges[4] = {};
  result = read_reals(entry->value.pBuf, edges, 4);
  if (result != PPDERR_NONE) return result;
  option->rcImageable = PSRECT{edges[0], edges[1], edges[2], edges[3]};
  return PPDERR_NONE;
}

DWORD PaperDimensionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  MEDIAOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_PAGESIZE, &option);
  if (result != PPDERR_NONE) return result;
  // The width is stored before the height is read.
  const char* cursor = entry->value.pBuf;
  char word[WORD_BUFFER_SIZE];
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (GetRealValue(&option->szPaper.width, word) != PPDERR_NONE) return PPDERR_SYNTAX;
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (GetRealValue(&option->szPaper.height, word) != PPDERR_NONE) return PPDERR_SYNTAX;
  return PPDERR_NONE;
}

DWORD InputSlotProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  SLOTOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_INPUTSLOT, &option);
  if (result != PPDERR_NONE) return result;
  result = copy_value(ppd, entry, &option->pstrInvocation);
  option->bReqPageRgn = 1;
  return result;
}

DWORD RequiresPageRgnProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  if (std::strcmp(entry->option.pBuf, "All") == 0) {
    UIGROUP* feature = nullptr;
    DWORD result = CreateUiGroup(ppd, UIGRP_INPUTSLOT, entry->keyword.pBuf, &feature);
    if (result != PPDERR_NONE) return result;
    DWORD required = 0;
    if (GetBooleanValue(&required, entry->value.pBuf) != PPDERR_NONE) return PPDERR_SYNTAX;
    feature->wFlags |= required ? UIGF_REQPAGERGN_TRUE : UIGF_REQPAGERGN_FALSE;
    return PPDERR_NONE;
  }

  // One slot: a value that is no boolean leaves it at 0, and is accepted.
  SLOTOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_INPUTSLOT, &option);
  if (result != PPDERR_NONE) return result;
  GetBooleanValue(&option->bReqPageRgn, entry->value.pBuf);
  return PPDERR_NONE;
}

DWORD CustomPageSizeProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  DWORD supported = 0;
  if (GetBooleanValue(&supported, entry->option.pBuf) != PPDERR_NONE || !supported) {
    return PPDERR_NONE;
  }
  ppd->bCustomPageSize = 1;
  return GetStringValue(&ppd->pstrCustomPageSize, &entry->value, ppd->pHeap, CONVERT_INVOCATION);
}

DWORD ParamCustomPageProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD parameter = 0;
  if (!SearchStringTable(customParamStrs, entry->option.pBuf, &parameter)) return PPDERR_NONE;

  const char* cursor = entry->value.pBuf;
  char word[WORD_BUFFER_SIZE];
  DWORD order = 0;
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (GetIntegerValue(&order, word) != PPDERR_NONE) return PPDERR_SYNTAX;
  if (order < 1 || order > CUSTOM_PARAM_COUNT) return PPDERR_SYNTAX;

  WORD type = 0;
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (!SearchStringTable(customTypeStrs, word, &type)) return PPDERR_NONE;

  // The limits are reals whatever the type word says.
  PSREAL limits[2] = {};
  DWORD result = read_reals(cursor, limits, 2);
  if (result != PPDERR_NONE) return result;

  ppd->customParams[parameter] = CUSTOMPARAM{order, type, limits[0], limits[1]};
  return PPDERR_NONE;
}

DWORD MaxMediaWidthProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetRealValue(&ppd->maxMediaWidth, entry->value.pBuf);
}

DWORD MaxMediaHeightProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetRealValue(&ppd->maxMediaHeight, entry->value.pBuf);
}

DWORD HwMarginsProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  PSREAL margins[4] = {};
  DWORD result = read_reals(entry->value.pBuf, margins, 4);
  if (result != PPDERR_NONE) return result;
  std::memcpy(ppd->hwMargins, margins, sizeof margins);
  ppd->bHwMargins = 1;
  return PPDERR_NONE;
}

// The three resolution keywords record which of them came last before
// anything else, so the mark changes even when the entry then fails.

DWORD ResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  ppd->wResType = 0;
  RESOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_RESOLUTION, &option);
  if (result != PPDERR_NONE) return result;
  return copy_value(ppd, entry, &option->pstrInvocation);
}

DWORD JclResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  ppd->wResType = 1;
  RESOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_RESOLUTION, &option);
  if (result != PPDERR_NONE) return result;
  return GetStringValue(&option->pstrJclResolution, &entry->value, ppd->pHeap, CONVERT_HEX);
}

DWORD SetResolutionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  ppd->wResType = 2;
  RESOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_RESOLUTION, &option);
  if (result != PPDERR_NONE) return result;
  return copy_value(ppd, entry, &option->pstrSetResolution);
}

DWORD DefaultJclResProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  UIGROUP* feature = nullptr;
  DWORD result = CreateUiGroup(ppd, UIGRP_RESOLUTION, entry->keyword.pBuf, &feature);
  if (result != PPDERR_NONE) return result;
  return GetStringValue(&feature->pstrDefault, &entry->value, ppd->pHeap, CONVERT_KEYWORD);
}

DWORD ScreenAngleProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetRealValue(&ppd->screenAngle, entry->value.pBuf);
}

DWORD ScreenFreqProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetRealValue(&ppd->screenFreq, entry->value.pBuf);
}

DWORD ResScreenAngleProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  RESOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_RESOLUTION, &option);
  if (result != PPDERR_NONE) return result;
  return GetRealValue(&option->screenAngle, entry->value.pBuf);
}

DWORD ResScreenFreqProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  RESOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_RESOLUTION, &option);
  if (result != PPDERR_NONE) return result;
  return GetRealValue(&option->screenFreq, entry->value.pBuf);
}

DWORD FreeVmProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetIntegerValue(&ppd->dwFreeVm, entry->value.pBuf);
}

DWORD InstalledMemProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  VMOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_VMOPTION, &option);
  if (result != PPDERR_NONE) return result;
  return copy_value(ppd, entry, &option->pstrInvocation);
}

DWORD VmOptionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  VMOPTION* option = nullptr;
  DWORD result = create_option(ppd, entry, UIGRP_VMOPTION, &option);
  if (result != PPDERR_NONE) return result;
  return GetIntegerValue(&option->dwFreeVm, entry->value.pBuf);
}
