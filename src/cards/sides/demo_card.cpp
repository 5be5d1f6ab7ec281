// The demo card: picture, font, barcode and its settings.
#include "cards/sides/demo_card.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ymcko::cards {
namespace {

struct Glyph {
  char character;
  std::uint8_t rows[7];  // five dots per row, the leftmost in bit 4
};

constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
};

// Code 39: for each character its nine elements (bar, space, bar, ... bar),
// a 1 marking a wide one. Every pattern has three wide elements.
struct Code39 {
  char character;
  const char* wide;
};

constexpr Code39 kCode39[] = {
    {'0', "000110100"}, {'1', "100100001"}, {'2', "001100001"}, {'3', "101100000"},
    {'4', "000110001"}, {'5', "100110000"}, {'6', "001110000"}, {'7', "000100101"},
    {'8', "100100100"}, {'9', "001100100"}, {'A', "100001001"}, {'B', "001001001"},
    {'C', "101001000"}, {'D', "000011001"}, {'E', "100011000"}, {'F', "001011000"},
    {'G', "000001101"}, {'H', "100001100"}, {'I', "001001100"}, {'J', "000011100"},
    {'K', "100000011"}, {'L', "001000011"}, {'M', "101000010"}, {'N', "000010011"},
    {'O', "100010010"}, {'P', "001010010"}, {'Q', "000000111"}, {'R', "100000110"},
    {'S', "001000110"}, {'T', "000010110"}, {'U', "110000001"}, {'V', "011000001"},
    {'W', "111000000"}, {'X', "010010001"}, {'Y', "110010000"}, {'Z', "011010000"},
    {'-', "010000101"}, {' ', "011000100"}, {'*', "010010100"},
};

void fill_rect(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t width,
               std::uint32_t height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  for (std::uint32_t row = y; row < std::min(y + height, image.height); ++row) {
    for (std::uint32_t column = x; column < std::min(x + width, image.width); ++column) {
      std::uint8_t* p = image.pixel(column, row);
      p[0] = red, p[1] = green, p[2] = blue, p[3] = 255;
    }
  }
}

std::uint8_t channel(double value) {
  return std::uint8_t(std::clamp(std::lround(value), 1L, 254L));
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

// A landscape at the given size: sky with a sun, a mountain ridge, green
// hills and a lake. Channels stay between 1 and 254, so no pixel is pure
// black or pure white and the picture stays in the colour panels.
void draw_picture(Image& image, std::uint32_t x0, std::uint32_t y0, std::uint32_t width,
                  std::uint32_t height) {
  for (std::uint32_t row = 0; row < height; ++row) {
    for (std::uint32_t column = 0; column < width; ++column) {
      const double u = (column + 0.5) / width;
      const double v = (row + 0.5) / height;
      const double ridge = 0.45 + 0.08 * std::sin(6.0 * u) + 0.04 * std::sin(17.0 * u + 1.0);
      const double hills = 0.64 + 0.05 * std::sin(4.0 * u + 2.0);
      const double shore = 0.82;
      double r, g, b;
      if (v >= shore) {
        // Water, darker with depth, with a band of sunlight.
        const double depth = (v - shore) / (1.0 - shore);
        const double glint =
            std::exp(-std::pow((u - 0.72) / 0.05, 2.0)) * (0.5 + 0.5 * std::sin(90.0 * v));
        r = mix(60, 20, depth) + 150 * glint;
        g = mix(130, 80, depth) + 120 * glint;
        b = mix(200, 150, depth) + 40 * glint;
      } else if (v >= hills) {
        const double t = (v - hills) / (shore - hills);
        r = mix(90, 40, t);
        g = mix(170, 110, t);
        b = mix(70, 40, t);
      } else if (v >= ridge) {
        const double t = (v - ridge) / (hills - ridge);
        r = mix(150, 100, t);
        g = mix(130, 90, t);
        b = mix(180, 140, t);
      } else {
        // Sky from deep blue to pale at the horizon, and a sun with a glow.
        const double t = v / ridge;
        r = mix(50, 200, t);
        g = mix(110, 225, t);
        b = mix(210, 250, t);
        const double distance = std::hypot((u - 0.72) * width, (v - 0.2) * height) / width;
        if (distance < 0.09) {
          r = 255, g = 215, b = 80;
        } else if (distance < 0.2) {
          const double glow = (0.2 - distance) / 0.11;
          r = mix(r, 255, glow * 0.6);
          g = mix(g, 200, glow * 0.5);
          b = mix(b, 120, glow * 0.4);
        }
      }
      std::uint8_t* p = image.pixel(x0 + column, y0 + row);
      p[0] = channel(r), p[1] = channel(g), p[2] = channel(b), p[3] = 255;
    }
  }
}

}  // namespace

