// PNG decoding over the fast path and libpng's simplified reading.
#include "cards/images/png_decode.h"

#include <png.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "cards/images/colour_profile.h"
#include "cards/images/png_chunks.h"
#include "cards/images/png_fast.h"
#include "print/errors.h"

namespace ymcko::cards {
namespace {

// Finishes a libpng read begun on `png` into opaque sRGB RGBA.
Image finish_png(png_image& png, const EmbeddedProfile& profile, const std::string& name) {
  if (std::uint64_t(png.width) * png.height > kMaxImagePixels || png.width == 0 ||
      png.height == 0) {
    png_image_free(&png);
    check_image_size(png.width, png.height, name);
  }
  png.format = PNG_FORMAT_RGBA;
  // 16-bit samples without a gAMA or sRGB chunk are sRGB values like 8-bit
  // ones; libpng would otherwise take them as linear light.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  Image image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    throw print::Error(name, std::string("not a readable PNG image: ") + png.message);
  }
  convert_to_srgb(image, profile, name);
  composite_over_white(image);
  return image;
}

}  // namespace

Image decode_png(std::span<const std::uint8_t> bytes, const std::string& name) {
  const EmbeddedProfile profile = png_profile(PngBytes(bytes), name);
  if (std::optional<Image> image = decode_png_fast(bytes)) {
    convert_to_srgb(*image, profile, name);
    // The fast path takes RGB (colour type 2, opaque) and RGBA (6).
    if (read_png_header(PngBytes(bytes))->colour_type == 6) composite_over_white(*image);
    return std::move(*image);
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    throw print::Error(name, std::string("not a readable PNG image: ") + png.message);
  }
  return finish_png(png, profile, name);
}

Image decode_png_file(std::FILE* file, const std::string& name) {
  const EmbeddedProfile profile = png_profile(PngBytes(file), name);
  if (std::fseek(file, 0, SEEK_SET) != 0)
    throw print::Error(name, std::string("cannot be read: ") + std::strerror(errno));
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&png, file)) {
    throw print::Error(name, std::string("not a readable PNG image: ") + png.message);
  }
  return finish_png(png, profile, name);
}

}  // namespace ymcko::cards
