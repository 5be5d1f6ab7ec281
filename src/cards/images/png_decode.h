// PNG card images decoded to opaque sRGB RGBA: the fast path where it
// reaches, libpng for everything else, the embedded colour profile applied
// and transparency composited over white.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "cards/images/image.h"

namespace ymcko::cards {

// `name` is the input named in errors.
Image decode_png(std::span<const std::uint8_t> bytes, const std::string& name);

// The same from an open regular file, read by libpng a few rows at a time
// from its start, without holding the whole file in memory.
Image decode_png_file(std::FILE* file, const std::string& name);

}  // namespace ymcko::cards
