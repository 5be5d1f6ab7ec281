// Reading and unpacking the packed description image.
#include "ppdimage/ppd_image.h"

#include <cstring>

namespace ymcko {
namespace {

// Size of an item's header in the image: three 32-bit fields.
constexpr DWORD IMAGE_ITEM_HEADER = 12;

// The item at `offset`, or the null item (offset 0) when none lies there.
image_item item_at(const ppd_view& image, DWORD offset) {
  image_item item{image, offset};
  if (item.is_null()) item.offset = 0;
  return item;
}

}  // namespace

ppd_view::ppd_view(std::span<const BYTE> bytes) {
  if (bytes.size() >= sizeof(PPDDATA)) bytes_ = bytes;
}

ppd_view::ppd_view(const PPDDATA* image, DWORD size)
    : ppd_view(image != nullptr ? std::span<const BYTE>(reinterpret_cast<const BYTE*>(image), size)
                                : std::span<const BYTE>()) {}

DWORD ppd_view::u32(std::size_t at) const {
  if (bytes_.size() < 4 || at > bytes_.size() - 4) return 0;
  const BYTE* p = bytes_.data() + at;
  return DWORD{p[0]} | DWORD{p[1]} << 8 | DWORD{p[2]} << 16 | DWORD{p[3]} << 24;
}

WORD ppd_view::u16(std::size_t at) const {
  if (bytes_.size() < 2 || at > bytes_.size() - 2) return 0;
  const BYTE* p = bytes_.data() + at;
  return WORD(p[0] | p[1] << 8);
}

bool ppd_view::holds(DWORD offset, std::size_t size) const {
  return offset >= sizeof(PPDDATA) && offset <= bytes_.size() && bytes_.size() - offset >= size;
}

const char* ppd_view::string_at(DWORD offset) const {
  if (!holds(offset, 1)) return nullptr;
  const BYTE* text = bytes_.data() + offset;
  if (std::memchr(text, 0, bytes_.size() - offset) == nullptr) return nullptr;
  return reinterpret_cast<const char*>(text);
}

template <class T>
bool ppd_view::record_at(DWORD offset, T* out) const {
  static_assert(std::is_trivially_copyable_v<T>);
  if (!holds(offset, sizeof(T))) {
    std::memset(out, 0, sizeof(T));
    return false;
  }
  std::memcpy(out, bytes_.data() + offset, sizeof(T));
  return true;
}

template bool ppd_view::record_at(DWORD, image_uigroup*) const;
template bool ppd_view::record_at(DWORD, image_ui_option*) const;
template bool ppd_view::record_at(DWORD, image_media_option*) const;
template bool ppd_view::record_at(DWORD, image_res_option*) const;
template bool ppd_view::record_at(DWORD, image_devfont*) const;
template bool ppd_view::record_at(DWORD, image_table_header*) const;
template bool ppd_view::record_at(DWORD, image_orderdep_entry*) const;
template bool ppd_view::record_at(DWORD, image_constraint_entry*) const;

WORD ppd_view::doc_sticky_count() const { return u16(offsetof(PPDDATA, cDocStickyFeatures)); }
WORD ppd_view::printer_sticky_count() const {
  return u16(offsetof(PPDDATA, cPrinterStickyFeatures));
}
WORD ppd_view::checksum() const { return u16(offsetof(PPDDATA, wChecksum)); }

image_item ppd_view::features() const { return image_list(*this, offsetof(PPDDATA, pUiGroups)); }

image_item ppd_view::feature_at(DWORD position) const {
  return LISTOBJ_FindIndexed(features(), position);
}

image_item ppd_view::predefined(WORD index) const {
  if (index >= PREDEF_GROUP_COUNT) return {};
  return image_list(*this, DWORD(offsetof(PPDDATA, pPredefGroups) + 4 * index));
}

image_uigroup ppd_view::uigroup(const image_item& feature) const {
  image_uigroup record;
  record_at(feature.is_null() ? 0 : feature.offset, &record);
  return record;
}

image_item ppd_view::options(const image_item& feature) const {
  return feature.is_null() ? image_item{} : feature.follow(IMAGE_UIGROUP_OPTIONS);
}

DWORD ppd_view::constraint_count() const {
  DWORD table = u32(offsetof(PPDDATA, pUiConstraints));
  image_table_header header;
  if (!record_at(table, &header) || header.cbEntry != sizeof(image_constraint_entry)) return 0;
  std::size_t room = (bytes_.size() - table - sizeof header) / sizeof(image_constraint_entry);
  return header.cEntries <= room ? header.cEntries : DWORD(room);
}

image_constraint_entry ppd_view::constraint(DWORD index) const {
  image_constraint_entry entry;
  DWORD table = u32(offsetof(PPDDATA, pUiConstraints));
  if (index >= constraint_count()) {
    entry = {-1, 0, 0, 0};
    return entry;
  }
  record_at(DWORD(table + sizeof(image_table_header) + index * sizeof entry), &entry);
  return entry;
}

bool image_item::is_null() const { return !image.holds(offset, IMAGE_ITEM_HEADER); }

image_item image_item::next() const {
  DWORD link = field(0);
  return item_at(image, link > offset ? link : 0);
}

bool image_item::matches(const char* wanted, DWORD wanted_hash) const {
  if (hash() != wanted_hash || wanted == nullptr) return false;
  const char* own = name();
  return own != nullptr && std::strcmp(own, wanted) == 0;
}

DWORD image_item::field(DWORD at) const {
  return is_null() ? 0 : image.u32(std::size_t{offset} + at);
}

image_item image_item::follow(DWORD at) const { return item_at(image, field(at)); }

const char* image_item::string_field(DWORD at) const { return image.string_at(field(at)); }

image_item image_list(const ppd_view& image, DWORD head) { return item_at(image, image.u32(head)); }

}  // namespace ymcko

