// Features and options of the description: the predefined features, the
// option record each feature uses, and finding or making a feature or option by name.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "ppd/value.h"

// The feature index of any feature that is not predefined.
inline constexpr WORD UIGRP_GENERIC = 7;

// Predefined feature indices, in uigrpInfo order.
inline constexpr WORD UIGRP_PAGESIZE = 0;
inline constexpr WORD UIGRP_INPUTSLOT = 1;
inline constexpr WORD UIGRP_MANUALFEED = 2;
inline constexpr WORD UIGRP_DUPLEX = 3;
inline constexpr WORD UIGRP_COLLATE = 4;
inline constexpr WORD UIGRP_RESOLUTION = 5;
inline constexpr WORD UIGRP_VMOPTION = 6;

// Bytes of each option record in the packed image's 32-bit layout, where
// every pointer takes 4 bytes; the packer steps through options by them.
inline constexpr DWORD UIOPTION_IMAGE_SIZE = 20;
inline constexpr DWORD MEDIAOPTION_IMAGE_SIZE = 48;
inline constexpr DWORD SLOTOPTION_IMAGE_SIZE = 24;
inline constexpr DWORD RESOPTION_IMAGE_SIZE = 36;
inline constexpr DWORD VMOPTION_IMAGE_SIZE = 24;

// One feature kind: name, image size of its option records, initial UI type, index.
struct UIGRPINFO {
  const char* pstrName;
  DWORD cbOption;
  WORD wUiType;
  WORD wIndex;
};

// The predefined features: PageSize, InputSlot, ManualFeed, Duplex, Collate,
// Resolution, VMOption.
extern const UIGRPINFO uigrpInfo[PREDEF_GROUP_COUNT];

// "PickOne" 1, "PickMany" 2, "Boolean" 0; end row 1.
extern const STRTABLEENTRY uitypeStrs[4];

// Index of the predefined feature named exactly `name`, else UIGRP_GENERIC.
WORD GetUiGroupIndex(const char* name);

// The feature kind for `index` when it is predefined, else for `name`: its
// predefined row when it names one, else (name, 20, PickOne, 7). A null name
// is taken as the empty name.
void GetUiGroupInfo(UIGRPINFO* row, WORD index, const char* name);

// A new zero-filled feature of the row's kind, registered in pPredefGroups
// when predefined, but not listed; null when the pool is exhausted. Of the
// predefined features only VMOption is installable; other features are
// installable inside the installable-options group.
UIGROUP* UIGROUP_Create(PPDOBJ* ppd, const UIGRPINFO* row);

// A new zero-filled option of the native record that the feature index calls
// for, named by the option text (unchanged) with the translation, if any,
// hex-decoded; null when the pool is exhausted or the translation malformed.
UIOPTION* UIOPTION_Create(HEAPOBJ* pool, const BUFOBJ* option, const BUFOBJ* translation,
                          WORD wIndex);

// Finds the feature of that kind (a predefined one always under its own
// name) or makes and lists it. PPDERR_MEMORY when it cannot be made.
DWORD CreateUiGroup(PPDOBJ* ppd, WORD index, const char* name, UIGROUP** out);

// Finds or makes the option the entry names in the feature that
// CreateUiGroup(index, entry keyword) gives; an existing option without
// translation takes the entry's. PPDERR_MEMORY when something cannot be made
// (a malformed translation included); PPDERR_SYNTAX for a malformed
// translation of an existing option, with *out unset.
DWORD CreateUiOption(PPDOBJ* ppd, PARSEROBJ* entry, WORD index, UIOPTION** out);

namespace ymcko {

// Bytes of the native option record that features of this index hold.
DWORD option_record_size(WORD index);

// A copy of text in the pool, or null when the pool is exhausted.
char* pool_copy(HEAPOBJ* pool, const char* text);

// CreateUiOption for a predefined feature, giving its own record type.
template <class Option>
DWORD create_option(PPDOBJ* ppd, PARSEROBJ* entry, WORD index, Option** out) {
  UIOPTION* option = nullptr;
  DWORD result = CreateUiOption(ppd, entry, index, &option);
  if (result == PPDERR_NONE) *out = static_cast<Option*>(option);
  return result;
}

}  // namespace ymcko
