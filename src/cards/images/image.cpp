// Card images in memory.
#include "cards/images/image.h"

#include <cstring>

#include "print/errors.h"
#include "print/session.h"

namespace ymcko::cards {

Image filled_image(std::uint32_t width, std::uint32_t height, std::uint8_t red, std::uint8_t green,
                   std::uint8_t blue) {
  Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    image.rgba[i] = red;
    image.rgba[i + 1] = green;
    image.rgba[i + 2] = blue;
    image.rgba[i + 3] = 255;
  }
  return image;
}

void check_image_size(std::uint64_t width, std::uint64_t height, const std::string& name) {
  if (width == 0 || height == 0) throw print::Error(name, "the image has no pixels");
  if (width * height > kMaxImagePixels) {
    throw print::Error(name, "the image is " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels; at most " +
                                 std::to_string(kMaxImagePixels) + " pixels are accepted");
  }
}

ImageFormat sniff_format(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() >= sizeof png && std::memcmp(bytes.data(), png, sizeof png) == 0)
    return ImageFormat::png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    return ImageFormat::jpeg;
  if (bytes.size() >= 5 && std::memcmp(bytes.data(), "%PDF-", 5) == 0) return ImageFormat::pdf;
  return ImageFormat::unknown;
}

void composite_over_white(Image& image) { print::composite_over_white(image.rgba); }

}  // namespace ymcko::cards
