// Items of the packed image's lists, and the list operations over them.
#include "ppdimage/list.h"

namespace {

// Size of the item header in the image: three 32-bit fields.
constexpr DWORD IMAGE_ITEM_HEADER = 12;

// The item at `offset`, or the null item (offset 0) when none lies there.
ymcko::image_item item_at(std::span<const BYTE> image, DWORD offset) {
  ymcko::image_item item{image, offset};
  if (item.is_null()) item.offset = 0;
  return item;
}

}  // namespace

namespace ymcko {

bool image_item::is_null() const {
  return offset == 0 || image.size() < IMAGE_ITEM_HEADER ||
         offset > image.size() - IMAGE_ITEM_HEADER;
}

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
  std::size_t start = std::size_t{offset} + at;
  if (image.size() < 4 || start > image.size() - 4) return 0;
  const BYTE* p = image.data() + start;
  return DWORD{p[0]} | DWORD{p[1]} << 8 | DWORD{p[2]} << 16 | DWORD{p[3]} << 24;
}

image_item image_item::follow(DWORD at) const { return item_at(image, field(at)); }

const char* image_item::string_field(DWORD at) const {
  DWORD start = field(at);
  if (start == 0 || start >= image.size()) return nullptr;
  const BYTE* text = image.data() + start;
  if (std::memchr(text, 0, image.size() - start) == nullptr) return nullptr;
  return reinterpret_cast<const char*>(text);
}

image_item image_list(std::span<const BYTE> image, DWORD head) {
  return image_item{image, 0}.follow(head);
}

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
