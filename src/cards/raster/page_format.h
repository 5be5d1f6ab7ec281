// The CUPS and PWG raster pages the front ends take: 8-bit chunked RGB or
// grey, of a size that fits in memory.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <string>

#include "print/session.h"

namespace ymcko::raster {

// Largest raster page taken, in pixels: larger ones would only exhaust memory.
inline constexpr std::uint64_t kMaxPagePixels = 64ull * 1024 * 1024;
inline constexpr unsigned kMaxPageSide = 32768;

// The page's pixels as the print service takes them; throws print::Error
// naming `page` and the field of the header that is not one taken.
print::PixelFormat page_format(const cups_page_header2_t& header, const std::string& page);

}  // namespace ymcko::raster
