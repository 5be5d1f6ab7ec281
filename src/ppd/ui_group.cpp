// Features and options: the predefined feature table and the creators.
#include "ppd/ui_group.h"

#include <cstring>
#include <new>

#include "rt/arith.h"

const UIGRPINFO uigrpInfo[PREDEF_GROUP_COUNT] = {
    {"PageSize", MEDIAOPTION_IMAGE_SIZE, UITYPE_PICKONE, UIGRP_PAGESIZE},
    {"InputSlot", SLOTOPTION_IMAGE_SIZE, UITYPE_PICKONE, UIGRP_INPUTSLOT},
    {"ManualFeed", UIOPTION_IMAGE_SIZE, UITYPE_BOOLEAN, UIGRP_MANUALFEED},
    {"Duplex", UIOPTION_IMAGE_SIZE, UITYPE_PICKONE, UIGRP_DUPLEX},
    {"Collate", UIOPTION_IMAGE_SIZE, UITYPE_BOOLEAN, UIGRP_COLLATE},
    {"Resolution", RESOPTION_IMAGE_SIZE, UITYPE_PICKONE, UIGRP_RESOLUTION},
    {"VMOption", VMOPTION_IMAGE_SIZE, UITYPE_PICKONE, UIGRP_VMOPTION},
};

const STRTABLEENTRY uitypeStrs[4] = {
    {"PickOne", UITYPE_PICKONE},
    {"PickMany", UITYPE_PICKMANY},
    {"Boolean", UITYPE_BOOLEAN},
    {nullptr, UITYPE_PICKONE},
};

namespace ymcko {

DWORD option_record_size(WORD index) {
  switch (index) {
    case UIGRP_PAGESIZE:
      return sizeof(MEDIAOPTION);
    case UIGRP_INPUTSLOT:
      return sizeof(SLOTOPTION);
    case UIGRP_RESOLUTION:
      return sizeof(RESOPTION);
    case UIGRP_VMOPTION:
      return sizeof(VMOPTION);
    default:
      return sizeof(UIOPTION);
  }
}

char* pool_copy(HEAPOBJ* pool, const char* text) {
  if (text == nullptr) text = "";
  auto size = rt::fit_ulong(std::uint64_t{std::strlen(text)} + 1);
  if (!size) return nullptr;
  auto* copy = static_cast<char*>(HEAPOBJ_Alloc(pool, *size));
  if (copy != nullptr) std::memcpy(copy, text, *size);
  return copy;
}

}  // namespace ymcko

namespace {

// Makes the zero-filled native record for the feature index in pool memory.
UIOPTION* new_option_record(HEAPOBJ* pool, WORD index) {
  void* piece = HEAPOBJ_Alloc(pool, ymcko::option_record_size(index));
  if (piece == nullptr) return nullptr;
  switch (index) {
    case UIGRP_PAGESIZE:
      return new (piece) MEDIAOPTION{};
    case UIGRP_INPUTSLOT:
      return new (piece) SLOTOPTION{};
    case UIGRP_RESOLUTION:
      return new (piece) RESOPTION{};
    case UIGRP_VMOPTION:
      return new (piece) VMOPTION{};
    default:
      return new (piece) UIOPTION{};
  }
}

}  // namespace

WORD GetUiGroupIndex(const char* name) {
  if (name == nullptr) return UIGRP_GENERIC;
  for (const UIGRPINFO& row : uigrpInfo) {
    if (std::strcmp(row.pstrName, name) == 0) return row.wIndex;
  }
  return UIGRP_GENERIC;
}

void GetUiGroupInfo(UIGRPINFO* row, WORD index, const char* name) {
  if (index >= UIGRP_GENERIC) index = GetUiGroupIndex(name);
  if (index < UIGRP_GENERIC) {
    *row = uigrpInfo[index];
  } else {
    *row = UIGRPINFO{name == nullptr ? "" : name, UIOPTION_IMAGE_SIZE, UITYPE_PICKONE,
                     UIGRP_GENERIC};
  }
}

UIGROUP* UIGROUP_Create(PPDOBJ* ppd, const UIGRPINFO* row) {
  void* piece = HEAPOBJ_Alloc(ppd->pHeap, sizeof(UIGROUP));
  if (piece == nullptr) return nullptr;
  auto* feature = new (piece) UIGROUP{};
  feature->wIndex = row->wIndex;
  feature->wUiType = row->wUiType;
  feature->cbOption = row->cbOption;

  feature->pstrName = ymcko::pool_copy(ppd->pHeap, row->pstrName);
  if (feature->pstrName == nullptr) return nullptr;

  // Registered only once it is whole, so no half-made feature is reachable.
  if (row->wIndex < UIGRP_GENERIC) {
    feature->bInstallable = row->wIndex == UIGRP_VMOPTION ? 1 : 0;
    ppd->pPredefGroups[row->wIndex] = feature;
  } else {
    feature->bInstallable = ppd->bInstallableOptions;
  }
  return feature;
}

UIOPTION* UIOPTION_Create(HEAPOBJ* pool, const BUFOBJ* option, const BUFOBJ* translation,
                          WORD wIndex) {
  UIOPTION* record = new_option_record(pool, wIndex);
  if (record == nullptr) return nullptr;
  if (GetStringValue(&record->pstrName, option, pool, CONVERT_KEYWORD) != PPDERR_NONE) {
    return nullptr;
  }
  if (translation->cbLen != 0 &&
      GetStringValue(&record->pstrTranslation, translation, pool, CONVERT_HEX) != PPDERR_NONE) {
    return nullptr;
  }
  return record;
}

DWORD CreateUiGroup(PPDOBJ* ppd, WORD index, const char* name, UIGROUP** out) {
  UIGRPINFO row;
  GetUiGroupInfo(&row, index, name);
  UIGROUP* feature = LISTOBJ_Find(ppd->pUiGroups, row.pstrName);
  if (feature == nullptr) {
    feature = UIGROUP_Create(ppd, &row);
    if (feature == nullptr) return PPDERR_MEMORY;
    LISTOBJ_Add(&ppd->pUiGroups, feature);
  }
  *out = feature;
  return PPDERR_NONE;
}

DWORD CreateUiOption(PPDOBJ* ppd, PARSEROBJ* entry, WORD index, UIOPTION** out) {
  UIGROUP* feature = nullptr;
  DWORD result = CreateUiGroup(ppd, index, entry->keyword.pBuf, &feature);
  if (result != PPDERR_NONE) return result;

  UIOPTION* option = LISTOBJ_Find(feature->pOptions, entry->option.pBuf);
  if (option == nullptr) {
    // The record is the one the feature's own index calls for, so every
    // option of a predefined feature carries that feature's extra fields.
    option = UIOPTION_Create(ppd->pHeap, &entry->option, &entry->translation, feature->wIndex);
    if (option == nullptr) return PPDERR_MEMORY;
    LISTOBJ_Add(&feature->pOptions, option);
  } else if (entry->translation.cbLen != 0 && option->pstrTranslation == nullptr) {
    result = GetStringValue(&option->pstrTranslation, &entry->translation, ppd->pHeap,
                            CONVERT_HEX);
    if (result != PPDERR_NONE) return result;
  }
  *out = option;
  return PPDERR_NONE;
}
