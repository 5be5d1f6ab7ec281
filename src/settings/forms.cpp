// Forms: the settings' paper fields against the forms database and the
// description's page sizes.
#include "settings/forms.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppd/ui_group.h"
#include "ppdimage/ppd_query.h"
#include "settings/string_copy.h"
#include "settings/units.h"

using ymcko::image_item;
using ymcko::ppd_view;

namespace {

// A page size option's imageable area in the image: left, lower, right, upper.
constexpr DWORD kMediaImageable = offsetof(ymcko::image_media_option, rcImageable);

// Custom sizes match a database form within this many micrometres, inclusive.
constexpr std::int64_t kSizeTolerance = 1000;

// Micrometres per tenth of a millimetre, the settings' paper unit.
constexpr LONG kMicronsPerTenth = 100;

const WCHAR kEmptyName[] = u"";

// The enumerated forms database: its block, the records it holds and its size.
struct form_list {
  FORM_INFO_1* block = nullptr;
  DWORD count = 0;
  DWORD bytes = 0;
};

form_list read_forms(HANDLE printer) {
  DWORD needed = 0, count = 0;
  if (EngEnumForms(printer, 1, nullptr, 0, &needed, &count)) return {};
  if (EngGetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return {};

  auto* block = static_cast<FORM_INFO_1*>(EngAllocMem(0, needed, PPD_POOL_TAG));
  if (block == nullptr) return {};
  DWORD filled = 0;
  if (!EngEnumForms(printer, 1, reinterpret_cast<BYTE*>(block), needed, &filled, &count)) {
    EngFreeMem(block);
    return {};
  }
  // The count is the filling call's, and never more records than the block holds.
  count = std::min<DWORD>(count, needed / sizeof(FORM_INFO_1));
  return {block, count, needed};
}

FORM_INFO_1 form_at(const form_list& list, DWORD index) {
  FORM_INFO_1 form;
  std::memcpy(&form, reinterpret_cast<const BYTE*>(list.block) + index * sizeof(FORM_INFO_1),
              sizeof form);
  return form;
}

// A form's name when it lies inside the list block and ends there; else empty.
const WCHAR* form_name(const form_list& list, const FORM_INFO_1& form) {
  const auto start = reinterpret_cast<std::uintptr_t>(list.block);
  const auto name = reinterpret_cast<std::uintptr_t>(form.pName);
  if (form.pName == nullptr || name < start || name >= start + list.bytes ||
      (name - start) % sizeof(WCHAR) != 0) {
    return kEmptyName;
  }
  const std::size_t room = (start + list.bytes - name) / sizeof(WCHAR);
  for (std::size_t i = 0; i < room; ++i) {
    if (form.pName[i] == 0) return form.pName;
  }
  return kEmptyName;
}

// Folds Latin-1 capitals (ASCII and the accented ones) to small letters.
WCHAR fold_case(WCHAR c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return WCHAR(c + 0x20);
  return c;
}

// True when a form's name equals the settings' form name (at most 32
// characters, terminated or not) ignoring letter case.
bool same_form_name(const WCHAR* name, const WCHAR (&wanted)[CCHFORMNAME]) {
  std::size_t i = 0;
  for (; i < CCHFORMNAME; ++i) {
    if (fold_case(name[i]) != fold_case(wanted[i])) return false;
    if (wanted[i] == 0) return true;
  }
  return name[i] == 0;
}

bool within_tolerance(LONG a, LONG b) {
  return std::int64_t{a} - std::int64_t{b} <= kSizeTolerance &&
         std::int64_t{b} - std::int64_t{a} <= kSizeTolerance;
}

SHORT held_short(std::int64_t value) {
  return SHORT(std::clamp<std::int64_t>(value, std::numeric_limits<SHORT>::min(),
                                        std::numeric_limits<SHORT>::max()));
}

// a - b, held at the limits of a LONG.
LONG held_difference(LONG a, LONG b) {
  return LONG(std::clamp<std::int64_t>(std::int64_t{a} - b, std::numeric_limits<LONG>::min(),
                                       std::numeric_limits<LONG>::max()));
}

// The position (from 0) of the form the settings name, or count when none does.
DWORD find_form(const form_list& list, const DEVMODEW& dm) {
  if (dm.dmFields & DM_PAPERSIZE) {
    const bool in_range = dm.dmPaperSize >= 1 && DWORD(dm.dmPaperSize) <= list.count;
    return in_range ? DWORD(dm.dmPaperSize - 1) : list.count;
  }
  if (dm.dmFields & DM_FORMNAME) {
    for (DWORD i = 0; i < list.count; ++i) {
      if (same_form_name(form_name(list, form_at(list, i)), dm.dmFormName)) return i;
    }
  }
  return list.count;
}

}  // namespace

const WCHAR* GetDefaultFormName(BOOL) { return u"CR-80"; }

FORM_INFO_1* GetDatabaseForms(HANDLE hPrinter, DWORD* pcForms) {
  form_list list = read_forms(hPrinter);
  if (pcForms != nullptr) *pcForms = list.count;
  return list.block;
}

DWORD ValidateDevModeForm(HANDLE hPrinter, DEVMODEW* pdm, FORM_RECORD* pForm) {
  form_list list = read_forms(hPrinter);
  if (list.block == nullptr || list.count == 0) {
    EngFreeMem(list.block);
    pForm->info.pName = pForm->awcName;
    return FORM_NONE;
  }

  DWORD result = FORM_NONE;
  DWORD found = list.count;
  const bool custom = (pdm->dmFields & DM_PAPERWIDTH) && (pdm->dmFields & DM_PAPERLENGTH) &&
                      pdm->dmPaperWidth > 0 && pdm->dmPaperLength > 0;
  if (custom) {
    const LONG width = LONG{pdm->dmPaperWidth} * kMicronsPerTenth;
    const LONG length = LONG{pdm->dmPaperLength} * kMicronsPerTenth;
    for (DWORD i = 0; i < list.count && found == list.count; ++i) {
      const FORM_INFO_1 form = form_at(list, i);
      if (within_tolerance(form.Size.cx, width) && within_tolerance(form.Size.cy, length))
        found = i;
    }
    if (found == list.count) {
      pForm->info = FORM_INFO_1{0, nullptr, SIZEL{width, length}, RECTL{0, 0, width, length}};
      std::memset(pForm->awcName, 0, sizeof pForm->awcName);
      result = FORM_CUSTOM_SIZE;
    }
  } else {
    found = find_form(list, *pdm);
  }

  // A match brings the settings' paper fields in line with the form.
  if (found < list.count) {
    const FORM_INFO_1 form = form_at(list, found);
    const WCHAR* name = form_name(list, form);
    pForm->info = form;
    CopyStringW(pForm->awcName, name, CCHFORMRECORDNAME);
    pdm->dmPaperWidth = held_short(form.Size.cx / kMicronsPerTenth);
    pdm->dmPaperLength = held_short(form.Size.cy / kMicronsPerTenth);
    pdm->dmPaperSize = held_short(std::int64_t{found} + 1);
    CopyStringW(pdm->dmFormName, name, CCHFORMNAME);
    pdm->dmFields |= DM_FORMNAME;
    result = FORM_FROM_DATABASE;
  }

  pForm->info.pName = pForm->awcName;
  EngFreeMem(list.block);
  return result;
}

BOOL FormSupportedOnPrinter(const ppd_view& image, const FORM_RECORD* pForm,
                            PRINTERFORM* pPrinterForm, BOOL) {
  const image_item page_sizes = image.predefined(UIGRP_PAGESIZE);
  if (page_sizes.is_null() || pForm == nullptr) return FALSE;

  // The form's own name buffer, read no further than its 32 characters.
  WCHAR wide_name[CCHFORMRECORDNAME + 1] = {};
  std::memcpy(wide_name, pForm->awcName, sizeof pForm->awcName);
  char name[CCHFORMRECORDNAME];
  CopyUnicode2Str(name, wide_name, LONG{CCHFORMRECORDNAME});

  SHORT index = 0;
  const image_item option =
      PpdFindUiOptionWithXlation(image, image.options(page_sizes), name, &index);
  if (option.is_null()) return FALSE;
  if (pPrinterForm != nullptr) {
    FillStandardPrinterFormInfo(pPrinterForm, pForm, option);
    pPrinterForm->iPageSizeOption = WORD(index);
  }
  return TRUE;
}

void FillStandardPrinterFormInfo(PRINTERFORM* pPrinterForm, const FORM_RECORD* pForm,
                                 image_item option) {
  const char* keyword = option.name();
  CopyStringA(pPrinterForm->szOptionName, keyword != nullptr ? keyword : "",
              sizeof pPrinterForm->szOptionName);
  FillPrinterFormInfoCommon(pPrinterForm, pForm);

  PSRECT& area = pPrinterForm->rcImageable;
  area.left = std::max(area.left, PSREAL(option.field(kMediaImageable)));
  area.lower = std::max(area.lower, PSREAL(option.field(kMediaImageable + 4)));
  area.right = std::min(area.right, PSREAL(option.field(kMediaImageable + 8)));
  area.upper = std::min(area.upper, PSREAL(option.field(kMediaImageable + 12)));
}

void FillPrinterFormInfoCommon(PRINTERFORM* pPrinterForm, const FORM_RECORD* pForm) {
  const FORM_INFO_1& form = pForm->info;
  const LONG height = form.Size.cy;
  CopyStringW(pPrinterForm->wszFormName, pForm->awcName, CCHFORMRECORDNAME);
  pPrinterForm->szPaper = PSSIZE{MicronToPSReal(form.Size.cx), MicronToPSReal(height)};
  pPrinterForm->rcImageable = PSRECT{
      MicronToPSReal(form.ImageableArea.left),
      MicronToPSReal(held_difference(height, form.ImageableArea.bottom)),
      MicronToPSReal(form.ImageableArea.right),
      MicronToPSReal(held_difference(height, form.ImageableArea.top)),
  };
  pPrinterForm->bLandscape = 0;
}
