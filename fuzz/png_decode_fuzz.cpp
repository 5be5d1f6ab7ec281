// The fast PNG path against libpng: whatever the bytes, the fast path either
// declines or gives exactly libpng's pixels, and never reads or writes out
// of bounds.
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ymcko/png_fast.h"

namespace {

// The chunks' checksums made right, so that mutations reach past them.
std::vector<std::uint8_t> with_good_checksums(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> png(data, data + size);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t bytes_size) {
  const std::vector<std::uint8_t> png = with_good_checksums(bytes, bytes_size);
  const std::uint8_t* data = png.data();
  const std::size_t size = png.size();
  const auto fast = ymcko::tool::decode_png_fast({data, size});
  if (!fast) return 0;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) std::abort();
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::abort();
  if (image.width != fast->width || image.height != fast->height || pixels != fast->rgba)
    std::abort();
  return 0;
}