ymcko::image_item LISTOBJ_Find(ymcko::image_item list, const char* name) {
  return ymcko::list_find(list, name, nullptr);
}

ymcko::image_item LISTOBJ_FindItemIndex(ymcko::image_item list, const char* name, WORD* position) {
  return ymcko::list_find(list, name, position);
}

DWORD LISTOBJ_Count(ymcko::image_item list) { return ymcko::list_count(list); }

ymcko::image_item LISTOBJ_FindIndexed(ymcko::image_item list, DWORD position) {
  return ymcko::list_at(list, position);
}

DWORD UIGROUP_CountOptions(ymcko::image_item feature) {
  return feature.is_null() ? 0 : LISTOBJ_Count(feature.follow(IMAGE_UIGROUP_OPTIONS));
}

namespace {

// Writes a little-endian u32 at byte `at`, which the caller read through the view.
void write_u32(std::span<BYTE> image, std::size_t at, DWORD value) {
  if (image.size() < 4 || at > image.size() - 4) return;
  for (std::size_t i = 0; i < 4; ++i) image[at + i] = BYTE(value >> (8 * i));
}

// Validates the offset field at byte `at` of the image in place.
DWORD check_field(std::span<BYTE> image, std::size_t at, DWORD size) {
  DWORD field = ymcko::ppd_view(image).u32(at);
  OffsetToPointer(image, &field, size);
  write_u32(image, at, field);
  return field;
}

// A wide string must lie inside by the rule and end inside.
void check_wide_string(std::span<BYTE> image, std::size_t at) {
  const ymcko::ppd_view view(image);
  DWORD offset = view.u32(at);
  if (offset == 0) return;
  if (view.holds(offset, 2)) {
    for (std::size_t i = offset; i + 1 < image.size(); i += 2) {
      if (image[i] == 0 && image[i + 1] == 0) return;
    }
  }
  write_u32(image, at, 0);
}

// Validates a list's links: each item must lie wholly inside the image and
// further on than the one before; a link that does not ends the list there.
// Calls check(item offset) for every item kept.
template <class Check>
void check_list(std::span<BYTE> image, std::size_t head_at, DWORD item_size, Check check) {
  std::size_t link_at = head_at;
  DWORD previous = 0;
  for (DWORD item = check_field(image, link_at, item_size); item != 0;
       item = check_field(image, link_at, item_size)) {
    if (item <= previous) {
      write_u32(image, link_at, 0);
      return;
    }
    check(item);
    previous = item;
    link_at = item;  // pNext is the item's first field
  }
}

DWORD option_size(WORD index) {
  switch (index) {
    case UIGRP_PAGESIZE:
      return sizeof(ymcko::image_media_option);
    case UIGRP_RESOLUTION:
      return sizeof(ymcko::image_res_option);
    case UIGRP_INPUTSLOT:
      return sizeof(ymcko::image_slot_option);
    case UIGRP_VMOPTION:
      return sizeof(ymcko::image_vm_option);
    default:
      return sizeof(ymcko::image_ui_option);
  }
}

void check_table(std::span<BYTE> image, std::size_t at, WORD entry_size) {
  DWORD table = check_field(image, at, sizeof(ymcko::image_table_header));
  if (table == 0) return;
  ymcko::image_table_header header;
  ymcko::ppd_view(image).record_at(table, &header);
  std::size_t needed = sizeof header + std::size_t{header.cEntries} * entry_size;
  if (header.cbEntry != entry_size || needed > image.size() - table) write_u32(image, at, 0);
}

}  // namespace

