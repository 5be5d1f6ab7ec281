// The common card images, 8-bit RGB or RGBA PNGs that are not interlaced,
// decoded with libdeflate, about twice as fast as through libpng and zlib.
// Anything else, and anything wrong, is left to libpng, which decodes it or
// reports what is wrong: this path gives libpng's pixels or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "cards/images/image.h"

namespace ymcko::cards {

// Images up to this many pixels take the fast path; larger ones are read
// by libpng row by row, which needs no room for the whole inflated data.
inline constexpr std::uint64_t kFastPngPixels = std::uint64_t{1} << 22;

// The RGBA pixels of a PNG in the fast path's reach, as libpng's simplified
// reading gives them (not yet composited over white), or nothing.
std::optional<Image> decode_png_fast(std::span<const std::uint8_t> bytes);

}  // namespace ymcko::cards