void draw_text(Image& image, std::uint32_t x, std::uint32_t y, std::string_view text,
               std::uint32_t scale, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  for (char character : text) {
    const Glyph* glyph = nullptr;
    for (const Glyph& candidate : kFont) {
      if (candidate.character == character) glyph = &candidate;
    }
    if (glyph != nullptr) {
      for (std::uint32_t row = 0; row < 7; ++row) {
        for (std::uint32_t dot = 0; dot < 5; ++dot) {
          if (glyph->rows[row] & (0x10 >> dot)) {
            fill_rect(image, x + dot * scale, y + row * scale, scale, scale, red, green, blue);
          }
        }
      }
    }
    x += 6 * scale;
  }
}

std::uint32_t draw_code39(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t height,
                          std::string_view text, std::uint32_t module) {
  const std::uint32_t start = x;
  std::string framed = "*" + std::string(text) + "*";
  for (std::size_t i = 0; i < framed.size(); ++i) {
    const Code39* code = nullptr;
    for (const Code39& candidate : kCode39) {
      if (candidate.character == framed[i]) code = &candidate;
    }
    if (code == nullptr) continue;
    for (int element = 0; element < 9; ++element) {
      const std::uint32_t width = module * (code->wide[element] == '1' ? 3 : 1);
      if (element % 2 == 0) fill_rect(image, x, y, width, height, 0, 0, 0);
      x += width;
    }
    if (i + 1 < framed.size()) x += module;  // the narrow gap between characters
  }
  return x - start;
}

Image demo_card() {
  Image card = filled_image(kDemoWidth, kDemoHeight, 255, 255, 255);
  draw_picture(card, kDemoPictureX, kDemoPictureY, kDemoPictureWidth, kDemoPictureHeight);
  // A thin coloured band along the top edge, and the card's texts.
  for (std::uint32_t column = 0; column < kDemoWidth; ++column) {
    const double t = double(column) / kDemoWidth;
    fill_rect(card, column, 0, 1, 24, channel(mix(230, 40, t)), channel(mix(40, 120, t)),
              channel(mix(90, 220, t)));
  }
  draw_text(card, 480, 70, "DEMO CARD", 7, 0, 0, 0);
  draw_text(card, 480, 160, "NAME: SAMPLE HOLDER", 4, 0, 0, 0);
  draw_text(card, 480, 210, "NUMBER: 0001-2024", 4, 0, 0, 0);
  draw_text(card, 480, 260, "VALID: 01/30", 4, 0, 0, 0);
  draw_text(card, 480, 330, "Y M C K O", 4, 0, 0, 0);
  draw_code39(card, 470, 440, 110, "0001-DEMO", 3);
  draw_text(card, 470, 565, "0001-DEMO", 3, 0, 0, 0);
  return card;
}

print::CardSettings demo_settings() {
  // A landscape page is turned a quarter clockwise onto the portrait panel:
  // page column c becomes panel line c, page row r panel column 655 - r.
  print::CardSettings settings;
  print::Warnings none;
  settings.set("orientation", std::string("landscape"), "demo card", none);
  const int first_column = int(655 - (kDemoPictureY + kDemoPictureHeight - 1));
  settings.set(
      "overlay_areas",
      std::vector<print::OverlayArea>{{0, first_column, int(kDemoPictureX),
                                       int(kDemoPictureHeight - 1), int(kDemoPictureWidth - 1)}},
      "demo card", none);
  return settings;
}

}  // namespace ymcko::cards
