// Packing the built description into its image.
#include "ppdimage/ppd_pack.h"

#include <cstring>
#include <limits>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppd/builtin_card.h"
#include "ppd/ui_group.h"
#include "rt/wide_string.h"

namespace {

using ymcko::image_constraint_entry;
using ymcko::image_orderdep_entry;
using ymcko::image_table_header;
using ymcko::image_ui_option;

// The image's running size: 32-bit offsets, with an overflow flag so that an
// impossibly large description packs to nothing instead of wrapping.
struct Cursor {
  std::uint64_t at;
  DWORD offset() const { return static_cast<DWORD>(at); }
};

constexpr std::int64_t kLongMax = std::numeric_limits<LONG>::max();

// Printer memory below this is taken as this (bytes).
constexpr DWORD kMinFreeVm = 102400;

constexpr std::uint64_t round4(std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; }

template <class T>
void put(BYTE* dst, DWORD at, const T& value) {
  if (dst != nullptr) std::memcpy(dst + at, &value, sizeof value);
}

void link(BYTE* dst, DWORD field_at, DWORD target) { put(dst, field_at, target); }

// The number at the start of a keyword, read like atol (leading blanks, a
// sign, digits) in 64 bits and limited to the 32-bit maximum.
std::int64_t leading_number(const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' ||
         *text == '\v')
    ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  std::int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > kLongMax) value = std::int64_t{kLongMax} + 1;  // enough to saturate
  }
  return negative ? -value : value;
}

// Packs the strings of one option record (translation, invocation and the
// kind's own strings) behind it and writes the record.
std::uint64_t pack_option(BYTE* dst, DWORD record, std::uint64_t off, UIOPTION* option, WORD index,
                          DWORD name, DWORD size) {
  image_ui_option common{};
  common.pstrName = name;
  common.dwHash = option->dwHash;
  off += PackPstr(dst, DWORD(off), option->pstrTranslation, &common.pstrTranslation);
  off += PackPstr(dst, DWORD(off), option->pstrInvocation, &common.pstrInvocation);

  switch (index) {
    case UIGRP_PAGESIZE: {
      auto* media = static_cast<MEDIAOPTION*>(option);
      ymcko::image_media_option packed{};
      packed.common = common;
      off += PackPstr(dst, DWORD(off), media->pstrPageRegion, &packed.pstrPageRegion);
      packed.szPaper = media->szPaper;
      packed.rcImageable[0] = media->rcImageable.left;
      packed.rcImageable[1] = media->rcImageable.lower;
      packed.rcImageable[2] = media->rcImageable.right;
      packed.rcImageable[3] = media->rcImageable.upper;
      if (size >= sizeof packed) put(dst, record, packed);
      break;
    }
    case UIGRP_RESOLUTION: {
      auto* res = static_cast<RESOPTION*>(option);
      ymcko::image_res_option packed{};
      packed.common = common;
      off += PackPstr(dst, DWORD(off), res->pstrJclResolution, &packed.pstrJclResolution);
      off += PackPstr(dst, DWORD(off), res->pstrSetResolution, &packed.pstrSetResolution);
      packed.screenAngle = res->screenAngle;
      packed.screenFreq = res->screenFreq;
      if (size >= sizeof packed) put(dst, record, packed);
      break;
    }
    case UIGRP_INPUTSLOT:
      put(dst, record,
          ymcko::image_slot_option{common, static_cast<SLOTOPTION*>(option)->bReqPageRgn});
      break;
    case UIGRP_VMOPTION:
      put(dst, record, ymcko::image_vm_option{common, static_cast<VMOPTION*>(option)->dwFreeVm});
      break;
    default:
      put(dst, record, common);
      break;
  }
  return off;
}

// In the measuring pass, a page size's geometry is made consistent: no
// paper without both sides, the imageable area inside the paper, and the
// whole paper when the area is empty. Compared as unsigned values.
void normalize_media(MEDIAOPTION* media) {
  auto w = static_cast<DWORD>(media->szPaper.width);
  auto h = static_cast<DWORD>(media->szPaper.height);
  if (w == 0 || h == 0) w = h = 0;
  auto x0 = static_cast<DWORD>(media->rcImageable.left);
  auto y0 = static_cast<DWORD>(media->rcImageable.lower);
  auto x1 = static_cast<DWORD>(media->rcImageable.right);
  auto y1 = static_cast<DWORD>(media->rcImageable.upper);
  if (x1 > w) x1 = w;
  if (y1 > h) y1 = h;
  if (x0 >= x1 || y0 >= y1) x0 = 0, y0 = 0, x1 = w, y1 = h;
  media->szPaper = {PSREAL(w), PSREAL(h)};
  media->rcImageable = {PSREAL(x0), PSREAL(y0), PSREAL(x1), PSREAL(y1)};
}

