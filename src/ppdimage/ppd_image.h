// The packed description image: one engine block holding the whole printer
// description with every link a 32-bit offset from the block's first byte
// (0 for none), in the exact little-endian layout pinned below, and its one
// reader: a view that knows the image's length from whoever made the image,
// reads every value little-endian from inside it and applies one rule to
// every offset, so a damaged image can never lead a reader outside.
#pragma once

#include <bit>
#include <cstddef>
#include <span>
#include <type_traits>

#include "engine/engine.h"
#include "pool/list.h"
#include "ppd/ppdobj.h"
#include "ppd/ui_group.h"
#include "records/psreal.h"

// The image, like every exchanged record, is read in place as little-endian.
static_assert(std::endian::native == std::endian::little, "the host must be little-endian");

inline constexpr WORD PPD_IMAGE_VERSION = 3;

// The image header: the description's device-wide fields.
struct PPDDATA {
  DWORD cbSize;
  DWORD pwstrDataFile;
  DWORD pstrNickName;
  WORD wVersion;
  WORD wChecksum;
  WORD wProtocols;
  WORD wLsOrientation;
  WORD wTTRasterizer;
  WORD wLangEncoding;
  DWORD dwFreeVm;
  DWORD dwLangLevel;
  DWORD pstrPassword;
  DWORD pstrExitServer;
  DWORD dwJobTimeout;
  DWORD dwWaitTimeout;
  DWORD bColorDevice;
  DWORD bPrintPsErrors;
  DWORD bCustomPageSize;
  DWORD bHwMargins;
  PSREAL hwMargins[4];
  DWORD pstrCustomPageSize;
  CUSTOMPARAM customParams[5];
  PSREAL maxMediaWidth;
  PSREAL maxMediaHeight;
  WORD wExtensions;
  WORD wResType;
  PSREAL screenAngle;
  PSREAL screenFreq;
  DWORD pstrJclBegin;
  DWORD pstrJclEnd;
  DWORD pstrJclToPs;
  WORD cDocStickyFeatures;
  WORD cPrinterStickyFeatures;
  DWORD pUiGroups;
  DWORD pPredefGroups[PREDEF_GROUP_COUNT];
  DWORD pDevFonts;
  DWORD pOrderDeps;
  DWORD pUiConstraints;
};

// Where a packed feature record (40 bytes) keeps the head of its option list.
inline constexpr DWORD IMAGE_UIGROUP_OPTIONS = 36;

namespace ymcko {

// A feature record in the image.
struct image_uigroup {
  DWORD pNext;
  DWORD pstrName;
  DWORD dwHash;
  DWORD pstrTranslation;
  DWORD dwDefault;  // Resolution: dots per inch; others: the default option's position
  DWORD cbOption;
  WORD wIndex;
  WORD wFlags;
  WORD wUiType;
  WORD wFeatureIndex;
  DWORD bInstallable;
  DWORD pOptions;
};

// Option records: the common part, then the kinds that extend it.
struct image_ui_option {
  DWORD pNext;
  DWORD pstrName;
  DWORD dwHash;
  DWORD pstrTranslation;
  DWORD pstrInvocation;
};

struct image_media_option {
  image_ui_option common;
  DWORD pstrPageRegion;
  PSSIZE szPaper;
  PSREAL rcImageable[4];  // lower-left x, y, upper-right x, y
};

struct image_slot_option {
  image_ui_option common;
  DWORD bReqPageRgn;
};

struct image_vm_option {
  image_ui_option common;
  DWORD dwFreeVm;
};

struct image_res_option {
  image_ui_option common;
  DWORD pstrJclResolution;
  DWORD pstrSetResolution;
  PSREAL screenAngle;
  PSREAL screenFreq;
};

struct image_devfont {
  DWORD pNext;
  DWORD pstrName;
  DWORD dwHash;
  DWORD pstrTranslation;
  WORD wEncoding;
  WORD wCharSet;
  WORD wIndex;
  WORD wReserved;
};

// The order-dependency and constraint tables: a count and entry size, then the entries.
struct image_table_header {
  WORD cEntries;
  WORD cbEntry;
};

struct image_orderdep_entry {
  SHORT wFeature;  // -1: unusable
  SHORT wOption;   // 0xFF: no option named
  PSREAL order;
  WORD wSection;
  WORD wReserved;
};

struct image_constraint_entry {
  SHORT wFeature1;  // -1: unusable
  SHORT wOption1;
  SHORT wFeature2;
  SHORT wOption2;
};

inline constexpr WORD ENTRY_UNUSABLE = 0xFFFF;
inline constexpr WORD NO_OPTION = 0xFF;

struct image_item;

// A read-only view of an image of known length. The one rule for offsets:
// an offset names something only when it lies behind the header (at or
// beyond sizeof(PPDDATA)) and what it names (a record of its size, or a
// string with its terminator) ends inside the image; anything else reads as
// 0 / absent.
class ppd_view {
 public:
  ppd_view() = default;
  // The image in these bytes; none when they cannot hold a header.
  explicit ppd_view(std::span<const BYTE> bytes);
  // The image at `image`, `size` bytes long as its maker says.
  ppd_view(const PPDDATA* image, DWORD size);

