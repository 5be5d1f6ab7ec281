// The engine's book of live objects behind its handles. A handle is a slot
// of the book and the slot's generation, not an address, so a handle whose
// object is gone is refused even when a new object takes the same slot or
// lies at the same address.
#pragma once

namespace ymcko::engine {

enum class HandleKind { surface, palette, device, printer, semaphore };

// Records a live object and returns its new handle (never null), or null
// when the book cannot grow.
void* register_handle(void* object, HandleKind kind);

// Forgets the object behind a handle; its handle is refused from now on.
// Unknown and stale handles are ignored.
void unregister_handle(const void* handle);

// The live object of that kind behind a handle, or null.
void* resolve_handle(const void* handle, HandleKind kind);

}  // namespace ymcko::engine
