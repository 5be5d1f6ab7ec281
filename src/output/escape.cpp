// Escapes: the support query, copy count and technology, and the private
// escapes through which applications hand over the magnetic-stripe data.
#include "output/escape.h"

#include <cstring>

#include "engine/engine.h"
#include "output/entry_points.h"
#include "records/pdev.h"

namespace {

constexpr char TECHNOLOGY[] = "Thermoprinter";

// Copies `cjIn` raw bytes over the start of a track field; input longer than
// the field is refused with the field unchanged rather than written past it.
ULONG set_track(WCHAR* field, std::size_t field_bytes, ULONG cjIn, const void* pvIn) {
  if (pvIn == nullptr) return ESCAPE_NO_INPUT;
  if (cjIn > field_bytes) return ESCAPE_BAD_SIZE;
  std::memcpy(field, pvIn, cjIn);
  return ESCAPE_DONE;
}

// Stores the copy count limited to 1..999; input shorter than the u32 count is
// refused, and the count in effect is written back only where it fits.
ULONG set_copy_count(PDEV* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (pvIn == nullptr || cjIn < sizeof(ULONG)) return ESCAPE_NO_INPUT;
  ULONG count = 0;
  std::memcpy(&count, pvIn, sizeof count);
  if (count >= ESCAPE_MAX_COPIES) count = ESCAPE_MAX_COPIES;
  if (count == 0) count = 1;
  pdev->cCopies = static_cast<LONG>(count);
  if (pvOut != nullptr && cjOut >= sizeof count) std::memcpy(pvOut, &count, sizeof count);
  return ESCAPE_DONE;
}

// Sets wMagMode from one letter: "Q", "R" or "W".
ULONG set_mag_mode(PDEV* pdev, ULONG cjIn, const void* pvIn) {
  if (pvIn == nullptr) return ESCAPE_NO_INPUT;
  if (cjIn != 1) return ESCAPE_BAD_SIZE;
  switch (*static_cast<const char*>(pvIn)) {
    case 'Q':
      pdev->dm.dmPrivate.wMagMode = MAG_MODE_Q;
      return ESCAPE_DONE;
    case 'R':
      pdev->dm.dmPrivate.wMagMode = MAG_MODE_R;
      return ESCAPE_DONE;
    case 'W':
      pdev->dm.dmPrivate.wMagMode = MAG_MODE_W;
      return ESCAPE_DONE;
    default:
      return ESCAPE_BAD_MODE;
  }
}

}  // namespace

BOOL isSupported(ULONG iEsc) {
  switch (iEsc) {
    case QUERYESCSUPPORT:
    case SETCOPYCOUNT:
    case GETTECHNOLOGY:
    case ESC_SET_MAG_TRACK1:
    case ESC_SET_MAG_TRACK2:
    case ESC_SET_MAG_TRACK3:
    case ESC_SET_MAG_MODE:
      return TRUE;
    default:
      return FALSE;
  }
}

// The query and technology escapes need no instance; every other escape
// checks it first. The query needs its two-byte escape number and answers 0
// without it.
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  if (!isSupported(iEsc)) return ESCAPE_UNSUPPORTED;

  if (iEsc == QUERYESCSUPPORT) {
    if (pvIn == nullptr || cjIn < sizeof(WORD)) return ESCAPE_UNSUPPORTED;
    WORD asked = 0;
    std::memcpy(&asked, pvIn, sizeof asked);
    if (asked == SETCOPYCOUNT) return ESCAPE_MAX_COPIES;
    return isSupported(asked) ? ESCAPE_DONE : ESCAPE_UNSUPPORTED;
  }

  if (iEsc == GETTECHNOLOGY) {
    if (pvOut == nullptr || cjOut < sizeof TECHNOLOGY) {
      EngSetLastError(ERROR_INVALID_PARAMETER);
      return ESCAPE_UNSUPPORTED;
    }
    std::memcpy(pvOut, TECHNOLOGY, sizeof TECHNOLOGY);
    return ESCAPE_DONE;
  }

  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return ESCAPE_UNSUPPORTED;
  DRVPRIVATE& settings = pdev->dm.dmPrivate;

  switch (iEsc) {
    case SETCOPYCOUNT:
      return set_copy_count(pdev, cjIn, pvIn, cjOut, pvOut);
    case ESC_SET_MAG_TRACK1:
      return set_track(settings.awcTrack1, sizeof settings.awcTrack1, cjIn, pvIn);
    case ESC_SET_MAG_TRACK2:
      return set_track(settings.awcTrack2, sizeof settings.awcTrack2, cjIn, pvIn);
    case ESC_SET_MAG_TRACK3:
      return set_track(settings.awcTrack3, sizeof settings.awcTrack3, cjIn, pvIn);
    case ESC_SET_MAG_MODE:
      return set_mag_mode(pdev, cjIn, pvIn);
    default:
      return ESCAPE_UNSUPPORTED;
  }
}
