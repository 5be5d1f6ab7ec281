// Engine memory service: tagged blocks, per-tag accounting and fault hooks for tests.
#pragma once

#include <cstddef>

#include "engine/engine_types.h"

inline constexpr FLONG FL_ZERO_MEMORY = 0x1;

// Allocates cj bytes tagged with ulTag; zero-filled when fl has FL_ZERO_MEMORY.
// Returns null when memory is short or a test hook makes the call fail.
PVOID EngAllocMem(FLONG fl, ULONG cj, ULONG ulTag);

// Releases a block from EngAllocMem; null is ignored.
void EngFreeMem(PVOID pv);

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

// Test hooks. fail_allocation_in(n) makes the n-th allocation from now fail
// (1 = the next one); fail_allocations_with_tag makes every allocation with
// that tag fail until the faults are cleared.
void fail_allocation_in(std::size_t n);
void fail_allocations_with_tag(ULONG tag);
void clear_allocation_faults();

// Number of allocations attempted so far (failed ones included); lets a test
// count the allocations of an operation and then fail each in turn.
std::size_t allocation_attempts();

}  // namespace ymcko::engine
