// UTF-16 string routines: the C library's wide functions work on 32-bit
// wchar_t and do not apply to the driver's 16-bit text.
#pragma once

#include <cstddef>

#include "engine/engine.h"

namespace ymcko::rt {

// Characters before the terminator.
std::size_t wide_length(const WCHAR* text);

// Characters before the terminator, looking at no more than `limit` characters.
std::size_t wide_length_bounded(const WCHAR* text, std::size_t limit);

// Copies at most capacity - 1 characters of `source`, stopping after its
// terminator, and fills every remaining slot up to capacity - 1 with zero, so
// the destination is terminated and has no stale tail. Capacity 0 does nothing.
void wide_copy_bounded(WCHAR* destination, const WCHAR* source, std::size_t capacity);

// Ordinal comparison: negative, zero or positive like strcmp.
int wide_compare(const WCHAR* a, const WCHAR* b);

}  // namespace ymcko::rt
