// One axis of a stretch.
#include "engine/resample_axis.h"

#include <algorithm>

namespace ymcko::engine {
namespace {

// Division rounding toward minus infinity, for a positive divisor.
std::int64_t floor_div(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

}  // namespace

ResampleAxis::ResampleAxis(std::int64_t dest_start, std::int64_t dest_extent,
                           std::int64_t src_start, std::int64_t src_extent, bool flip,
                           std::int64_t src_limit, ResampleFilter filter)
    : dest_start_(dest_start),
      dest_extent_(dest_extent),
      src_start_(src_start),
      src_extent_(src_extent),
      flip_(flip),
      valid_lo_(std::max<std::int64_t>(0, -src_start)),
      valid_hi_(std::min(src_extent, src_limit - src_start)),
      filter_(filter),
      reducing_(src_extent >= dest_extent) {}

// Positions are measured exactly in integers. Reducing, destination
// position d covers [d * S, (d + 1) * S) and source position i covers
// [i * D, (i + 1) * D), both in 1/D of a source position. Enlarging, the
// centre of d lies at ((2d + 1) * S - D) / 2D source positions, between the
// centres of a and a + 1 at distances f and 2D - f in 1/2D.
ResampleAxis::Span ResampleAxis::span(std::int64_t d) const {
  const std::int64_t S = src_extent_, D = dest_extent_;
  Span s{};
  if (filter_ == ResampleFilter::nearest) {
    s.lo = (2 * d + 1) * S / (2 * D);
    s.hi = s.lo + 1;
  } else if (reducing_) {
    s.lo = d * S / D;
    s.hi = ((d + 1) * S + D - 1) / D;
  } else {
    const std::int64_t n = (2 * d + 1) * S - D;
    s.a = floor_div(n, 2 * D);
    const std::int64_t f = n - s.a * 2 * D;
    s.wa = 2 * D - f;
    s.wb = f;
    if (s.a < 0) {
      s.a = 0, s.wa = 2 * D, s.wb = 0;
    } else if (s.a >= S - 1) {
      s.a = S - 1, s.wa = 2 * D, s.wb = 0;
    }
    s.lo = s.a;
    s.hi = s.a + (s.wb > 0 ? 2 : 1);
  }
  s.lo = std::max(s.lo, valid_lo_);
  s.hi = std::min(s.hi, valid_hi_);
  return s;
}

std::int64_t ResampleAxis::raw_weight(const Span& s, std::int64_t d, std::int64_t i) const {
  const std::int64_t S = src_extent_, D = dest_extent_;
  if (filter_ == ResampleFilter::nearest) return 1;
  if (reducing_) return std::min((i + 1) * D, (d + 1) * S) - std::max(i * D, d * S);
  return i == s.a ? s.wa : s.wb;
}

ResampleTap ResampleAxis::tap(std::int64_t x, std::uint32_t* weights) const {
  std::int64_t d = x - dest_start_;
  if (flip_) d = dest_extent_ - 1 - d;
  const Span s = span(d);
  ResampleTap tap{src_start_ + s.lo, 0, 0};
  if (s.lo >= s.hi) return tap;

  // Weights are the raw ones scaled to RESAMPLE_ONE through their running
  // sums, so that they add up exactly and a single full tap is exact.
  std::int64_t total = 0;
  for (std::int64_t i = s.lo; i < s.hi; ++i) total += raw_weight(s, d, i);
  if (total == 0) return tap;
  tap.count = std::uint32_t(s.hi - s.lo);
  if (weights != nullptr) {
    std::int64_t running = 0, given = 0;
    for (std::int64_t i = s.lo; i < s.hi; ++i) {
      running += raw_weight(s, d, i);
      const std::int64_t upto = running * RESAMPLE_ONE / total;
      weights[i - s.lo] = std::uint32_t(upto - given);
      given = upto;
    }
  }
  return tap;
}

}  // namespace ymcko::engine
