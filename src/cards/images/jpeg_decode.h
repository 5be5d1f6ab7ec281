// JPEG card images decoded to opaque sRGB RGBA, the embedded colour
// profile applied.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "cards/images/image.h"

namespace ymcko::cards {

// `name` is the input named in errors.
Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name);

// The width and height its header gives, without decoding the image.
std::pair<std::uint32_t, std::uint32_t> jpeg_size(std::span<const std::uint8_t> bytes,
                                                  const std::string& name);

}  // namespace ymcko::cards
