// The engine's book of live object handles.
#include "engine/handle_registry.h"

#include <map>
#include <mutex>
#include <new>

namespace ymcko::engine {
namespace {

struct Book {
  std::mutex lock;
  std::map<const void*, HandleKind> live;
};

Book& book() {
  static Book instance;
  return instance;
}

}  // namespace

bool register_handle(const void* object, HandleKind kind) {
  Book& b = book();
  std::lock_guard guard(b.lock);
  try {
    b.live[object] = kind;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void unregister_handle(const void* object) {
  Book& b = book();
  std::lock_guard guard(b.lock);
  b.live.erase(object);
}

bool is_live_handle(const void* object, HandleKind kind) {
  Book& b = book();
  std::lock_guard guard(b.lock);
  auto found = b.live.find(object);
  return found != b.live.end() && found->second == kind;
}

}  // namespace ymcko::engine
