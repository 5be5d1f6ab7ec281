// The card-job settings defaults and the merge of an application's device mode.
#include "output/devmode_merge.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppd/ui_group.h"
#include "ppdimage/ppd_query.h"
#include "settings/string_copy.h"

namespace {

constexpr SHORT kMaxScale = 1000;
constexpr SHORT kMaxCopies = 999;
constexpr SHORT kDefaultScale = 100;
constexpr SHORT kDefaultCopies = 1;
constexpr SHORT kDefaultQuality = 300;
constexpr SHORT kDuplexLast = 3;  // simplex, vertical, horizontal

// The bytes a device mode must hold to state its own sizes.
constexpr std::size_t kSizeFieldsEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

WORD read_word(const DEVMODEW* dm, std::size_t at) {
  WORD value;
  std::memcpy(&value, reinterpret_cast<const BYTE*>(dm) + at, sizeof value);
  return value;
}

// The default document-sticky selections into the 64-byte array, with the
// description's checksum word.
void default_document_selections(DRVPRIVATE& priv, const ymcko::ppd_view& image) {
  priv.wPpdChecksum = image.checksum();
  priv.wFeatureCount = PpdDefaultDocumentStickyFeatures(image, std::span<BYTE>(priv.abFeatureSel));
}

// Selections made for this description (its checksum word) are kept as
// they came, whatever their count, unless the count is more than the 64-byte
// array can hold.
bool selections_belong_to(const DRVPRIVATE& priv, const ymcko::ppd_view& image) {
  return priv.wPpdChecksum == image.checksum() && priv.wFeatureCount <= MAX_DOC_STICKY_FEATURES;
}

void merge_paper(DEVMODEW& dm, const DEVMODEW& in) {
  const DWORD fields = in.dmFields;
  if ((fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH) && in.dmPaperWidth > 0 &&
      in.dmPaperLength > 0) {
    dm.dmPaperWidth = in.dmPaperWidth;
    dm.dmPaperLength = in.dmPaperLength;
    dm.dmFields = (dm.dmFields | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~(DM_PAPERSIZE | DM_FORMNAME);
  } else if (fields & DM_PAPERSIZE) {
    dm.dmPaperSize = in.dmPaperSize;
    dm.dmFields = (dm.dmFields | DM_PAPERSIZE) & ~(DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
  } else if (fields & DM_FORMNAME) {
    CopyStringW(dm.dmFormName, in.dmFormName, CCHFORMNAME);
    dm.dmFields = (dm.dmFields | DM_FORMNAME) & ~(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
  }
}

// Each public field the input marks, taken when in range, else its default.
void merge_public(DEVMODEW& dm, const DEVMODEW& in, const ymcko::ppd_view& image) {
  const DWORD fields = in.dmFields;
  if (fields & DM_DEFAULTSOURCE) {
    dm.dmFields |= DM_DEFAULTSOURCE;
    dm.dmDefaultSource = in.dmDefaultSource;
  }
  if (fields & DM_ORIENTATION) {
    dm.dmFields |= DM_ORIENTATION;
    const bool known =
        in.dmOrientation == DMORIENT_PORTRAIT || in.dmOrientation == DMORIENT_LANDSCAPE;
    dm.dmOrientation = known ? in.dmOrientation : DMORIENT_PORTRAIT;
  }
  merge_paper(dm, in);
  if (fields & DM_SCALE) {
    dm.dmFields |= DM_SCALE;
    dm.dmScale = in.dmScale >= 1 && in.dmScale <= kMaxScale ? in.dmScale : kDefaultScale;
  }
  if (fields & DM_COPIES) {
    dm.dmFields |= DM_COPIES;
    dm.dmCopies = in.dmCopies >= 1 && in.dmCopies <= kMaxCopies ? in.dmCopies : kDefaultCopies;
  }
  if (fields & DM_PRINTQUALITY) {
    dm.dmFields |= DM_PRINTQUALITY;
    dm.dmPrintQuality = in.dmPrintQuality > 0 ? in.dmPrintQuality : kDefaultQuality;
  }
  if (fields & DM_COLOR) {
    dm.dmFields |= DM_COLOR;
    const bool colour =
        image.u32(offsetof(PPDDATA, bColorDevice)) != 0 && in.dmColor == DMCOLOR_COLOR;
    dm.dmColor = colour ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
  }
  if (fields & DM_DUPLEX) {
    if (PpdSupportDuplex(image) && in.dmDuplex >= DMDUP_SIMPLEX && in.dmDuplex <= kDuplexLast) {
      dm.dmFields |= DM_DUPLEX;
      dm.dmDuplex = in.dmDuplex;
    } else {
      dm.dmDuplex = DMDUP_SIMPLEX;
    }
  }
  if (fields & DM_COLLATE) {
    if (PpdFindCollateCode(image, TRUE) != nullptr && (in.dmCollate == 0 || in.dmCollate == 1)) {
      dm.dmFields |= DM_COLLATE;
      dm.dmCollate = in.dmCollate;
    } else {
      dm.dmCollate = 0;
    }
  }
}

// True when the track text, up to its terminator or the field's end, holds
// a control character (below 0x20, or 0x7F): such a byte in the printer
// stream would end the stripe command early (SO, CR) or start another (ESC).
template <std::size_t N>
bool has_control_character(const WCHAR (&track)[N]) {
  for (WCHAR unit : track) {
    if (unit == 0) return false;
    if (unit < 0x20 || unit == 0x7F) return true;
  }
  return false;
}

template <std::size_t N>
void clear_track(WCHAR (&track)[N]) {
  std::fill(std::begin(track), std::end(track), WCHAR{0});
}

// Limits the application's private fields that reach the printer to their
// ranges: an intensity outside 0 to 100 becomes the default, an overlay
// area that is not empty and not one to send on the card becomes the
// default empty area, and a track holding a control character becomes
// empty (the default). The other fields are taken as the job output reads
// them for any value.
void limit_private(DRVPRIVATE& priv) {
  if (priv.lColorIntensity < COLOR_INTENSITY_MIN || priv.lColorIntensity > COLOR_INTENSITY_MAX)
    priv.lColorIntensity = COLOR_INTENSITY_DEFAULT;
  for (OVERLAYAREA& area : priv.aOverlayArea) {
    if (area.wKind != OVERLAY_EMPTY && !overlay_area_on_card(area))
      area = OVERLAYAREA{OVERLAY_EMPTY, 0, 0, CARD_COLUMNS - 1, CARD_LINES - 1};
  }
  if (has_control_character(priv.awcTrack1)) clear_track(priv.awcTrack1);
  if (has_control_character(priv.awcTrack2)) clear_track(priv.awcTrack2);
  if (has_control_character(priv.awcTrack3)) clear_track(priv.awcTrack3);
}

// The whole private part when it carries the signature, limited to the
// fields' ranges; track 2 is copied again so that it always ends within its
// field.
void merge_private(DRVPRIVATE& priv, const DRVPRIVATE& in, const ymcko::ppd_view& image) {
  if (std::memcmp(in.dwPrivateSignature, PRIVATE_SIGNATURE, sizeof PRIVATE_SIGNATURE) != 0) return;
  std::memcpy(&priv, &in, sizeof priv);
  CopyStringW(priv.awcTrack2, in.awcTrack2, TRACK2_CHARS);
  limit_private(priv);
  if (!selections_belong_to(priv, image)) default_document_selections(priv, image);
}

}  // namespace

BOOL SetDefaultDevMode(DRVDEVMODE* pdm, const WCHAR* pwstrDeviceName, const ymcko::ppd_view& image,
                       BOOL bMetric) {
  ymcko::write_devmode_defaults(*pdm, pwstrDeviceName, bMetric != 0);
  default_document_selections(pdm->dmPrivate, image);
  return TRUE;
}

BOOL ValidateSetDevMode(DRVDEVMODE* pdm, const DEVMODEW* pdmInput, std::size_t cbInput,
                        const ymcko::ppd_view& image) {
  if (pdmInput == nullptr) return TRUE;

  // The application's record must hold what its own sizes promise.
  if (cbInput < kSizeFieldsEnd) return FALSE;
  const std::size_t promised = std::size_t{read_word(pdmInput, offsetof(DEVMODEW, dmSize))} +
                               read_word(pdmInput, offsetof(DEVMODEW, dmDriverExtra));
  if (cbInput < promised) return FALSE;

  // The application's record in the current layout, over the current
  // settings, in a scratch block of engine memory. When no block can be had
  // the merge runs on a copy on the stack instead: giving up would leave the
  // instance with the defaults in place of the application's settings, and
  // its job would print as if none had been given.
  auto* block = static_cast<DRVDEVMODE*>(EngAllocMem(0, sizeof(DRVDEVMODE), PPD_POOL_TAG));
  DRVDEVMODE fallback;
  DRVDEVMODE* scratch = block != nullptr ? block : &fallback;
  std::memcpy(scratch, pdm, sizeof *scratch);
  const bool converted = ConvertDevmode(pdmInput, &scratch->dmPublic) > 0;
  if (converted) {
    merge_public(pdm->dmPublic, scratch->dmPublic, image);
    merge_private(pdm->dmPrivate, scratch->dmPrivate, image);
  }
  if (block != nullptr) EngFreeMem(block);
  return converted ? TRUE : FALSE;
}

LONG ConvertDevmode(const DEVMODEW* pdmSrc, DEVMODEW* pdmDest) {
  const WORD source_version = CheckDevmodeVersion(pdmSrc);
  const WORD version = CheckDevmodeVersion(pdmDest);
  if (source_version == 0 || version == 0) return -1;

  const WORD source_size = read_word(pdmSrc, offsetof(DEVMODEW, dmSize));
  const WORD source_extra = read_word(pdmSrc, offsetof(DEVMODEW, dmDriverExtra));
  const WORD driver_version = pdmDest->dmDriverVersion;
  const WORD size = pdmDest->dmSize;
  const WORD extra = pdmDest->dmDriverExtra;

  auto* dest = reinterpret_cast<BYTE*>(pdmDest);
  const auto* source = reinterpret_cast<const BYTE*>(pdmSrc);
  const std::size_t public_bytes = std::min(source_size, size);
  std::memmove(dest, source, public_bytes);
  pdmDest->dmSpecVersion = version;
  pdmDest->dmDriverVersion = driver_version;
  pdmDest->dmSize = size;
  pdmDest->dmDriverExtra = extra;

  const std::size_t private_bytes = std::min(source_extra, extra);
  std::memmove(dest + size, source + source_size, private_bytes);
  return LONG(public_bytes + private_bytes);
}

WORD CheckDevmodeVersion(const DEVMODEW* pdm) {
  if (pdm == nullptr) return 0;
  switch (read_word(pdm, offsetof(DEVMODEW, dmSize))) {
    case DM_SIZE_0x320:
      return 0x320;
    case DM_SIZE_0x400:
      return 0x400;
    case DM_SIZE_0x401:
      return 0x401;
    default:
      return read_word(pdm, offsetof(DEVMODEW, dmSpecVersion));
  }
}

DWORD PickDefaultHTPatSize(DWORD xDpi, DWORD yDpi, BOOL bSmaller) {
  struct step {
    DWORD dpi;
    DWORD index;
  };
  static constexpr step kSteps[] = {
      {2400, HT_PATSIZE_16x16_M}, {1800, HT_PATSIZE_14x14_M}, {1200, HT_PATSIZE_12x12_M},
      {900, HT_PATSIZE_10x10_M},  {400, HT_PATSIZE_8x8_M},    {180, HT_PATSIZE_6x6_M},
  };
  const DWORD dpi = std::min(xDpi, yDpi);
  DWORD index = HT_PATSIZE_4x4_M;
  for (const step& s : kSteps) {
    if (dpi >= s.dpi) {
      index = s.index;
      break;
    }
  }
  return bSmaller ? index - 2 : index;
}
