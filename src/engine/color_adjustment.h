// The engine's colour adjustment of halftoned stretches: a COLORADJUSTMENT turned into per-pixel
// work.
#pragma once

#include <array>

#include "engine/engine_types.h"

inline constexpr WORD CA_NEGATIVE = 0x1;
inline constexpr WORD CA_LOG_FILTER = 0x2;

// Limits of the adjustment's fields; values outside are brought to the nearest limit.
inline constexpr WORD CA_GAMMA_MIN = 2500;
inline constexpr WORD CA_GAMMA_MAX = 65000;
inline constexpr WORD CA_BLACK_MAX = 4000;
inline constexpr WORD CA_WHITE_MIN = 6000;
inline constexpr WORD CA_WHITE_MAX = 10000;
inline constexpr SHORT CA_LEVEL_LIMIT = 100;  // contrast, brightness, colourfulness, tint

namespace ymcko::engine {

// A colour adjustment ready to apply to 8-bit red, green and blue. The
// default record (gamma 10000 each, black 0, white 10000, no flags, all
// levels 0) and a null record are the exact identity.
class ColorAdjuster {
 public:
  explicit ColorAdjuster(const COLORADJUSTMENT* adjustment);

  bool is_identity() const { return identity_; }

  // Adjusts one pixel's channels in place.
  void apply(BYTE& red, BYTE& green, BYTE& blue) const;

 private:
  bool identity_ = true;
  bool mixes_ = false;  // colourfulness or tint set: channels influence each other
  bool negative_ = false;
  std::array<std::array<BYTE, 256>, 3> curve_{};  // red, green, blue
  LONG saturation_q16_ = 65536;                   // colourfulness factor, 1/65536
  LONG red_shift_q16_ = 0;                        // tint: added to red, in 1/65536 of a level
  LONG green_shift_q16_ = 0;                      // and to green, so that luminance stays
};

}  // namespace ymcko::engine
