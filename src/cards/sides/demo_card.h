// The built-in demo card, drawn in code so the tool runs with no input: a
// colour landscape picture, text and a Code 39 barcode in pure black, and an
// overlay area over the picture.
#pragma once

#include <cstdint>
#include <string_view>

#include "cards/images/image.h"
#include "print/card_geometry.h"
#include "print/card_settings.h"

namespace ymcko::cards {

// The landscape page bitmap's size in pixels.
inline constexpr std::uint32_t kDemoWidth = print::page_width(true);
inline constexpr std::uint32_t kDemoHeight = print::page_height(true);

// Where the picture lies on the landscape page, in page pixels.
inline constexpr std::uint32_t kDemoPictureX = 40;
inline constexpr std::uint32_t kDemoPictureY = 60;
inline constexpr std::uint32_t kDemoPictureWidth = 400;
inline constexpr std::uint32_t kDemoPictureHeight = 536;

// The demo card's front, 1024 x 656, opaque.
Image demo_card();

// The settings the demo card wants: landscape, and one overlay area (kind 0)
// over the picture, in the panel's portrait pixels.
print::CardSettings demo_settings();

// Draws `text` in the built-in 5 x 7 font, each dot `scale` pixels square,
// top left corner at (x, y), in the given colour. Letters, digits, space and
// "-", ".", ":", "/" are drawn; other characters leave a gap.
void draw_text(Image& image, std::uint32_t x, std::uint32_t y, std::string_view text,
               std::uint32_t scale, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Draws `text` (upper-case letters, digits, "-", space; framed by the "*"
// start and stop characters here) as a Code 39 barcode in pure black: narrow
// elements `module` pixels wide, wide ones three times that. Returns the
// width drawn.
std::uint32_t draw_code39(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t height,
                          std::string_view text, std::uint32_t module);

}  // namespace ymcko::cards