DWORD OffsetToPointer(std::span<const BYTE> image, DWORD* field, DWORD size) {
  const ymcko::ppd_view view(image);
  const bool inside = size == 0 ? view.string_at(*field) != nullptr : view.holds(*field, size);
  if (!inside) *field = 0;
  return *field;
}

void UnpackPpdData(std::span<BYTE> bytes) {
  if (bytes.size() < sizeof(PPDDATA)) return;

  check_wide_string(bytes, offsetof(PPDDATA, pwstrDataFile));
  for (std::size_t at : {offsetof(PPDDATA, pstrNickName), offsetof(PPDDATA, pstrPassword),
                         offsetof(PPDDATA, pstrExitServer), offsetof(PPDDATA, pstrCustomPageSize),
                         offsetof(PPDDATA, pstrJclBegin), offsetof(PPDDATA, pstrJclToPs),
                         offsetof(PPDDATA, pstrJclEnd)}) {
    check_field(bytes, at, 0);
  }
  check_table(bytes, offsetof(PPDDATA, pOrderDeps), sizeof(ymcko::image_orderdep_entry));
  check_table(bytes, offsetof(PPDDATA, pUiConstraints), sizeof(ymcko::image_constraint_entry));

  check_list(bytes, offsetof(PPDDATA, pDevFonts), sizeof(ymcko::image_devfont), [&](DWORD font) {
    check_field(bytes, font + offsetof(ymcko::image_devfont, pstrName), 0);
    check_field(bytes, font + offsetof(ymcko::image_devfont, pstrTranslation), 0);
  });

  DWORD predefined[PREDEF_GROUP_COUNT] = {};
  check_list(bytes, offsetof(PPDDATA, pUiGroups), sizeof(ymcko::image_uigroup), [&](DWORD feature) {
    check_field(bytes, feature + offsetof(ymcko::image_uigroup, pstrName), 0);
    check_field(bytes, feature + offsetof(ymcko::image_uigroup, pstrTranslation), 0);
    const WORD index = ymcko::ppd_view(bytes).u16(feature + offsetof(ymcko::image_uigroup, wIndex));
    if (index < PREDEF_GROUP_COUNT) predefined[index] = feature;

    check_list(
        bytes, feature + offsetof(ymcko::image_uigroup, pOptions), option_size(index),
        [&](DWORD option) {
          for (std::size_t field : {offsetof(ymcko::image_ui_option, pstrName),
                                    offsetof(ymcko::image_ui_option, pstrTranslation),
                                    offsetof(ymcko::image_ui_option, pstrInvocation)}) {
            check_field(bytes, option + field, 0);
          }
          if (index == UIGRP_PAGESIZE)
            check_field(bytes, option + offsetof(ymcko::image_media_option, pstrPageRegion), 0);
          if (index == UIGRP_RESOLUTION) {
            check_field(bytes, option + offsetof(ymcko::image_res_option, pstrJclResolution), 0);
            check_field(bytes, option + offsetof(ymcko::image_res_option, pstrSetResolution), 0);
          }
        });
  });
  for (std::size_t i = 0; i < PREDEF_GROUP_COUNT; ++i) {
    write_u32(bytes, offsetof(PPDDATA, pPredefGroups) + 4 * i, predefined[i]);
  }
}
