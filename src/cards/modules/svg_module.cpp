// ymcko-svg: a card design drawn by librsvg on cairo.
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cards/images/svg_module.h"

namespace {

using ymcko::cards::svg::Outcome;

Outcome failed(char* error, std::size_t size, const std::string& what) {
  std::snprintf(error, size, "%s", what.c_str());
  return Outcome::refused;
}

}  // namespace

Outcome ymcko::cards::svg::render(const char* svg, std::size_t size, Page* page, std::uint8_t* rgba,
                                  char* error, std::size_t error_size) {
  GError* problem = nullptr;
  std::unique_ptr<RsvgHandle, decltype(&g_object_unref)> handle(
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg), size, &problem),
      g_object_unref);
  auto fail = [&](const char* doing) {
    const std::string message = problem != nullptr ? problem->message : "unknown error";
    if (problem != nullptr) g_error_free(problem);
    return failed(error, error_size, std::string(doing) + ": " + message);
  };
  if (!handle) return fail("cannot be read by the SVG renderer");
  rsvg_handle_set_dpi(handle.get(), 96);

  // The user-unit box that fills the page: the viewBox, or else the size.
  gboolean has_width = false, has_height = false, has_box = false;
  RsvgLength length_w{}, length_h{};
  RsvgRectangle box{};
  rsvg_handle_get_intrinsic_dimensions(handle.get(), &has_width, &length_w, &has_height, &length_h,
                                       &has_box, &box);
  if (!has_box) {
    double w = 0, h = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &w, &h) || w <= 0 || h <= 0)
      return failed(error, error_size,
                    "has neither a viewBox nor a width and height in absolute units");
    box = {0, 0, w, h};
  }
  if (box.width <= 0 || box.height <= 0) return failed(error, error_size, "the viewBox is empty");

  // User units to page pixels, as the fit says.
  const double width = page->width, height = page->height;
  double sx = width / box.width, sy = height / box.height;
  if (page->fit == cover) sx = sy = std::max(sx, sy);
  if (page->fit == contain) sx = sy = std::min(sx, sy);
  page->sx = sx;
  page->sy = sy;
  page->tx = (width - box.width * sx) / 2 - box.x * sx;
  page->ty = (height - box.height * sy) / 2 - box.y * sy;

  // Cairo draws into the caller's pixels, whose rows of four-byte words
  // are the stride it wants for them.
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(rgba, CAIRO_FORMAT_ARGB32, int(page->width),
                                          int(page->height), int(page->width * 4)),
      cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  cairo_translate(cr.get(), page->tx, page->ty);
  cairo_scale(cr.get(), sx, sy);
  // Memory that ran out for a surface is cairo's status, which librsvg
  // passes on in its message; its own allocations end the process instead.
  const bool drawn = rsvg_handle_render_document(handle.get(), cr.get(), &box, &problem);
  if (cairo_status(cr.get()) == CAIRO_STATUS_NO_MEMORY ||
      (problem != nullptr && std::strstr(problem->message, "NoMemory") != nullptr)) {
    if (problem != nullptr) g_error_free(problem);
    return Outcome::out_of_memory;
  }
  if (!drawn) return fail("cannot be rendered");
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
    return failed(
        error, error_size,
        std::string("cannot be rendered: ") + cairo_status_to_string(cairo_status(cr.get())));
  cairo_surface_flush(surface.get());

  // Cairo's pixels are premultiplied, in native-endian ARGB words: blended
  // over white they are straight RGB, written over each word in place.
  std::uint8_t* at = rgba;
  for (std::size_t i = 0, n = std::size_t(page->width) * page->height; i < n; ++i, at += 4) {
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    const unsigned white = 255 - (word >> 24);
    at[0] = std::uint8_t(((word >> 16) & 0xFF) + white);
    at[1] = std::uint8_t(((word >> 8) & 0xFF) + white);
    at[2] = std::uint8_t((word & 0xFF) + white);
    at[3] = 255;
  }
  return Outcome::rendered;
}
