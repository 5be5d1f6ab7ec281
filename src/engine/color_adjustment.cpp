// The engine's colour adjustment of halftoned stretches.
#include "engine/color_adjustment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ymcko::engine {
namespace {

// Luminance weights in 1/65536 (0.299, 0.587, 0.114), summing to 65536.
constexpr LONG kLumaRed = 19595;
constexpr LONG kLumaGreen = 38470;
constexpr LONG kLumaBlue = 7471;

template <typename T>
T clamp_field(T value, T low, T high) {
  return std::clamp(value, low, high);
}

BYTE to_byte(LONG value) { return BYTE(std::clamp<LONG>(value, 0, 255)); }

// Rounds a value in 1/65536 to the nearest whole level (halves up).
LONG round_q16(std::int64_t value) { return LONG((value + 32768) >> 16); }

}  // namespace

// The adjustment, applied in this order to each channel value v (0 to 255),
// with x = v / 255 and every step clamped to 0..1:
//   reference black and white: x = (x - black) / (white - black), where
//     black = caReferenceBlack / 10000 and white = caReferenceWhite / 10000;
//   gamma per channel:         x = x ^ (10000 / caRed/Green/BlueGamma), so a
//     gamma above 10000 lightens the middle tones;
//   contrast c:                x = (x - 0.5) * 2 ^ (c / 50) + 0.5, a slope
//     from 1/4 (c = -100) to 4 (c = 100) about the middle grey;
//   brightness b:              x = x + b / 200;
// and the result is rounded to the nearest level. Then, per pixel, in
// integers of 1/65536:
//   colourfulness f: each channel = Y + (channel - Y) * (1 + f / 100), with
//     Y = 0.299 R + 0.587 G + 0.114 B (f = -100 leaves grey);
//   red-green tint t: red + t * 0.255, green - t * 0.255 * 0.299 / 0.587, a
//     shift toward red for t > 0 and toward green for t < 0 that keeps Y;
//   negative (CA_NEGATIVE): each channel = 255 - channel.
// Steps at their neutral value are skipped, so the default record changes
// nothing. The illuminant and CA_LOG_FILTER are not applied (the page and
// the pictures drawn on it share one white point), and caSize is not
// examined: every field is brought within its limits instead.
ColorAdjuster::ColorAdjuster(const COLORADJUSTMENT* adjustment) {
  if (adjustment == nullptr) {
    for (auto& curve : curve_) {
      for (int v = 0; v < 256; ++v) curve[v] = BYTE(v);
    }
    return;
  }
  const COLORADJUSTMENT& ca = *adjustment;
  const WORD gammas[3] = {clamp_field(ca.caRedGamma, CA_GAMMA_MIN, CA_GAMMA_MAX),
                          clamp_field(ca.caGreenGamma, CA_GAMMA_MIN, CA_GAMMA_MAX),
                          clamp_field(ca.caBlueGamma, CA_GAMMA_MIN, CA_GAMMA_MAX)};
  const WORD black = clamp_field<WORD>(ca.caReferenceBlack, 0, CA_BLACK_MAX);
  const WORD white = clamp_field(ca.caReferenceWhite, CA_WHITE_MIN, CA_WHITE_MAX);
  const SHORT low = -CA_LEVEL_LIMIT, high = CA_LEVEL_LIMIT;
  const SHORT contrast = clamp_field(ca.caContrast, low, high);
  const SHORT brightness = clamp_field(ca.caBrightness, low, high);
  const SHORT colorfulness = clamp_field(ca.caColorfulness, low, high);
  const SHORT tint = clamp_field(ca.caRedGreenTint, low, high);

  // Per-channel curves.
  const double black_level = black / 10000.0;
  const double white_level = white / 10000.0;
  const double slope = std::exp2(contrast / 50.0);
  for (int channel = 0; channel < 3; ++channel) {
    const double exponent = 10000.0 / gammas[channel];
    for (int v = 0; v < 256; ++v) {
      double x = v / 255.0;
      if (black != 0 || white != 10000) {
        x = std::clamp((x - black_level) / (white_level - black_level), 0.0, 1.0);
      }
      if (gammas[channel] != 10000) x = std::pow(x, exponent);
      if (contrast != 0) x = std::clamp((x - 0.5) * slope + 0.5, 0.0, 1.0);
      if (brightness != 0) x = std::clamp(x + brightness / 200.0, 0.0, 1.0);
      curve_[channel][v] = to_byte(std::lround(x * 255.0));
    }
  }

  // Cross-channel steps.
  saturation_q16_ = 65536 + colorfulness * 65536 / 100;
  red_shift_q16_ = LONG(std::int64_t{tint} * 255 * 65536 / 1000);
  green_shift_q16_ = LONG(-std::int64_t{red_shift_q16_} * kLumaRed / kLumaGreen);
  mixes_ = colorfulness != 0 || tint != 0;
  negative_ = (ca.caFlags & CA_NEGATIVE) != 0;

  identity_ = !mixes_ && !negative_;
  for (int channel = 0; channel < 3 && identity_; ++channel) {
    for (int v = 0; v < 256; ++v) {
      if (curve_[channel][v] != v) identity_ = false;
    }
  }
}

void ColorAdjuster::apply(BYTE& red, BYTE& green, BYTE& blue) const {
  if (identity_) return;
  LONG r = curve_[0][red], g = curve_[1][green], b = curve_[2][blue];
  if (mixes_) {
    const LONG y = round_q16(std::int64_t{kLumaRed} * r + std::int64_t{kLumaGreen} * g +
                             std::int64_t{kLumaBlue} * b);
    r = std::clamp<LONG>(y + round_q16(std::int64_t{r - y} * saturation_q16_ + red_shift_q16_), 0,
                         255);
    g = std::clamp<LONG>(y + round_q16(std::int64_t{g - y} * saturation_q16_ + green_shift_q16_), 0,
                         255);
    b = std::clamp<LONG>(y + round_q16(std::int64_t{b - y} * saturation_q16_), 0, 255);
  }
  if (negative_) {
    r = 255 - r;
    g = 255 - g;
    b = 255 - b;
  }
  red = BYTE(r);
  green = BYTE(g);
  blue = BYTE(b);
}

}  // namespace ymcko::engine