// Packs a list: each item's record (its size raised to a multiple of 4),
// then its name, then what `pack_item` adds; links the records in list order.
template <class Item, class PackItem>
std::uint64_t pack_list(BYTE* dst, std::uint64_t off, Item* head, DWORD item_size, DWORD head_field,
                        PackItem pack_item) {
  DWORD link_field = head_field;
  for (Item* item = head; item != nullptr; item = item->pNext) {
    const DWORD record = DWORD(off);
    link(dst, link_field, record);
    off += round4(item_size);
    DWORD name = 0;
    off += PackPstr(dst, DWORD(off), item->pstrName, &name);
    off = pack_item(record, off, item, name);
    link_field = record;  // pNext is every record's first field
  }
  return off;
}

std::uint64_t pack_feature(BYTE* dst, DWORD record, std::uint64_t off, UIGROUP* feature,
                           DWORD name) {
  ymcko::image_uigroup packed{};
  packed.pstrName = name;
  packed.dwHash = feature->dwHash;
  off += PackPstr(dst, DWORD(off), feature->pstrTranslation, &packed.pstrTranslation);
  packed.dwDefault = PackUiGroupDefault(feature);
  packed.cbOption = feature->cbOption;
  packed.wIndex = feature->wIndex;
  packed.wFlags = feature->wFlags;
  packed.wUiType = feature->wUiType;
  packed.wFeatureIndex = feature->wFeatureIndex;
  packed.bInstallable = feature->bInstallable;
  put(dst, record, packed);

  const WORD index = feature->wIndex;
  const DWORD size = feature->cbOption;
  return pack_list(dst, off, feature->pOptions, size, record + IMAGE_UIGROUP_OPTIONS,
                   [&](DWORD option_record, std::uint64_t at, UIOPTION* option, DWORD option_name) {
                     if (dst == nullptr && index == UIGRP_PAGESIZE)
                       normalize_media(static_cast<MEDIAOPTION*>(option));
                     return pack_option(dst, option_record, at, option, index, option_name, size);
                   });
}

std::uint64_t pack_font(BYTE* dst, DWORD record, std::uint64_t off, DEVFONT* font, DWORD name) {
  ymcko::image_devfont packed{};
  packed.pstrName = name;
  packed.dwHash = font->dwHash;
  off += PackPstr(dst, DWORD(off), font->pstrTranslation, &packed.pstrTranslation);
  packed.wEncoding = font->wEncoding;
  packed.wCharSet = font->wCharSet;
  packed.wIndex = font->wIndex;
  put(dst, record, packed);
  return off;
}

// Positions of a feature and one of its options in the sorted lists, as the
// tables keep them: feature -1 when unusable, option 0xFF when none is named.
void find_selection(PPDOBJ* ppd, const char* feature_name, const char* option_name, SHORT* feature,
                    SHORT* option) {
  WORD feature_at = LIST_NO_POSITION;
  UIGROUP* found = LISTOBJ_FindItemIndex(ppd->pUiGroups, feature_name, &feature_at);
  *feature = SHORT(feature_at);
  *option = 0;
  if (found == nullptr) return;
  if (option_name == nullptr) {
    *option = SHORT(ymcko::NO_OPTION);
    return;
  }
  WORD option_at = LIST_NO_POSITION;
  LISTOBJ_FindItemIndex(found->pOptions, option_name, &option_at);
  *option = SHORT(option_at);
}

}  // namespace

DWORD PackPstr(BYTE* dst, DWORD off, const char* str, DWORD* field) {
  if (field != nullptr) *field = 0;
  if (str == nullptr) return 0;
  const std::size_t n = std::strlen(str);
  if (dst != nullptr) std::memcpy(dst + off, str, n + 1);
  if (field != nullptr) *field = off;
  return static_cast<DWORD>(round4(n + 1));
}

DWORD PackPwstr(BYTE* dst, DWORD off, const WCHAR* str, DWORD* field) {
  if (field != nullptr) *field = 0;
  if (str == nullptr) return 0;
  const std::size_t n = ymcko::rt::wide_length(str);
  if (dst != nullptr) std::memcpy(dst + off, str, (n + 1) * sizeof(WCHAR));
  if (field != nullptr) *field = off;
  return static_cast<DWORD>(round4(2 * n + 2));
}

DWORD PackUiGroupDefault(const UIGROUP* feature) {
  if (feature->wIndex == UIGRP_RESOLUTION) {
    const char* text = feature->pstrDefault;
    if (text == nullptr && feature->pOptions != nullptr) text = feature->pOptions->pstrName;
    std::int64_t dpi = text != nullptr ? leading_number(text) : 0;
    if (dpi <= 0) return 300;
    return dpi > kLongMax ? DWORD(kLongMax) : DWORD(dpi);
  }
  if (feature->pstrDefault == nullptr) return 0;
  WORD position = LIST_NO_POSITION;
  LISTOBJ_FindItemIndex(feature->pOptions, feature->pstrDefault, &position);
  return position == LIST_NO_POSITION ? 0 : position;
}