  bool valid() const { return !bytes_.empty(); }
  std::span<const BYTE> bytes() const { return bytes_; }

  // Little-endian values at byte `at`; 0 when they do not lie inside.
  DWORD u32(std::size_t at) const;
  WORD u16(std::size_t at) const;
  // The rule: true when `size` bytes at `offset` lie behind the header and inside.
  bool holds(DWORD offset, std::size_t size) const;
  // The string at an offset, or null when absent or not ending inside.
  const char* string_at(DWORD offset) const;
  // A record of type T at an offset, copied out, when it lies wholly inside.
  template <class T>
  bool record_at(DWORD offset, T* out) const;

  WORD doc_sticky_count() const;
  WORD printer_sticky_count() const;
  WORD checksum() const;

  // The features in list order, one by position, and a predefined one.
  image_item features() const;
  image_item feature_at(DWORD position) const;
  image_item predefined(WORD index) const;
  // The feature record behind an item (zeroed when it does not fit).
  image_uigroup uigroup(const image_item& feature) const;
  // The first option of a feature.
  image_item options(const image_item& feature) const;

  // The constraint table's usable size and its entries.
  DWORD constraint_count() const;
  image_constraint_entry constraint(DWORD index) const;

 private:
  std::span<const BYTE> bytes_;
};

// An item of a list inside the image, by its offset; offset 0 is no item.
// Its header (next, name, hash: three u32) must lie inside by the view's
// rule, and a link that does not lead forward ends the list (the packer lays
// items out in list order), so no walk leaves the image or runs in a circle.
struct image_item {
  ppd_view image;
  DWORD offset = 0;

  // No item: offset 0, or an item header that does not lie inside the image.
  // A missing item that next() or follow() hands out has offset 0.
  bool is_null() const;
  image_item next() const;
  bool matches(const char* name, DWORD hash) const;

  // The u32 at byte `at` of the item; 0 when outside the image or no item.
  DWORD field(DWORD at) const;
  // The item whose offset the field at byte `at` holds.
  image_item follow(DWORD at) const;
  // The string whose offset the field at byte `at` holds, or null.
  const char* string_field(DWORD at) const;
  const char* name() const { return string_field(4); }
  DWORD hash() const { return field(8); }
};

// The first item of an image list whose head is the u32 at byte `head` of the image.
image_item image_list(const ppd_view& image, DWORD head);

}  // namespace ymcko

// Image lists, the same operations as the builder's lists over image items.
ymcko::image_item LISTOBJ_Find(ymcko::image_item list, const char* name);
ymcko::image_item LISTOBJ_FindItemIndex(ymcko::image_item list, const char* name, WORD* position);
DWORD LISTOBJ_Count(ymcko::image_item list);
ymcko::image_item LISTOBJ_FindIndexed(ymcko::image_item list, DWORD position);
DWORD UIGROUP_CountOptions(ymcko::image_item feature);

// Validates an offset field in place by the view's rule: an offset that
// does not name `size` bytes inside the image behind its header becomes 0.
// Returns the field's new value. For a string, `size` is 0 and it must end
// inside.
DWORD OffsetToPointer(std::span<const BYTE> image, DWORD* field, DWORD size);

// Makes a freshly packed image of image.size() bytes ready for reading:
// validates every offset it holds (bad ones become 0) and fills the seven
// predefined feature entries. Running it again changes nothing further.
void UnpackPpdData(std::span<BYTE> image);

