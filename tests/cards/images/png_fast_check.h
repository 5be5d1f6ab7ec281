// The fast PNG path against libpng: whatever the bytes, the fast path either
// declines or gives exactly libpng's pixels. Shared by the png_decode fuzz
// target and the test that replays its finds.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "cards/images/png_fast.h"

namespace ymcko::testing {
namespace png_decode {

// The chunks' checksums made right, so that mutations reach past them.
inline std::vector<std::uint8_t> with_good_checksums(std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> png(input.begin(), input.end());
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 |
                               std::size_t(png[at + 2]) << 8 | png[at + 3];
    if (length > png.size() - at - 12) break;
    const auto crc = std::uint32_t(crc32(0, &png[at + 4], uInt(length + 4)));
    for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = std::uint8_t(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return png;
}

}  // namespace png_decode

// False when the fast path gives pixels that libpng does not, or libpng
// refuses a file the fast path took.
inline bool run_png_decode(std::span<const std::uint8_t> input) {
  const std::vector<std::uint8_t> png = png_decode::with_good_checksums(input);
  const auto fast = cards::decode_png_fast({png.data(), png.size()});
  if (!fast) return true;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return false;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return read && image.width == fast->width && image.height == fast->height && pixels == fast->rgba;
}

}  // namespace ymcko::testing
