// Card templates are rendered by a module of their own, ymcko-svg.so, loaded
// the first time a template is drawn: librsvg and the forty libraries it
// brings would cost every other run of a program about 5 ms of start-up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ymcko::cards::svg {

enum Fit : int { stretch = 0, cover = 1, contain = 2 };

// The page to draw on, and the transform the module used.
struct Page {
  std::uint32_t width = 0;  // pixels
  std::uint32_t height = 0;
  int fit = stretch;  // how the viewBox (or the size) goes onto the page
  // Out: user units to page pixels, x' = sx * x + tx, y' = sy * y + ty.
  double sx = 1, sy = 1, tx = 0, ty = 0;
};

// The module's one entry point, by the name kRenderSymbol: the SVG drawn on
// white into `rgba` (width * height * 4 bytes, straight and opaque), or
// false with what is wrong in `error` (a NUL-terminated message).
using RenderFunction = bool (*)(const char* svg, std::size_t size, Page* page, std::uint8_t* rgba,
                                char* error, std::size_t error_size);
inline constexpr const char* kRenderSymbol = "ymcko_svg_render";
inline constexpr const char* kModuleName = "ymcko-svg.so";

}  // namespace ymcko::cards::svg
