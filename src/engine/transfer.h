// Pieces both transfers share: checked pixel planes, clipping boxes and colour translation.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/surface.h"

namespace ymcko::engine {

// A surface's pixels as the transfers address them: row y counts from the
// page's upper edge whatever the scan-line order in memory.
struct PixelPlane {
  BYTE* scan0;
  std::ptrdiff_t delta;  // bytes from one row to the next one down the page
  std::int64_t width;
  std::int64_t height;
  int bytes_per_pixel;  // 3 or 4

  BYTE* row(std::int64_t y) const { return scan0 + static_cast<std::ptrdiff_t>(y) * delta; }
};

// The plane of a surface that may be read (24 or 32 bpp), or nothing when
// the surface is missing, empty or its step is shorter than a row.
std::optional<PixelPlane> source_plane(const SURFOBJ* pso);

// The plane of a surface that may be drawn into (32 bpp only), or nothing.
std::optional<PixelPlane> destination_plane(const SURFOBJ* pso);

// A half-open rectangle in 64-bit coordinates, so that no sum can wrap.
struct Box {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;

  bool empty() const { return left >= right || top >= bottom; }
  Box intersect(const Box& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
  }
};

inline Box box_of(const RECTL& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
inline Box bounds_of(const PixelPlane& plane) { return {0, 0, plane.width, plane.height}; }

// Narrows `box` to the clip; false for a clip this engine cannot draw (a region).
bool apply_clip(const CLIPOBJ* pco, Box& box);

// Whether a transfer exchanges bytes 0 and 2 of each pixel; nothing for a
// translation this engine cannot draw.
std::optional<bool> swaps_red_and_blue(const XLATEOBJ* pxlo);

// Reads the three colour bytes of a 24 or 32 bpp pixel as b0 | b1 << 8 | b2 << 16.
inline ULONG read_color(const BYTE* pixel) {
  return ULONG(pixel[0]) | ULONG(pixel[1]) << 8 | ULONG(pixel[2]) << 16;
}

// Exchanges bytes 0 and 2 of a colour.
inline ULONG swap_red_blue(ULONG color) {
  return (color & 0x00FF00u) | (color & 0xFFu) << 16 | (color >> 16 & 0xFFu);
}

}  // namespace ymcko::engine
