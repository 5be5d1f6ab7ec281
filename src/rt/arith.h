// 64-bit arithmetic helpers: sizes and products are formed in 64 bits and
// brought back to 32 bits only when they fit.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "engine/engine.h"

namespace ymcko::rt {

// The value as a ULONG, or nothing when it does not fit.
constexpr std::optional<ULONG> fit_ulong(std::uint64_t value) {
  if (value > std::numeric_limits<ULONG>::max()) return std::nullopt;
  return static_cast<ULONG>(value);
}

// The value limited to the range of a LONG.
constexpr LONG saturate_long(std::int64_t value) {
  if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
  if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(value);
}

// value raised to the next multiple of `step` (a power of two), in 64 bits.
constexpr std::uint64_t round_up(std::uint64_t value, std::uint64_t step) {
  return (value + step - 1) & ~(step - 1);
}

}  // namespace ymcko::rt
