// Where an image goes on the page bitmap: the source and destination
// rectangles for each --fit mode, with an image of the page's exact size
// drawn one to one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ymcko::print {

enum class FitMode {
  cover,    // fill the page, cropping the excess of the image equally on both sides
  contain,  // the whole image, centred on white
  stretch,  // the whole image onto the whole page, aspect ignored
};

// The mode named on the command line ("cover", "contain", "stretch").
std::optional<FitMode> parse_fit_mode(std::string_view name);

// A rectangle in pixels: left and top edge, width and height.
struct PixelRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const PixelRect&) const = default;
};

struct Placement {
  PixelRect source;       // in the image
  PixelRect destination;  // on the page; the rest of the page stays white
  bool one_to_one;        // the sizes match: copy pixel for pixel, no stretching
};

// The placement of an image of the given size on a page of the given size.
// Both sizes are at least one pixel; every rectangle keeps at least one.
Placement place_image(std::uint32_t image_width, std::uint32_t image_height,
                      std::uint32_t page_width, std::uint32_t page_height, FitMode mode);

}  // namespace ymcko::print
