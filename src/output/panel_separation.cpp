// Separation of the page bitmap into panels.
#include "output/panel_separation.h"

#include <algorithm>

namespace {

constexpr std::array<WORD, 256> make_curtbl() {
  std::array<WORD, 256> table{};
  for (std::uint64_t i = 0; i < 256; ++i) {
    // Nearest integer to i^3 / 65025, halves going up.
    table[i] = static_cast<WORD>((2 * i * i * i + 65025) / std::uint64_t{2 * 65025});
  }
  return table;
}

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;
constexpr std::uint32_t kMark = 0xFF000000;

constexpr BYTE red_of(std::uint32_t p) { return BYTE(p); }
constexpr BYTE green_of(std::uint32_t p) { return BYTE(p >> 8); }
constexpr BYTE blue_of(std::uint32_t p) { return BYTE(p >> 16); }
constexpr BYTE mark_of(std::uint32_t p) { return BYTE(p >> 24); }

// The bitmap index of panel line i, column j: the portrait page row by row;
// a landscape page turned a quarter clockwise (stored row = panel column).
struct Scan {
  std::size_t line_step;   // index step from one panel line to the next
  std::size_t pixel_step;  // index step from one panel column to the next
  std::size_t origin;      // index of line 0, column 0
};

Scan scan_of(const ymcko::PageBitmap& page, const ymcko::PrintRect& rect) {
  if (page.landscape) return {1, PANEL_HEIGHT, std::size_t{rect.x} * PANEL_HEIGHT + rect.y};
  return {PANEL_WIDTH, 1, std::size_t{rect.y} * PANEL_WIDTH + rect.x};
}

// Corrected colour amount: response curve, undercolour term and linear gain,
// in 64 bits and limited to 0..255.
BYTE corrected_amount(int amount, int under, std::int64_t curve, std::int64_t under_curve,
                      std::int64_t gain) {
  std::int64_t sum = curve * curtbl[amount] - under_curve * curtbl[amount - under] + amount * gain;
  return static_cast<BYTE>(std::clamp<std::int64_t>(sum >> 7, 0, 255));
}

// The printer's tables round by adding a half and truncating toward zero,
// so negative values round up; kept as such for the same bytes.
BYTE limit_channel(double value) {
  return static_cast<BYTE>(
      std::clamp(static_cast<int>(value + 0.5), 0, 255));  // NOLINT(bugprone-incorrect-roundings)
}

}  // namespace

const std::array<WORD, 256> curtbl = make_curtbl();

