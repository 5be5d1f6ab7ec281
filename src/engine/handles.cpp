// The engine's book of live objects behind its handles.
#include "engine/handles.h"

#include <climits>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace ymcko::engine {
namespace {

// The low half of a handle is its slot number plus one, the high half the
// slot's generation, which changes whenever the slot's object is forgotten.
constexpr unsigned kHalf = sizeof(std::uintptr_t) * CHAR_BIT / 2;
constexpr std::uintptr_t kSlotMask = (std::uintptr_t{1} << kHalf) - 1;

struct Slot {
  void* object = nullptr;
  HandleKind kind = HandleKind::surface;
  std::uintptr_t generation = 1;
};

struct Book {
  std::mutex lock;
  std::vector<Slot> slots;
  std::vector<std::size_t> free;
};

// Never destroyed: objects may be looked up until the process ends, and the
// objects it holds stay reachable from it.
Book& book() {
  static Book* instance = new Book;
  return *instance;
}

void* handle_of(std::size_t slot, std::uintptr_t generation) {
  return reinterpret_cast<void*>((generation & kSlotMask) << kHalf | (slot + 1));
}

// The slot a handle names when its generation is current, else null.
Slot* slot_of(Book& b, const void* handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  const std::uintptr_t index = value & kSlotMask;
  if (index == 0 || index > b.slots.size()) return nullptr;
  Slot& slot = b.slots[index - 1];
  if (slot.object == nullptr || (slot.generation & kSlotMask) != value >> kHalf) return nullptr;
  return &slot;
}

}  // namespace

void* register_handle(void* object, HandleKind kind) {
  if (object == nullptr) return nullptr;
  Book& b = book();
  std::lock_guard guard(b.lock);
  try {
    std::size_t index;
    if (!b.free.empty()) {
      index = b.free.back();
      b.free.pop_back();
    } else {
      if (b.slots.size() >= kSlotMask) return nullptr;
      b.free.reserve(b.slots.size() + 1);  // so that forgetting never has to allocate
      b.slots.emplace_back();
      index = b.slots.size() - 1;
    }
    Slot& slot = b.slots[index];
    slot.object = object;
    slot.kind = kind;
    return handle_of(index, slot.generation);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void unregister_handle(const void* handle) {
  Book& b = book();
  std::lock_guard guard(b.lock);
  Slot* slot = slot_of(b, handle);
  if (slot == nullptr) return;
  slot->object = nullptr;
  // Generation 0 never names a slot, so the count skips it when it wraps.
  if ((++slot->generation & kSlotMask) == 0) ++slot->generation;
  b.free.push_back(std::size_t(slot - b.slots.data()));
}

void* resolve_handle(const void* handle, HandleKind kind) {
  Book& b = book();
  std::lock_guard guard(b.lock);
  const Slot* slot = slot_of(b, handle);
  return slot != nullptr && slot->kind == kind ? slot->object : nullptr;
}

}  // namespace ymcko::engine
