// Reading and unpacking the packed description image.
#include "ppdimage/ppd_image.h"

#include <cstring>

namespace ymcko {
namespace {

std::span<const BYTE> image_bytes(const PPDDATA* image) {
  if (image == nullptr || image->cbSize < sizeof(PPDDATA)) return {};
  return {reinterpret_cast<const BYTE*>(image), image->cbSize};
}

}  // namespace

ppd_view::ppd_view(std::span<const BYTE> bytes) {
  if (bytes.size() < sizeof(PPDDATA)) return;
  DWORD size;
  std::memcpy(&size, bytes.data(), sizeof size);
  // The image is what its header says it is, but never more than was given.
  if (size >= sizeof(PPDDATA) && size <= bytes.size()) bytes_ = bytes.first(size);
}

ppd_view::ppd_view(const PPDDATA* image) : ppd_view(image_bytes(image)) {}

DWORD ppd_view::u32(std::size_t at) const {
  DWORD value = 0;
  if (bytes_.size() >= 4 && at <= bytes_.size() - 4) std::memcpy(&value, bytes_.data() + at, 4);
  return value;
}

WORD ppd_view::u16(std::size_t at) const {
  WORD value = 0;
  if (bytes_.size() >= 2 && at <= bytes_.size() - 2) std::memcpy(&value, bytes_.data() + at, 2);
  return value;
}

const char* ppd_view::string_at(DWORD offset) const {
  if (offset < sizeof(PPDDATA) || offset >= bytes_.size()) return nullptr;
  const BYTE* text = bytes_.data() + offset;
  if (std::memchr(text, 0, bytes_.size() - offset) == nullptr) return nullptr;
  return reinterpret_cast<const char*>(text);
}

template <class T>
bool ppd_view::record_at(DWORD offset, T* out) const {
  static_assert(std::is_trivially_copyable_v<T>);
  if (offset < sizeof(PPDDATA) || offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
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
WORD ppd_view::printer_sticky_count() const { return u16(offsetof(PPDDATA, cPrinterStickyFeatures)); }
WORD ppd_view::checksum() const { return u16(offsetof(PPDDATA, wChecksum)); }

image_item ppd_view::features() const { return image_list(bytes_, offsetof(PPDDATA, pUiGroups)); }

image_item ppd_view::feature_at(DWORD position) const { return LISTOBJ_FindIndexed(features(), position); }

image_item ppd_view::predefined(WORD index) const {
  if (index >= PREDEF_GROUP_COUNT) return {};
  return image_list(bytes_, DWORD(offsetof(PPDDATA, pPredefGroups) + 4 * index));
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

}  // namespace ymcko

namespace {

using ymcko::ppd_view;

DWORD read_u32(std::span<BYTE> image, std::size_t at) {
  DWORD value;
  std::memcpy(&value, image.data() + at, 4);
  return value;
}

void write_u32(std::span<BYTE> image, std::size_t at, DWORD value) { std::memcpy(image.data() + at, &value, 4); }

// Validates the offset field at byte `at` of the image in place.
DWORD check_field(std::span<BYTE> image, std::size_t at, DWORD size) {
  DWORD field = read_u32(image, at);
  OffsetToPointer(image, &field, size);
  write_u32(image, at, field);
  return field;
}

// A wide string must end inside the image.
void check_wide_string(std::span<BYTE> image, std::size_t at) {
  DWORD offset = read_u32(image, at);
  if (offset == 0) return;
  for (std::size_t i = offset; i + 1 < image.size(); i += 2) {
    if (image[i] == 0 && image[i + 1] == 0) return;
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
  for (DWORD item = check_field(image, link_at, item_size); item != 0; item = check_field(image, link_at, item_size)) {
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
    case UIGRP_PAGESIZE: return sizeof(ymcko::image_media_option);
    case UIGRP_RESOLUTION: return sizeof(ymcko::image_res_option);
    case UIGRP_INPUTSLOT: return sizeof(ymcko::image_slot_option);
    case UIGRP_VMOPTION: return sizeof(ymcko::image_vm_option);
    default: return sizeof(ymcko::image_ui_option);
  }
}

void check_table(std::span<BYTE> image, std::size_t at, WORD entry_size) {
  DWORD table = check_field(image, at, sizeof(ymcko::image_table_header));
  if (table == 0) return;
  ymcko::image_table_header header;
  std::memcpy(&header, image.data() + table, sizeof header);
  std::size_t needed = sizeof header + std::size_t{header.cEntries} * entry_size;
  if (header.cbEntry != entry_size || needed > image.size() - table) write_u32(image, at, 0);
}

}  // namespace

DWORD OffsetToPointer(std::span<const BYTE> image, DWORD* field, DWORD size) {
  DWORD offset = *field;
  if (offset == 0) return 0;
  // Every piece lies behind the header.
  bool inside = offset >= sizeof(PPDDATA) && offset < image.size();
  if (inside && size == 0) {
    inside = std::memchr(image.data() + offset, 0, image.size() - offset) != nullptr;
  } else if (inside) {
    inside = image.size() - offset >= size;
  }
  *field = inside ? offset : 0;
  return *field;
}

void UnpackPpdData(PPDDATA* image) {
  if (image == nullptr || image->cbSize < sizeof(PPDDATA)) return;
  std::span<BYTE> bytes(reinterpret_cast<BYTE*>(image), image->cbSize);

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

  for (DWORD& entry : image->pPredefGroups) entry = 0;
  check_list(bytes, offsetof(PPDDATA, pUiGroups), sizeof(ymcko::image_uigroup), [&](DWORD feature) {
    check_field(bytes, feature + offsetof(ymcko::image_uigroup, pstrName), 0);
    check_field(bytes, feature + offsetof(ymcko::image_uigroup, pstrTranslation), 0);
    WORD index;
    std::memcpy(&index, bytes.data() + feature + offsetof(ymcko::image_uigroup, wIndex), 2);
    if (index < PREDEF_GROUP_COUNT) image->pPredefGroups[index] = feature;

    check_list(bytes, feature + offsetof(ymcko::image_uigroup, pOptions), option_size(index), [&](DWORD option) {
      for (std::size_t field : {offsetof(ymcko::image_ui_option, pstrName), offsetof(ymcko::image_ui_option, pstrTranslation),
                                offsetof(ymcko::image_ui_option, pstrInvocation)}) {
        check_field(bytes, option + field, 0);
      }
      if (index == UIGRP_PAGESIZE) check_field(bytes, option + offsetof(ymcko::image_media_option, pstrPageRegion), 0);
      if (index == UIGRP_RESOLUTION) {
        check_field(bytes, option + offsetof(ymcko::image_res_option, pstrJclResolution), 0);
        check_field(bytes, option + offsetof(ymcko::image_res_option, pstrSetResolution), 0);
      }
    });
  });
}
