// Conversion of 16-bit wide text to the engine's single-byte code page, the
// driver's own wcstombs: the C library's works on 32-bit wchar_t.
#pragma once

#include <cstddef>
#include <span>

#include "engine/engine.h"

namespace ymcko::rt {

// Converts `source` up to its first zero or `source_limit` characters,
// whichever comes first, into at most destination.size() bytes and returns
// the bytes written. Adds no terminator; a character outside the code page
// becomes "?".
std::size_t wide_to_multibyte(std::span<char> destination, const WCHAR* source,
                              std::size_t source_limit);

// Bytes wide_to_multibyte would produce with unlimited room.
std::size_t wide_to_multibyte_size(const WCHAR* source, std::size_t source_limit);

}  // namespace ymcko::rt
