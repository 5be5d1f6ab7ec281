// One axis of a stretch: which source positions make each destination position, and with what
// weights.
#pragma once

#include <cstdint>

namespace ymcko::engine {

// Weights of one destination position sum to exactly this (1.0).
inline constexpr std::uint32_t RESAMPLE_ONE = 65536;

// The longest rectangle side a stretch accepts, so that every product of
// positions and extents fits in 64 bits.
inline constexpr std::int64_t RESAMPLE_MAX_EXTENT = std::int64_t{1} << 30;

enum class ResampleFilter {
  nearest,  // the source position under the destination position's centre
  area,     // reducing: the average of the covered source area, each
            // position weighted by how much of it is covered; enlarging:
            // linear between the two nearest source centres
};

// The source positions of one destination position: `count` consecutive
// source positions from `first`, whose weights start at `offset` of the
// weight table. A count of 0 means no source lies under it: leave it alone.
struct ResampleTap {
  std::int64_t first;
  std::uint32_t count;
  std::uint32_t offset;
};

// How a destination rectangle side [dest_start, dest_start + dest_extent)
// maps onto a source side [src_start, src_start + src_extent), mirrored when
// `flip`; only source positions in [0, src_limit) (the source bitmap) are
// ever named, and the weights of a position that reaches past the bitmap
// are shared among the part that lies within it. At the source rectangle's
// own edges linear enlargement repeats the edge position.
class ResampleAxis {
 public:
  ResampleAxis(std::int64_t dest_start, std::int64_t dest_extent, std::int64_t src_start,
               std::int64_t src_extent, bool flip, std::int64_t src_limit, ResampleFilter filter);

  // The tap of destination position x. Its weights are written to
  // `weights` when that is not null, which must then have room for the
  // count that a call without it returned.
  ResampleTap tap(std::int64_t x, std::uint32_t* weights) const;

 private:
  struct Span {
    std::int64_t lo;  // source positions relative to src_start, [lo, hi)
    std::int64_t hi;
    std::int64_t a;   // linear: index of the first of the two taps
    std::int64_t wa;  // linear: weights of taps a and a + 1
    std::int64_t wb;
  };
  Span span(std::int64_t d) const;
  std::int64_t raw_weight(const Span& s, std::int64_t d, std::int64_t i) const;

  std::int64_t dest_start_, dest_extent_, src_start_, src_extent_;
  bool flip_;
  std::int64_t valid_lo_, valid_hi_;  // the source bitmap, relative to src_start
  ResampleFilter filter_;
  bool reducing_;
};

}  // namespace ymcko::engine
