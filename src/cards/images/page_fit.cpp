// Pages turned and fitted onto the card.
#include "cards/images/page_fit.h"

#include <algorithm>
#include <cstring>

#include "print/card_geometry.h"

namespace ymcko::cards {
namespace {

using print::ImageView;
using print::PixelFormat;
using print::PixelRect;

// Two shapes are alike when their long-to-short ratios differ by at most
// this factor: a 4x6 photo is shaped as a card, a Letter page is not.
constexpr double kAlikeShapes = 1.10;

// A pixel at least this light in every channel (or nearly transparent) is
// the page's white.
constexpr std::uint8_t kWhite = 245;
constexpr std::uint8_t kTransparent = 16;

// The resolutions a page printed at its own size may have.
constexpr int kLeastDpi = 72, kMostDpi = 1200;

double long_to_short(std::uint32_t width, std::uint32_t height) {
  return double(std::max(width, height)) / double(std::min(width, height));
}

bool shaped_alike(std::uint32_t width, std::uint32_t height, std::uint32_t card_width,
                  std::uint32_t card_height) {
  const double page = long_to_short(width, height), card = long_to_short(card_width, card_height);
  return std::max(page, card) / std::min(page, card) <= kAlikeShapes;
}

std::size_t stride_of(const ImageView& view) {
  return view.stride != 0 ? view.stride : view.width * print::bytes_per_pixel(view.format);
}

const std::uint8_t* row_of(const ImageView& view, std::uint32_t y) {
  return view.pixels.data() + y * stride_of(view);
}

bool is_white(const std::uint8_t* pixel, PixelFormat format) {
  switch (format) {
    case PixelFormat::gray:
      return pixel[0] >= kWhite;
    case PixelFormat::rgba:
      if (pixel[3] < kTransparent) return true;
      [[fallthrough]];
    case PixelFormat::rgb:
      return pixel[0] >= kWhite && pixel[1] >= kWhite && pixel[2] >= kWhite;
  }
  return true;
}

// The smallest rectangle holding every pixel that is not white; empty
// (zero width) for a blank page.
PixelRect content_box(const ImageView& page) {
  const std::size_t size = print::bytes_per_pixel(page.format);
  std::int64_t left = page.width, right = -1, top = -1, bottom = -1;
  for (std::uint32_t y = 0; y < page.height; ++y) {
    const std::uint8_t* row = row_of(page, y);
    std::int64_t first = 0;
    while (first < std::int64_t(page.width) && is_white(row + first * size, page.format)) ++first;
    if (first == page.width) continue;
    std::int64_t last = page.width - 1;
    while (last > right && is_white(row + last * size, page.format)) --last;
    left = std::min(left, first);
    right = std::max(right, last);
    if (top < 0) top = y;
    bottom = y;
  }
  if (top < 0) return {};
  return {std::int32_t(left), std::int32_t(top), std::int32_t(right - left + 1),
          std::int32_t(bottom - top + 1)};
}

// The part of `page` inside `box`, without a copy.
ImageView part_of(const ImageView& page, const PixelRect& box) {
  const std::size_t stride = stride_of(page);
  const std::size_t start = box.y * stride + box.x * print::bytes_per_pixel(page.format);
  const std::size_t end =
      (box.y + box.height - 1) * stride + (box.x + box.width) * print::bytes_per_pixel(page.format);
  return {std::uint32_t(box.width), std::uint32_t(box.height), page.format,
          page.pixels.subspan(start, end - start), stride};
}

// `page` turned a quarter anticlockwise when `quarter`, and half a turn
// when `half`, into `out`.
ImageView turned(const ImageView& page, bool quarter, bool half, std::vector<std::uint8_t>& out) {
  const std::size_t size = print::bytes_per_pixel(page.format);
  const std::uint32_t width = quarter ? page.height : page.width;
  const std::uint32_t height = quarter ? page.width : page.height;
  out.resize(std::size_t(width) * height * size);
  std::uint8_t* to = out.data();
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x, to += size) {
      // The output pixel's place before the turns: anticlockwise, the
      // page's top row becomes the left column.
      std::uint32_t ox = half ? width - 1 - x : x, oy = half ? height - 1 - y : y;
      const std::uint32_t sx = quarter ? page.width - 1 - oy : ox, sy = quarter ? ox : oy;
      std::memcpy(to, row_of(page, sy) + sx * size, size);
    }
  }
  return {width, height, page.format, out, 0};
}

