// The engine's stretched transfer.
#include "engine/engine.h"
#include "engine/hooks.h"

#include <cstring>
#include <limits>
#include <memory>

#include "engine/color_adjustment.h"
#include "engine/resample_axis.h"
#include "engine/transfer.h"

namespace {

using ymcko::engine::Box;
using ymcko::engine::PixelPlane;
using ymcko::engine::ResampleAxis;
using ymcko::engine::ResampleTap;

struct FreeEngineMemory {
  void operator()(void* block) const { EngFreeMem(block); }
};

// One side of a rectangle, ordered, and whether it was given reversed.
struct Side {
  std::int64_t start;
  std::int64_t extent;
  bool reversed;
};

Side side(LONG from, LONG to) {
  return from <= to ? Side{from, std::int64_t{to} - from, false}
                    : Side{to, std::int64_t{from} - to, true};
}

// The taps of one axis over the destination positions [from, to), with the
// weights packed one after another; counts first, then fills.
struct AxisTable {
  ResampleTap* taps;
  std::uint32_t* weights;
};

std::size_t count_weights(const ResampleAxis& axis, std::int64_t from, std::int64_t to) {
  std::size_t total = 0;
  for (std::int64_t x = from; x < to; ++x) total += axis.tap(x, nullptr).count;
  return total;
}

void fill_axis(const ResampleAxis& axis, std::int64_t from, std::int64_t to, AxisTable table) {
  std::uint32_t offset = 0;
  for (std::int64_t x = from; x < to; ++x) {
    ResampleTap tap = axis.tap(x, table.weights + offset);
    tap.offset = offset;
    offset += tap.count;
    table.taps[x - from] = tap;
  }
}

// Adds one source row, horizontally resampled and weighted by wy, to the
// channel sums of every destination column. A horizontal sum stays below
// 255 * 2^16; times wy it stays below 2^40.
template <int kPixel>
void accumulate_row(const BYTE* row, const AxisTable& xs, std::size_t columns, std::uint32_t wy,
                    std::uint64_t* sums) {
  for (std::size_t c = 0; c < columns; ++c) {
    const ResampleTap& tap = xs.taps[c];
    if (tap.count == 0) continue;
    const BYTE* pixel = row + tap.first * kPixel;
    const std::uint32_t* w = xs.weights + tap.offset;
    std::uint32_t s0 = 0, s1 = 0, s2 = 0;
    for (std::uint32_t j = 0; j < tap.count; ++j, pixel += kPixel) {
      s0 += pixel[0] * w[j];
      s1 += pixel[1] * w[j];
      s2 += pixel[2] * w[j];
    }
    sums[3 * c] += std::uint64_t{s0} * wy;
    sums[3 * c + 1] += std::uint64_t{s1} * wy;
    sums[3 * c + 2] += std::uint64_t{s2} * wy;
  }
}

}  // namespace

BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL*, RECTL* prclDest, RECTL* prclSrc,
                   POINTL*, ULONG iMode) {
  using namespace ymcko::engine;
  const auto target = destination_plane(psoDest);
  const auto source = source_plane(psoSrc);
  const auto swaps = swaps_red_and_blue(pxlo);
  if (!target || !source || !swaps || psoMask != nullptr || prclDest == nullptr ||
      prclSrc == nullptr || iMode < BLACKONWHITE || iMode > HALFTONE) {
    return FALSE;
  }

  // Order both rectangles; a reversed side on one of them mirrors that axis.
  const Side dx = side(prclDest->left, prclDest->right), dy = side(prclDest->top, prclDest->bottom);
  const Side sx = side(prclSrc->left, prclSrc->right), sy = side(prclSrc->top, prclSrc->bottom);
  for (const Side& s : {dx, dy, sx, sy}) {
    if (s.extent > RESAMPLE_MAX_EXTENT) return FALSE;
  }
  Box box = Box{dx.start, dy.start, dx.start + dx.extent, dy.start + dy.extent}.intersect(
      bounds_of(*target));
  if (!apply_clip(pco, box)) return FALSE;
  if (box.empty() || sx.extent == 0 || sy.extent == 0) return TRUE;

  const ResampleFilter filter = iMode == HALFTONE ? ResampleFilter::area : ResampleFilter::nearest;
  const ResampleAxis x_axis(dx.start, dx.extent, sx.start, sx.extent, dx.reversed != sx.reversed,
                            source->width, filter);
  const ResampleAxis y_axis(dy.start, dy.extent, sy.start, sy.extent, dy.reversed != sy.reversed,
                            source->height, filter);

  // One scratch block per call: the taps of both axes, the channel sums of
  // one destination row, and the weights. Each axis holds at most one
  // weight per source position plus two per destination position, so the
  // sizes are bounded by the two bitmaps.
  const std::size_t columns = std::size_t(box.right - box.left);
  const std::size_t rows = std::size_t(box.bottom - box.top);
  const std::size_t x_weights = count_weights(x_axis, box.left, box.right);
  const std::size_t y_weights = count_weights(y_axis, box.top, box.bottom);
  const std::size_t bytes = (columns + rows) * sizeof(ResampleTap) +
                            3 * columns * sizeof(std::uint64_t) +
                            (x_weights + y_weights) * sizeof(std::uint32_t);
  if (bytes > std::numeric_limits<ULONG>::max()) return FALSE;
  std::unique_ptr<void, FreeEngineMemory> scratch(EngAllocMem(0, ULONG(bytes), ENGINE_STRETCH_TAG));
  if (!scratch) return FALSE;
  auto* base = static_cast<BYTE*>(scratch.get());
  const AxisTable xs{
      reinterpret_cast<ResampleTap*>(base),
      reinterpret_cast<std::uint32_t*>(base + (columns + rows) * sizeof(ResampleTap) +
                                       3 * columns * sizeof(std::uint64_t))};
  const AxisTable ys{xs.taps + columns, xs.weights + x_weights};
  auto* sums = reinterpret_cast<std::uint64_t*>(base + (columns + rows) * sizeof(ResampleTap));
  fill_axis(x_axis, box.left, box.right, xs);
  fill_axis(y_axis, box.top, box.bottom, ys);

  const ColorAdjuster adjust(iMode == HALFTONE ? pca : nullptr);
  for (std::size_t r = 0; r < rows; ++r) {
    const ResampleTap& ty = ys.taps[r];
    if (ty.count == 0) continue;
    std::memset(sums, 0, 3 * columns * sizeof(std::uint64_t));
    for (std::uint32_t k = 0; k < ty.count; ++k) {
      const std::uint32_t wy = ys.weights[ty.offset + k];
      if (wy == 0) continue;
      const BYTE* row = source->row(ty.first + k);
      if (source->bytes_per_pixel == 4) {
        accumulate_row<4>(row, xs, columns, wy, sums);
      } else {
        accumulate_row<3>(row, xs, columns, wy, sums);
      }
    }

    // Each sum is a channel times 2^32; round it back to a level.
    BYTE* out = target->row(box.top + std::int64_t(r)) + box.left * 4;
    for (std::size_t c = 0; c < columns; ++c, out += 4) {
      if (xs.taps[c].count == 0) continue;
      BYTE channel[3];
      for (int i = 0; i < 3; ++i) {
        channel[i] = BYTE((sums[3 * c + i] + (std::uint64_t{1} << 31)) >> 32);
      }
      if (*swaps) std::swap(channel[0], channel[2]);
      adjust.apply(channel[0], channel[1], channel[2]);
      out[0] = channel[0];
      out[1] = channel[1];
      out[2] = channel[2];
      out[3] = 0;
    }
  }
  return TRUE;
}
