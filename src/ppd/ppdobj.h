// The printer description while it is being built: device-wide settings and
// the heads of its feature, font, order-dependency and constraint lists, all
// held in the description's own pool.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine.h"
#include "pool/list.h"
#include "pool/memory_pool.h"
#include "records/psreal.h"

// The records that the keyword handlers create. Each begins with the list
// item header (pNext, pstrName, dwHash) and is zero-filled when made. They are
// native records: the packer writes them field by field into the image's
// 32-bit layout.

// One option of a feature. The predefined features extend it; the record an
// option has is the one its feature's wIndex calls for.
struct UIOPTION : ymcko::list_item<UIOPTION> {
  char* pstrTranslation;  // display text, hex runs decoded; null when none
  char* pstrInvocation;   // the option's printer code
};

// A page size option: pstrInvocation is the "PageSize" code.
struct MEDIAOPTION : UIOPTION {
  char* pstrPageRegion;  // the "PageRegion" code
  PSSIZE szPaper;        // paper width and height
  PSRECT rcImageable;    // imageable area: left, bottom, right, upper
};

// An input slot option.
struct SLOTOPTION : UIOPTION {
  DWORD bReqPageRgn;  // the slot needs the page-region code; 1 once the slot is defined
};

// A resolution option: pstrInvocation is the "Resolution" code.
struct RESOPTION : UIOPTION {
  char* pstrJclResolution;  // hex runs decoded
  char* pstrSetResolution;
  PSREAL screenAngle;
  PSREAL screenFreq;
};

// A memory configuration: pstrInvocation is the "InstalledMemory" code.
struct VMOPTION : UIOPTION {
  DWORD dwFreeVm;
};

// Bits of UIGROUP::wFlags.
inline constexpr WORD UIGF_REQPAGERGN_TRUE = 0x0001;   // every slot needs the page-region code
inline constexpr WORD UIGF_REQPAGERGN_FALSE = 0x0002;  // no slot needs it
inline constexpr WORD UIGF_JCL = 0x0004;               // opened by "JCLOpenUI"

// UI types of a feature.
inline constexpr WORD UITYPE_BOOLEAN = 0;
inline constexpr WORD UITYPE_PICKONE = 1;
inline constexpr WORD UITYPE_PICKMANY = 2;

// One feature. pstrName is the feature keyword without "*".
struct UIGROUP : ymcko::list_item<UIGROUP> {
  char* pstrTranslation;  // display text, hex runs decoded; null when none
  char* pstrDefault;      // default option keyword; the packer turns it into an index
  DWORD cbOption;         // bytes of one option record in the packed image
  WORD wIndex;            // predefined feature 0-6, or 7
  WORD wFlags;            // UIGF_ bits
  WORD wUiType;           // UITYPE_ value
  WORD wFeatureIndex;     // position after sorting; set by the packer
  DWORD bInstallable;     // an installable option of the printer
  UIOPTION* pOptions;     // in order of creation
};

// One device font. pstrName is the font name.
struct DEVFONT : ymcko::list_item<DEVFONT> {
  char* pstrTranslation;  // hex runs decoded; an empty string when none was given
  WORD wEncoding;         // encodingStrs value
  WORD wCharSet;          // charsetStrs value
  WORD wIndex;            // fontNameStrs value, 1 to 79
};

// One "OrderDependency". pstrName is the feature keyword without "*" (the
// order dependency's keyword), held in the same pool piece right behind the record.
struct ORDERDEP : ymcko::list_item<ORDERDEP> {
  char* pstrOption;  // option keyword as written, or null
  PSREAL order;
  WORD wSection;  // sectionStrs bit
};

// One "UIConstraints". pstrName is the first feature keyword without "*",
// held in the same pool piece right behind the record.
struct UICONSTRAINT : ymcko::list_item<UICONSTRAINT> {
  char* pstrOption1;   // or null
  char* pstrFeature2;  // second feature keyword without "*"
  char* pstrOption2;   // or null
};

// Predefined features, by index: PageSize, InputSlot, ManualFeed, Duplex,
// Collate, Resolution, VMOption.
inline constexpr std::size_t PREDEF_GROUP_COUNT = 7;