DWORD PackOrderDep(BYTE* dst, DWORD off, PPDOBJ* ppdobj, DWORD* field) {
  const DWORD count = LISTOBJ_Count(ppdobj->pOrderDeps);
  if (field != nullptr) *field = off;
  put(dst, off, image_table_header{WORD(count), sizeof(image_orderdep_entry)});
  DWORD at = off + sizeof(image_table_header);
  for (ORDERDEP* dep = ppdobj->pOrderDeps; dep != nullptr;
       dep = dep->pNext, at += sizeof(image_orderdep_entry)) {
    image_orderdep_entry entry{};
    find_selection(ppdobj, dep->pstrName, dep->pstrOption, &entry.wFeature, &entry.wOption);
    if (entry.wFeature == -1 || entry.wOption == -1) entry.wFeature = -1;
    entry.order = dep->order;
    entry.wSection = dep->wSection;
    put(dst, at, entry);
  }
  return sizeof(image_table_header) + count * sizeof(image_orderdep_entry);
}

DWORD PackUiConstraints(BYTE* dst, DWORD off, PPDOBJ* ppdobj, DWORD* field) {
  const DWORD count = LISTOBJ_Count(ppdobj->pUiConstraints);
  if (field != nullptr) *field = off;
  put(dst, off, image_table_header{WORD(count), sizeof(image_constraint_entry)});
  DWORD at = off + sizeof(image_table_header);
  for (UICONSTRAINT* c = ppdobj->pUiConstraints; c != nullptr;
       c = c->pNext, at += sizeof(image_constraint_entry)) {
    image_constraint_entry entry{};
    find_selection(ppdobj, c->pstrName, c->pstrOption1, &entry.wFeature1, &entry.wOption1);
    find_selection(ppdobj, c->pstrFeature2, c->pstrOption2, &entry.wFeature2, &entry.wOption2);
    if (entry.wFeature1 == -1 || entry.wOption1 == -1 || entry.wFeature2 == -1 ||
        entry.wOption2 == -1) {
      entry.wFeature1 = -1;
    }
    put(dst, at, entry);
  }
  return sizeof(image_table_header) + count * sizeof(image_constraint_entry);
}

void PpdSortUiGroups(PPDOBJ* ppdobj) {
  UIGROUP* documents = nullptr;
  UIGROUP** documents_end = &documents;
  UIGROUP* printers = nullptr;
  UIGROUP** printers_end = &printers;
  WORD doc_count = 0, printer_count = 0;
  for (UIGROUP* feature = ppdobj->pUiGroups; feature != nullptr;) {
    UIGROUP* next = feature->pNext;
    feature->pNext = nullptr;
    if (feature->bInstallable == 0) {
      feature->wFeatureIndex = doc_count++;
      *documents_end = feature;
      documents_end = &feature->pNext;
    } else {
      feature->wFeatureIndex = printer_count++;
      *printers_end = feature;
      printers_end = &feature->pNext;
    }
    feature = next;
  }
  *documents_end = printers;
  ppdobj->pUiGroups = documents;
  ppdobj->cDocStickyFeatures = WORD(ppdobj->cDocStickyFeatures + doc_count);
  ppdobj->cPrinterStickyFeatures = WORD(ppdobj->cPrinterStickyFeatures + printer_count);
}