namespace ymcko {

LONG limit_intensity(LONG color_intensity) {
  return std::clamp(color_intensity, COLOR_INTENSITY_MIN, COLOR_INTENSITY_MAX);
}

ULONG intensity_level(LONG color_intensity) {
  ULONG four_v = static_cast<ULONG>(limit_intensity(color_intensity)) * 4u;
  return four_v == 0 ? 3 : four_v / 101 + 4;
}

ToneTable make_tone_table(LONG color_intensity) {
  const LONG v = limit_intensity(color_intensity);
  std::int64_t level = intensity_level(v);
  std::int64_t g = (level - 3) * 100 - std::int64_t{v} * 4;
  ToneTable tone{};
  for (std::int64_t k = 0; k < 256; ++k) {
    tone[k] = static_cast<BYTE>(std::clamp<std::int64_t>(k - 2 * g * k / 1000, 0, 255));
  }
  return tone;
}

PrintRect clip_print_rect(const DRVPRIVATE& settings) {
  PrintRect rect;
  rect.x = std::min<ULONG>(settings.xPrint, PANEL_WIDTH);
  rect.cx = std::min<ULONG>(settings.cxPrint, PANEL_WIDTH - rect.x);
  rect.y = std::min<ULONG>(settings.yPrint, PANEL_HEIGHT);
  rect.cy = std::min<ULONG>(settings.cyPrint, PANEL_HEIGHT - rect.y);
  return rect;
}

std::uint32_t correct_pixel(std::uint32_t pixel, const ColorAdjust& adjust) {
  std::uint32_t rgb = pixel & kRgbMask;
  if (rgb == 0 || rgb == kRgbMask) return pixel;

  // Colour amounts and their common (grey) part.
  int c = 255 - red_of(pixel);
  int m = 255 - green_of(pixel);
  int y = 255 - blue_of(pixel);
  int k = std::min({c, m, y});
  int red = 255 - corrected_amount(c, k, 32, 8, 96 + std::int64_t{adjust.cyan});
  int green = 255 - corrected_amount(m, k, 28, 14, 100 + std::int64_t{adjust.magenta});
  int blue = 255 - corrected_amount(y, k, 12, 18, 116 + std::int64_t{adjust.yellow});

  // Chroma scaling through luma and colour differences. Y and Cb are kept in
  // single precision and Cr in double, as the printer's tables were made.
  double s = (adjust.saturation + 50.0) * 0.02;
  float luma = static_cast<float>(0.299 * red + 0.587 * green + 0.114 * blue);
  float cb = static_cast<float>((0.5 * blue - (0.331 * green + 0.169 * red)) * s);
  double cr = (0.5 * red - 0.418 * green - 0.082 * blue) * s;
  luma = std::clamp(luma, 0.0f, 255.0f);
  cb = std::clamp(cb, -127.0f, 127.0f);
  cr = std::clamp(cr, -127.0, 127.0);

  BYTE r = limit_channel(luma + 1.402 * cr);
  BYTE g = limit_channel(luma - 0.346 * cb - 0.7145 * cr);
  BYTE b = limit_channel(luma + 1.771 * cb);
  return std::uint32_t{r} | std::uint32_t{g} << 8 | std::uint32_t{b} << 16;
}

void correct_colors(const PageBitmap& page, const PrintRect& rect, const ColorAdjust& adjust) {
  Scan scan = scan_of(page, rect);
  for (ULONG i = 0; i < rect.cy; ++i) {
    std::uint32_t* pixel = page.pixels + scan.origin + i * scan.line_step;
    for (ULONG j = 0; j < rect.cx; ++j, pixel += scan.pixel_step)
      *pixel = correct_pixel(*pixel, adjust);
  }
}

std::optional<InkExtent> separate(Pass pass, const PageBitmap& page, const PrintRect& rect,
                                  const ToneTable& tone, bool extract_black,
                                  std::span<BYTE> panel) {
  Scan scan = scan_of(page, rect);
  constexpr ULONG kNone = ~ULONG{0};
  ULONG first = kNone;
  ULONG end = kNone;

  for (ULONG i = 0; i < rect.cy; ++i) {
    std::uint32_t* pixel = page.pixels + scan.origin + i * scan.line_step;
    BYTE* out = panel.data() + std::size_t{i} * rect.cx;
    BYTE inked = 0;
    for (ULONG j = 0; j < rect.cx; ++j, pixel += scan.pixel_step) {
      std::uint32_t p = *pixel;
      BYTE value = 0;
      switch (pass) {
        case Pass::yellow:
          if (extract_black) {
            p = (p & kRgbMask) == 0 ? kRgbMask : p | kMark;
            *pixel = p;
          }
          value = tone[255 - blue_of(p)];
          break;
        case Pass::magenta:
          value = tone[255 - green_of(p)];
          break;
        case Pass::cyan:
          value = tone[255 - red_of(p)];
          break;
        case Pass::black_from_mark:
          value = static_cast<BYTE>(255 - mark_of(p));
          break;
        case Pass::black_pure:
          value = (p & kRgbMask) == 0 ? 255 : 0;
          break;
      }
      out[j] = value;
      inked |= value;
    }

    // Leading and trailing blank lines are left out; blank lines between
    // inked lines are kept.
    if (inked != 0) {
      if (first == kNone) first = i;
      end = kNone;
    } else if (first != kNone && end == kNone) {
      end = i;
    }
  }

  if (first == kNone) return std::nullopt;
  return InkExtent{first, end == kNone ? rect.cy : end};
}

}  // namespace ymcko