// Parameters of a custom page size, by index.
inline constexpr std::size_t CUSTOM_PARAM_WIDTH = 0;
inline constexpr std::size_t CUSTOM_PARAM_HEIGHT = 1;
inline constexpr std::size_t CUSTOM_PARAM_WIDTH_OFFSET = 2;
inline constexpr std::size_t CUSTOM_PARAM_HEIGHT_OFFSET = 3;
inline constexpr std::size_t CUSTOM_PARAM_ORIENTATION = 4;
inline constexpr std::size_t CUSTOM_PARAM_COUNT = 5;

// One custom page size parameter; the packed image keeps this 16-byte layout.
struct CUSTOMPARAM {
  DWORD dwOrder;  // 1 to 5
  WORD wType;     // 0 int, 1 real, 2 points
  PSREAL minVal;
  PSREAL maxVal;
};

static_assert(sizeof(CUSTOMPARAM) == 16);
static_assert(offsetof(CUSTOMPARAM, dwOrder) == 0);
static_assert(offsetof(CUSTOMPARAM, wType) == 4);
static_assert(offsetof(CUSTOMPARAM, minVal) == 8);
static_assert(offsetof(CUSTOMPARAM, maxVal) == 12);
static_assert(std::is_trivially_copyable_v<CUSTOMPARAM>);

// The description under construction. Strings are NUL-terminated and live in
// the pool; a null string is an entry that was not given. The fields from
// cbSize to pUiConstraints become the packed image's header; the last three
// exist only while building.
struct PPDOBJ {
  DWORD cbSize;  // unused while building
  WCHAR* pwstrDataFile;
  char* pstrNickName;
  WORD wVersion;   // unused while building
  WORD wChecksum;  // description identity word, always 0 here
  WORD wProtocols;
  WORD wLsOrientation;
  WORD wTTRasterizer;
  WORD wLangEncoding;
  DWORD dwFreeVm;
  DWORD dwLangLevel;
  char* pstrPassword;
  char* pstrExitServer;
  DWORD dwJobTimeout;
  DWORD dwWaitTimeout;
  DWORD bColorDevice;
  DWORD bPrintPsErrors;
  DWORD bCustomPageSize;
  DWORD bHwMargins;
  PSREAL hwMargins[4];  // in the order given
  char* pstrCustomPageSize;
  CUSTOMPARAM customParams[CUSTOM_PARAM_COUNT];
  PSREAL maxMediaWidth;
  PSREAL maxMediaHeight;
  WORD wExtensions;
  WORD wResType;  // last resolution keyword: 0 Resolution, 1 JCLResolution, 2 SetResolution
  PSREAL screenAngle;
  PSREAL screenFreq;
  char* pstrJclBegin;
  char* pstrJclEnd;
  char* pstrJclToPs;
  WORD cDocStickyFeatures;      // filled by the packer
  WORD cPrinterStickyFeatures;  // filled by the packer
  UIGROUP* pUiGroups;
  UIGROUP* pPredefGroups[PREDEF_GROUP_COUNT];
  DEVFONT* pDevFonts;
  ORDERDEP* pOrderDeps;
  UICONSTRAINT* pUiConstraints;
  HEAPOBJ* pHeap;  // the pool holding the object and everything it refers to
  UIGROUP* pOpenUiGroup;
  DWORD bInstallableOptions;
};

static_assert(std::is_trivially_copyable_v<PPDOBJ>);
static_assert(std::is_trivially_destructible_v<PPDOBJ>);

// Initial values that are not zero, in PSREAL where a measure.
inline constexpr DWORD PPD_DEFAULT_LANG_LEVEL = 1;
inline constexpr DWORD PPD_DEFAULT_WAIT_TIMEOUT = 240;
inline constexpr DWORD PPD_DEFAULT_COLOR_DEVICE = 1;
inline constexpr PSREAL PPD_DEFAULT_SCREEN_ANGLE = 45 * 256;  // 45.0
inline constexpr PSREAL PPD_DEFAULT_SCREEN_FREQ = 60 * 256;   // 60.0

// Stores the initial values that are not zero into a zero-filled object.
void PPDOBJ_SetDefaults(PPDOBJ* ppd);

// Destroys the object's pool, and with it the object and all it refers to;
// null is ignored.
void PPDOBJ_Delete(PPDOBJ* ppd);

namespace ymcko {

// A zero-filled description as the second piece of a new pool, with pHeap
// set; null when memory is short (nothing is then left allocated).
PPDOBJ* ppdobj_in_new_pool();

}  // namespace ymcko