static_assert(sizeof(PPDDATA) == 244);
static_assert(offsetof(PPDDATA, pwstrDataFile) == 4);
static_assert(offsetof(PPDDATA, pstrNickName) == 8);
static_assert(offsetof(PPDDATA, wVersion) == 12);
static_assert(offsetof(PPDDATA, wChecksum) == 14);
static_assert(offsetof(PPDDATA, wProtocols) == 16);
static_assert(offsetof(PPDDATA, wLsOrientation) == 18);
static_assert(offsetof(PPDDATA, wTTRasterizer) == 20);
static_assert(offsetof(PPDDATA, wLangEncoding) == 22);
static_assert(offsetof(PPDDATA, dwFreeVm) == 24);
static_assert(offsetof(PPDDATA, dwLangLevel) == 28);
static_assert(offsetof(PPDDATA, pstrPassword) == 32);
static_assert(offsetof(PPDDATA, pstrExitServer) == 36);
static_assert(offsetof(PPDDATA, dwJobTimeout) == 40);
static_assert(offsetof(PPDDATA, dwWaitTimeout) == 44);
static_assert(offsetof(PPDDATA, bColorDevice) == 48);
static_assert(offsetof(PPDDATA, bPrintPsErrors) == 52);
static_assert(offsetof(PPDDATA, bCustomPageSize) == 56);
static_assert(offsetof(PPDDATA, bHwMargins) == 60);
static_assert(offsetof(PPDDATA, hwMargins) == 64);
static_assert(offsetof(PPDDATA, pstrCustomPageSize) == 80);
static_assert(offsetof(PPDDATA, customParams) == 84);
static_assert(offsetof(PPDDATA, maxMediaWidth) == 164);
static_assert(offsetof(PPDDATA, maxMediaHeight) == 168);
static_assert(offsetof(PPDDATA, wExtensions) == 172);
static_assert(offsetof(PPDDATA, wResType) == 174);
static_assert(offsetof(PPDDATA, screenAngle) == 176);
static_assert(offsetof(PPDDATA, screenFreq) == 180);
static_assert(offsetof(PPDDATA, pstrJclBegin) == 184);
static_assert(offsetof(PPDDATA, pstrJclEnd) == 188);
static_assert(offsetof(PPDDATA, pstrJclToPs) == 192);
static_assert(offsetof(PPDDATA, cDocStickyFeatures) == 196);
static_assert(offsetof(PPDDATA, cPrinterStickyFeatures) == 198);
static_assert(offsetof(PPDDATA, pUiGroups) == 200);
static_assert(offsetof(PPDDATA, pPredefGroups) == 204);
static_assert(offsetof(PPDDATA, pDevFonts) == 232);
static_assert(offsetof(PPDDATA, pOrderDeps) == 236);
static_assert(offsetof(PPDDATA, pUiConstraints) == 240);
static_assert(std::is_trivially_copyable_v<PPDDATA>);

static_assert(sizeof(ymcko::image_uigroup) == 40);
static_assert(offsetof(ymcko::image_uigroup, pstrTranslation) == 12);
static_assert(offsetof(ymcko::image_uigroup, dwDefault) == 16);
static_assert(offsetof(ymcko::image_uigroup, cbOption) == 20);
static_assert(offsetof(ymcko::image_uigroup, wIndex) == 24);
static_assert(offsetof(ymcko::image_uigroup, wFlags) == 26);
static_assert(offsetof(ymcko::image_uigroup, wUiType) == 28);
static_assert(offsetof(ymcko::image_uigroup, wFeatureIndex) == 30);
static_assert(offsetof(ymcko::image_uigroup, bInstallable) == 32);
static_assert(offsetof(ymcko::image_uigroup, pOptions) == IMAGE_UIGROUP_OPTIONS);
static_assert(sizeof(ymcko::image_ui_option) == 20);
static_assert(offsetof(ymcko::image_ui_option, pstrInvocation) == 16);
static_assert(sizeof(ymcko::image_media_option) == 48);
static_assert(offsetof(ymcko::image_media_option, pstrPageRegion) == 20);
static_assert(offsetof(ymcko::image_media_option, szPaper) == 24);
static_assert(offsetof(ymcko::image_media_option, rcImageable) == 32);
static_assert(sizeof(ymcko::image_slot_option) == 24);
static_assert(offsetof(ymcko::image_slot_option, bReqPageRgn) == 20);
static_assert(sizeof(ymcko::image_vm_option) == 24);
static_assert(offsetof(ymcko::image_vm_option, dwFreeVm) == 20);
static_assert(sizeof(ymcko::image_res_option) == 36);
static_assert(offsetof(ymcko::image_res_option, pstrJclResolution) == 20);
static_assert(offsetof(ymcko::image_res_option, pstrSetResolution) == 24);
static_assert(offsetof(ymcko::image_res_option, screenAngle) == 28);
static_assert(offsetof(ymcko::image_res_option, screenFreq) == 32);
static_assert(sizeof(ymcko::image_devfont) == 24);
static_assert(offsetof(ymcko::image_devfont, pstrTranslation) == 12);
static_assert(offsetof(ymcko::image_devfont, wEncoding) == 16);
static_assert(offsetof(ymcko::image_devfont, wCharSet) == 18);
static_assert(offsetof(ymcko::image_devfont, wIndex) == 20);
static_assert(sizeof(ymcko::image_table_header) == 4);
static_assert(sizeof(ymcko::image_orderdep_entry) == 12);
static_assert(offsetof(ymcko::image_orderdep_entry, order) == 4);
static_assert(offsetof(ymcko::image_orderdep_entry, wSection) == 8);
static_assert(sizeof(ymcko::image_constraint_entry) == 8);