// `page` centred on a white canvas of `width` x `height`, cropped where it
// is larger.
ImageView centred(const ImageView& page, std::uint32_t width, std::uint32_t height,
                  std::vector<std::uint8_t>& out) {
  const std::size_t size = print::bytes_per_pixel(page.format);
  out.assign(std::size_t(width) * height * size, 0xFF);
  const std::uint32_t columns = std::min(width, page.width), rows = std::min(height, page.height);
  const std::uint32_t to_x = (width - columns) / 2, to_y = (height - rows) / 2;
  const std::uint32_t from_x = (page.width - columns) / 2, from_y = (page.height - rows) / 2;
  for (std::uint32_t y = 0; y < rows; ++y) {
    std::memcpy(out.data() + ((to_y + y) * std::size_t(width) + to_x) * size,
                row_of(page, from_y + y) + from_x * size, columns * size);
  }
  return {width, height, page.format, out, 0};
}

}  // namespace

bool is_card_page(std::uint32_t width, std::uint32_t height, std::uint32_t card_width,
                  std::uint32_t card_height) {
  return (width == card_width && height == card_height) ||
         (width == card_height && height == card_width);
}

FittedPage fit_page(const ImageView& page, int page_dpi, std::uint32_t card_width,
                    std::uint32_t card_height, PageScaling scaling, bool reversed) {
  FittedPage fitted;
  ImageView view = page;
  fitted.fit_ = print::FitMode::cover;
  if (scaling == PageScaling::automatic &&
      !shaped_alike(page.width, page.height, card_width, card_height)) {
    // A page of another shape: its content, without the white around it.
    const PixelRect box = content_box(page);
    if (box.width > 0) view = part_of(page, box);
    if (box.width == 0 || !shaped_alike(view.width, view.height, card_width, card_height))
      fitted.fit_ = print::FitMode::contain;
  }
  const bool quarter =
      view.width != view.height && (view.width > view.height) != (card_width > card_height);
  if (quarter || reversed) {
    view = turned(view, quarter, reversed, fitted.pixels_);
    fitted.turned_ = true;
  }
  // The card in the page's own pixels, for the scalings that keep its size;
  // a resolution no page has (a client's raster header says any) is taken
  // as the nearest one that is, so that the canvas stays a card's size.
  const int dpi = page_dpi > 0 ? std::clamp(page_dpi, kLeastDpi, kMostDpi) : print::kCardDpi;
  const auto at_page_size = [dpi](std::uint32_t dots) {
    return std::max<std::uint32_t>(
        1, std::uint32_t((std::uint64_t{dots} * dpi + print::kCardDpi / 2) / print::kCardDpi));
  };
  const std::uint32_t across = at_page_size(card_width), down = at_page_size(card_height);
  if (scaling == PageScaling::auto_fit)
    scaling = view.width > across || view.height > down ? PageScaling::fit : PageScaling::none;
  if (scaling == PageScaling::fit) fitted.fit_ = print::FitMode::contain;
  if (scaling == PageScaling::none) {
    std::vector<std::uint8_t> canvas;
    view = centred(view, across, down, canvas);
    fitted.pixels_ = std::move(canvas);
    view.pixels = fitted.pixels_;
    fitted.fit_ = print::FitMode::stretch;
  }
  fitted.view_ = view;
  return fitted;
}

}  // namespace ymcko::cards
