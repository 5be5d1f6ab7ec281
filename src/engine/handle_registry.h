// The engine's book of live object handles, so that a stale or foreign handle is refused instead of followed.
#pragma once

namespace ymcko::engine {

enum class HandleKind { surface, palette, device };

// Records a live object; false when the book cannot grow.
bool register_handle(const void* object, HandleKind kind);

// Forgets an object; unknown objects are ignored.
void unregister_handle(const void* object);

// True when the object is live and of that kind.
bool is_live_handle(const void* object, HandleKind kind);

}  // namespace ymcko::engine