DWORD DoPackPpd(BYTE* dst, PPDOBJ* ppdobj) {
  // The header: the description's device-wide fields, offsets filled below.
  PPDDATA header{};
  header.wVersion = ppdobj->wVersion;
  header.wChecksum = ppdobj->wChecksum;
  header.wProtocols = ppdobj->wProtocols;
  header.wLsOrientation = ppdobj->wLsOrientation;
  header.wTTRasterizer = ppdobj->wTTRasterizer;
  header.wLangEncoding = ppdobj->wLangEncoding;
  header.dwFreeVm = ppdobj->dwFreeVm;
  header.dwLangLevel = ppdobj->dwLangLevel;
  header.dwJobTimeout = ppdobj->dwJobTimeout;
  header.dwWaitTimeout = ppdobj->dwWaitTimeout;
  header.bColorDevice = ppdobj->bColorDevice;
  header.bPrintPsErrors = ppdobj->bPrintPsErrors;
  header.bCustomPageSize = ppdobj->bCustomPageSize;
  header.bHwMargins = ppdobj->bHwMargins;
  std::memcpy(header.hwMargins, ppdobj->hwMargins, sizeof header.hwMargins);
  std::memcpy(header.customParams, ppdobj->customParams, sizeof header.customParams);
  header.maxMediaWidth = ppdobj->maxMediaWidth;
  header.maxMediaHeight = ppdobj->maxMediaHeight;
  header.wExtensions = ppdobj->wExtensions;
  header.wResType = ppdobj->wResType;
  header.screenAngle = ppdobj->screenAngle;
  header.screenFreq = ppdobj->screenFreq;
  header.cDocStickyFeatures = ppdobj->cDocStickyFeatures;
  header.cPrinterStickyFeatures = ppdobj->cPrinterStickyFeatures;

  std::uint64_t off = sizeof(PPDDATA);
  off += PackPwstr(dst, DWORD(off), ppdobj->pwstrDataFile, &header.pwstrDataFile);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrNickName, &header.pstrNickName);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrPassword, &header.pstrPassword);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrExitServer, &header.pstrExitServer);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrCustomPageSize, &header.pstrCustomPageSize);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrJclBegin, &header.pstrJclBegin);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrJclToPs, &header.pstrJclToPs);
  off += PackPstr(dst, DWORD(off), ppdobj->pstrJclEnd, &header.pstrJclEnd);
  off += PackOrderDep(dst, DWORD(off), ppdobj, &header.pOrderDeps);
  off += PackUiConstraints(dst, DWORD(off), ppdobj, &header.pUiConstraints);
  if (off > 0xFFFF0000u) return 0;

  // The lists link into the header copy already written, so write it first.
  put(dst, 0, header);
  off = pack_list(dst, off, ppdobj->pUiGroups, sizeof(ymcko::image_uigroup),
                  offsetof(PPDDATA, pUiGroups),
                  [&](DWORD record, std::uint64_t at, UIGROUP* feature, DWORD name) {
                    return pack_feature(dst, record, at, feature, name);
                  });
  off = pack_list(dst, off, ppdobj->pDevFonts, sizeof(ymcko::image_devfont),
                  offsetof(PPDDATA, pDevFonts),
                  [&](DWORD record, std::uint64_t at, DEVFONT* font, DWORD name) {
                    return pack_font(dst, record, at, font, name);
                  });
  return off > 0xFFFF0000u ? 0 : static_cast<DWORD>(off);
}

PPDDATA* PackPpdData(PPDOBJ* ppdobj, DWORD* pcbSize) {
  if (pcbSize != nullptr) *pcbSize = 0;
  // "RequiresPageRegion All" overrides every slot's own statement.
  if (UIGROUP* slots = ppdobj->pPredefGroups[UIGRP_INPUTSLOT];
      slots != nullptr && (slots->wFlags & (UIGF_REQPAGERGN_TRUE | UIGF_REQPAGERGN_FALSE))) {
    const DWORD required = (slots->wFlags & UIGF_REQPAGERGN_TRUE) ? 1 : 0;
    for (UIOPTION* slot = slots->pOptions; slot != nullptr; slot = slot->pNext) {
      static_cast<SLOTOPTION*>(slot)->bReqPageRgn = required;
    }
  }
  PpdSortUiGroups(ppdobj);
  if (ppdobj->dwFreeVm < kMinFreeVm) ppdobj->dwFreeVm = kMinFreeVm;
  if (ppdobj->bCustomPageSize && ppdobj->maxMediaWidth == 0 && ppdobj->maxMediaHeight == 0) {
    ppdobj->bCustomPageSize = 0;
  }

  PPDDATA* image = nullptr;
  const DWORD size = DoPackPpd(nullptr, ppdobj);
  if (size != 0) image = static_cast<PPDDATA*>(EngAllocMem(0, size, PPD_POOL_TAG));
  if (image != nullptr) {
    std::memset(image, 0, size);
    DoPackPpd(reinterpret_cast<BYTE*>(image), ppdobj);
    image->cbSize = size;
    image->wVersion = PPD_IMAGE_VERSION;
    for (DWORD& entry : image->pPredefGroups) entry = 0;
    if (pcbSize != nullptr) *pcbSize = size;
  }
  PPDOBJ_Delete(ppdobj);
  return image;
}

PPDDATA* PpdCreate(const WCHAR* pwstrDataFile, DWORD* pcbSize) {
  if (pcbSize != nullptr) *pcbSize = 0;
  PPDOBJ* ppdobj = PPDOBJ_Create(pwstrDataFile);
  if (ppdobj == nullptr) return nullptr;
  DWORD size = 0;
  PPDDATA* image = PackPpdData(ppdobj, &size);
  if (image == nullptr) return nullptr;
  UnpackPpdData({reinterpret_cast<BYTE*>(image), size});
  if (pcbSize != nullptr) *pcbSize = size;
  return image;
}
