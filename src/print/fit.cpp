// Placement of an image on the page for the three fit modes.
#include "print/fit.h"

#include <algorithm>

namespace ymcko::print {
namespace {

// round(a * b / c) for non-negative values, kept at least 1.
std::int32_t scaled(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  return std::max<std::int32_t>(1, std::int32_t((a * b + c / 2) / c));
}

}  // namespace

std::optional<FitMode> parse_fit_mode(std::string_view name) {
  if (name == "cover") return FitMode::cover;
  if (name == "contain") return FitMode::contain;
  if (name == "stretch") return FitMode::stretch;
  return std::nullopt;
}

Placement place_image(std::uint32_t image_width, std::uint32_t image_height,
                      std::uint32_t page_width, std::uint32_t page_height, FitMode mode) {
  const PixelRect whole_image{0, 0, std::int32_t(image_width), std::int32_t(image_height)};
  const PixelRect whole_page{0, 0, std::int32_t(page_width), std::int32_t(page_height)};
  if (image_width == page_width && image_height == page_height)
    return {whole_image, whole_page, true};

  // Compare the aspects exactly: the image is wider than the page when
  // image_width / image_height > page_width / page_height.
  const std::uint64_t image_cross = std::uint64_t(image_width) * page_height;
  const std::uint64_t page_cross = std::uint64_t(page_width) * image_height;
  switch (mode) {
    case FitMode::stretch:
      return {whole_image, whole_page, false};
    case FitMode::cover: {
      PixelRect source = whole_image;
      if (image_cross > page_cross) {
        source.width =
            std::min<std::int32_t>(source.width, scaled(image_height, page_width, page_height));
        source.x = (std::int32_t(image_width) - source.width) / 2;
      } else if (image_cross < page_cross) {
        source.height =
            std::min<std::int32_t>(source.height, scaled(image_width, page_height, page_width));
        source.y = (std::int32_t(image_height) - source.height) / 2;
      }
      return {source, whole_page, false};
    }
    case FitMode::contain: {
      PixelRect destination = whole_page;
      if (image_cross > page_cross) {
        destination.height = std::min<std::int32_t>(destination.height,
                                                    scaled(page_width, image_height, image_width));
        destination.y = (std::int32_t(page_height) - destination.height) / 2;
      } else if (image_cross < page_cross) {
        destination.width = std::min<std::int32_t>(destination.width,
                                                   scaled(page_height, image_width, image_height));
        destination.x = (std::int32_t(page_width) - destination.width) / 2;
      }
      return {whole_image, destination, false};
    }
  }
  return {whole_image, whole_page, false};
}

}  // namespace ymcko::print
