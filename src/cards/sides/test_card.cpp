// The test card: its parts drawn in page pixels, and its settings.
#include "cards/sides/test_card.h"

#include <algorithm>
#include <array>
#include <string>

#include "cards/sides/demo_card.h"
#include "print/card_geometry.h"

namespace ymcko::cards {
namespace {

constexpr std::uint32_t kWidth = print::page_width(true);
constexpr std::uint32_t kHeight = print::page_height(true);

// The labels' size: the built-in font's dots three pixels square.
constexpr std::uint32_t kLabelScale = 3;

// The overlay area on the landscape page, in page pixels: the swatches and
// the grey ramp, framed one pixel outside it in black.
constexpr std::uint32_t kOverlayX = 40;
constexpr std::uint32_t kOverlayY = 84;
constexpr std::uint32_t kOverlayWidth = 944;
constexpr std::uint32_t kOverlayHeight = 252;

struct Swatch {
  const char* label;
  std::uint8_t red, green, blue;
};

// One swatch a colour panel (yellow, magenta, cyan), the pairs of them
// (red, green, blue), and the black panel alone.
constexpr std::array<Swatch, 7> kSwatches = {{
    {"YELLOW", 255, 255, 0},
    {"MAGENTA", 255, 0, 255},
    {"CYAN", 0, 255, 255},
    {"RED", 255, 0, 0},
    {"GREEN", 0, 255, 0},
    {"BLUE", 0, 0, 255},
    {"BLACK", 0, 0, 0},
}};

void fill(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
          std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  for (std::uint32_t row = y; row < std::min(y + height, image.height); ++row) {
    for (std::uint32_t column = x; column < std::min(x + width, image.width); ++column) {
      std::uint8_t* p = image.pixel(column, row);
      p[0] = red, p[1] = green, p[2] = blue, p[3] = 255;
    }
  }
}

void black(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t width,
           std::uint32_t height) {
  fill(image, x, y, width, height, 0, 0, 0);
}

void label(Image& image, std::uint32_t x, std::uint32_t y, std::string_view text,
           std::uint32_t scale = kLabelScale) {
  draw_text(image, x, y, text, scale, 0, 0, 0);
}

// Eight lines of `width` dots with gaps of the same width, vertical in a
// block `length` high or horizontal in one `length` wide.
void draw_lines(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                std::uint32_t length, bool vertical) {
  for (std::uint32_t line = 0; line < 8; ++line) {
    const std::uint32_t at = 2 * line * width;
    if (vertical) {
      black(image, x + at, y, width, length);
    } else {
      black(image, x, y + at, length, width);
    }
  }
}

}  // namespace

Image test_card() {
  Image card = filled_image(kWidth, kHeight, 255, 255, 255);
  label(card, 40, 24, "YMCKO TEST CARD", 6);
  label(card, 620, 50, "FRAME: OVERLAY AREA");

  // The overlay area's frame, just outside it, so a misplaced overlay
  // shows against it.
  black(card, kOverlayX - 1, kOverlayY - 1, kOverlayWidth + 2, 1);
  black(card, kOverlayX - 1, kOverlayY + kOverlayHeight, kOverlayWidth + 2, 1);
  black(card, kOverlayX - 1, kOverlayY - 1, 1, kOverlayHeight + 2);
  black(card, kOverlayX + kOverlayWidth, kOverlayY - 1, 1, kOverlayHeight + 2);

  // The swatches, each labelled under it.
  for (std::size_t i = 0; i < kSwatches.size(); ++i) {
    const Swatch& swatch = kSwatches[i];
    const std::uint32_t x = 48 + std::uint32_t(i) * 134;
    fill(card, x, 96, 124, 90, swatch.red, swatch.green, swatch.blue);
    label(card, x, 194, swatch.label);
  }

  // Sixteen greys from near white to near black, all of them on the
  // colour panels: pure black would go to the black panel.
  for (std::uint32_t step = 0; step < 16; ++step) {
    const auto grey = std::uint8_t(254 - step * 253 / 15);
    fill(card, 48 + step * 58, 240, 58, 60, grey, grey, grey);
  }
  label(card, 48, 308, "GREY RAMP 0-100 IN 16 STEPS");

  // Fine lines of one, two and three dots, across and along the page.
  std::uint32_t x = 48;
  for (std::uint32_t width = 1; width <= 3; ++width) {
    draw_lines(card, x, 370, width, 100, true);
    label(card, x, 478, std::to_string(width));
    x += 16 * width + 20;
  }
  std::uint32_t y = 370;
  for (std::uint32_t width = 1; width <= 3; ++width) {
    draw_lines(card, 250, y, width, 100, false);
    label(card, 360, y, std::to_string(width));
    y += 16 * width + 8;
  }
  label(card, 48, 512, "LINES 1 2 3 DOTS WIDE");

  // The code, large enough modules for any scanner, and black text down to
  // the font's one-dot size.
  draw_code39(card, 470, 360, 110, "YMCKO TEST", 2);
  label(card, 470, 478, "CODE 39: YMCKO TEST");
  label(card, 48, 560, "BLACK TEXT ON THE K PANEL: 0123456789", 2);
  label(card, 48, 592, "ONE DOT TEXT: ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", 1);
  return card;
}

print::CardSettings test_card_settings(bool encoder) {
  print::CardSettings settings;
  print::Warnings none;
  settings.set("orientation", std::string("landscape"), "test card", none);
  for (const char* panel : {"front_color", "front_black", "front_overlay"})
    settings.set(panel, true, "test card", none);
  // A landscape page is turned a quarter clockwise onto the portrait panel:
  // page column c becomes panel line c, page row r panel column 655 - r.
  const int first_column = int(655 - (kOverlayY + kOverlayHeight - 1));
  settings.set("overlay_areas",
               std::vector<print::OverlayArea>{{0, first_column, int(kOverlayX),
                                                int(kOverlayHeight - 1), int(kOverlayWidth - 1)}},
               "test card", none);
  if (encoder) {
    // Tracks inside their ISO 7811 sets, with their start and end sentinels.
    settings.set("mag_encoder", true, "test card", none);
    settings.set("mag_mode", std::string("W"), "test card", none);
    settings.set("track1", std::string("%TEST CARD^YMCKO^0123456789?"), "test card", none);
    settings.set("track2", std::string(";1234567890123456=0123456789?"), "test card", none);
    settings.set("track3", std::string(";0123456789=0123456789=0123456789?"), "test card", none);
  }
  return settings;
}

}  // namespace ymcko::cards
