// JPEG card images decoded to opaque sRGB RGBA, the embedded colour
// profile applied.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cards/images/image.h"

namespace ymcko::cards {

// `name` is the input named in errors.
Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name);

}  // namespace ymcko::cards
