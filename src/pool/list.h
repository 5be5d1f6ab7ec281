// Named-item lists: singly linked records that begin with the item header
// (pNext, pstrName, dwHash). Each walk is written once over an item handle and
// serves both kinds of list: the builder's records, linked by pointers, and
// the packed image's items (ppdimage/ppd_image.h), whose three header fields
// are 32-bit offsets (at 0, 4 and 8) into the image.
#pragma once

#include <concepts>
#include <cstring>

#include "engine/engine.h"
#include "pool/char_class.h"

// The position reported when no item matched.
inline constexpr WORD LIST_NO_POSITION = 0xFFFF;

namespace ymcko {

// The item header that every builder record begins with; pNext leads to the
// record's own kind. dwHash is HashKeyword(pstrName), set when the item is added.
template <class Self>
struct list_item {
  Self* pNext;
  char* pstrName;
  DWORD dwHash;
};

}  // namespace ymcko

// A bare named item: the header alone.
struct LISTOBJ : ymcko::list_item<LISTOBJ> {};

namespace ymcko {

// A builder record that can be listed.
template <class Item>
concept list_record = requires(Item* item) {
  { item->pNext } -> std::convertible_to<Item*>;
  { item->pstrName } -> std::convertible_to<const char*>;
  { item->dwHash } -> std::convertible_to<DWORD>;
};

// What the walks need of an item: whether it is there, the next item, and
// whether it carries a name (whose hash the caller computed once); a
// default-made handle is no item.
template <class H>
concept list_handle = std::default_initializable<H> &&
    requires(const H h, const char* name, DWORD hash) {
  { h.is_null() } -> std::convertible_to<bool>;
  { h.next() } -> std::same_as<H>;
  { h.matches(name, hash) } -> std::convertible_to<bool>;
};

// A builder record reached by pointer.
template <list_record Item>
struct record_handle {
  Item* item = nullptr;

  bool is_null() const { return item == nullptr; }
  record_handle next() const { return {item->pNext}; }

  // The stored hash decides first; the names then decide byte for byte.
  bool matches(const char* name, DWORD hash) const {
    return item->dwHash == hash && item->pstrName != nullptr && name != nullptr &&
           std::strcmp(item->pstrName, name) == 0;
  }
};

// The first item named `name` from `item` on, and its position (from 0; or
// LIST_NO_POSITION, with a null handle, when none matches).
template <list_handle H>
H list_find(H item, const char* name, WORD* position) {
  const DWORD hash = HashKeyword(name);
  DWORD at = 0;
  for (; !item.is_null(); item = item.next(), ++at) {
    if (item.matches(name, hash)) {
      if (position != nullptr) *position = static_cast<WORD>(at);
      return item;
    }
  }
  if (position != nullptr) *position = LIST_NO_POSITION;
  return H{};
}

// Items from `item` to the end.
template <list_handle H>
DWORD list_count(H item) {
  DWORD count = 0;
  for (; !item.is_null(); item = item.next()) ++count;
  return count;
}

// The item `position` links after `item`; a null handle past the end.
template <list_handle H>
H list_at(H item, DWORD position) {
  for (; position > 0 && !item.is_null(); --position) item = item.next();
  return item.is_null() ? H{} : item;
}

// The last item of a non-empty list.
template <list_handle H>
H list_last(H item) {
  for (H after = item.next(); !after.is_null(); after = after.next()) item = after;
  return item;
}

}  // namespace ymcko

// Builder lists. A list is a pointer to its first item; null is the empty list.

// Stores the item's hash and appends it; the item comes with a null pNext.
// There is no duplicate check.
template <ymcko::list_record Item>
void LISTOBJ_Add(Item** list, Item* item) {
  item->dwHash = HashKeyword(item->pstrName);
  if (*list == nullptr) {
    *list = item;
  } else {
    ymcko::list_last(ymcko::record_handle<Item>{*list}).item->pNext = item;
  }
}

// The first item named `name` (case matters), or null.
template <ymcko::list_record Item>
Item* LISTOBJ_Find(Item* list, const char* name) {
  return ymcko::list_find(ymcko::record_handle<Item>{list}, name, nullptr).item;
}

// As LISTOBJ_Find, writing the item's position, or LIST_NO_POSITION with null.
template <ymcko::list_record Item>
Item* LISTOBJ_FindItemIndex(Item* list, const char* name, WORD* position) {
  return ymcko::list_find(ymcko::record_handle<Item>{list}, name, position).item;
}

template <ymcko::list_record Item>
DWORD LISTOBJ_Count(Item* list) {
  return ymcko::list_count(ymcko::record_handle<Item>{list});
}

// The item at `position` (0 is the first), or null at or beyond the count.
template <ymcko::list_record Item>
Item* LISTOBJ_FindIndexed(Item* list, DWORD position) {
  return ymcko::list_at(ymcko::record_handle<Item>{list}, position).item;
}

// The number of options of a feature (any record with a pOptions list); 0 for null.
template <class Group>
requires requires(Group* group) { LISTOBJ_Count(group->pOptions); }
DWORD UIGROUP_CountOptions(Group* feature) {
  return feature == nullptr ? 0 : LISTOBJ_Count(feature->pOptions);
}
