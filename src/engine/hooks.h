// The host's controls over the engine: memory accounting, the fault hooks
// that tests arm, and the tags of the engine's own blocks. Never part of
// what the driver sees.
#pragma once

#include <cstddef>

#include "engine/engine_types.h"

// Tags of the engine's own blocks.
inline constexpr ULONG ENGINE_SURFACE_TAG = make_pool_tag("Esrf");  // surface records
inline constexpr ULONG ENGINE_BITS_TAG = make_pool_tag("Ebit");     // pixels the engine allocates
inline constexpr ULONG ENGINE_PALETTE_TAG = make_pool_tag("Epal");  // palette records
inline constexpr ULONG ENGINE_STRETCH_TAG = make_pool_tag("Estr");  // per-call stretch scratch

namespace ymcko::engine {

struct AllocationCount {
  std::size_t blocks = 0;
  std::size_t bytes = 0;
};

// Blocks and bytes outstanding for one tag, or for all tags together.
AllocationCount outstanding(ULONG tag);
AllocationCount outstanding_total();

// The tag a live block was allocated with.
ULONG tag_of(const void* block);

// fail_allocation_in(n) makes the n-th allocation from now fail (1 = the
// next one); fail_allocations_with_tag makes every allocation with that tag
// fail until the faults are cleared.
void fail_allocation_in(std::size_t n);
void fail_allocations_with_tag(ULONG tag);
void clear_allocation_faults();

// Number of allocations attempted so far (failed ones included); lets a test
// count the allocations of an operation and then fail each in turn.
std::size_t allocation_attempts();

// Allocations that failed on the calling thread so far: a host that sees a
// driver call fail tells by it whether memory was short.
std::size_t failed_allocations_on_this_thread();

// Makes the n-th EngWritePrinter call from now fail, whatever its printer
// (1 = the next one); 0 clears.
void fail_printer_write_in(std::size_t n);

// Makes the n-th semaphore creation from now fail (1 = the next one); 0 clears.
void fail_semaphore_creation_in(std::size_t n);

// Module handles loaded and not yet freed.
std::size_t loaded_modules();

// Every module load fails until cleared.
void fail_module_loads(bool fail);

}  // namespace ymcko::engine
