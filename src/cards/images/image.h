// Card images in memory: 8-bit RGBA pixels, the largest image accepted, the
// formats told from a file's first bytes, and transparency over white.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ymcko::cards {

// Pixels in rows from the top, four bytes each: red, green, blue, alpha.
struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;

  std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) {
    return &rgba[(std::size_t(y) * width + x) * 4];
  }
  const std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) const {
    return &rgba[(std::size_t(y) * width + x) * 4];
  }
};

// An image of the given size filled with one opaque colour.
Image filled_image(std::uint32_t width, std::uint32_t height, std::uint8_t red, std::uint8_t green,
                   std::uint8_t blue);

// Largest image accepted, in pixels: larger ones would only exhaust memory.
inline constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;

// Refuses, naming `name`, an image without pixels or above kMaxImagePixels.
void check_image_size(std::uint64_t width, std::uint64_t height, const std::string& name);

enum class ImageFormat { png, jpeg, pdf, unknown };

// The format by the file's first bytes, whatever its name says.
ImageFormat sniff_format(std::span<const std::uint8_t> bytes);

// Blends every pixel over white (8-bit, straight alpha) and makes it opaque.
void composite_over_white(Image& image);

}  // namespace ymcko::cards
