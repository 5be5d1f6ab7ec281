// Pieces both transfers share.
#include "engine/transfer.h"

#include <cstdlib>

namespace ymcko::engine {
namespace {

std::optional<PixelPlane> plane_of(const SURFOBJ* pso, bool destination) {
  if (pso == nullptr || pso->pvScan0 == nullptr) return std::nullopt;
  int pixel = 0;
  if (pso->iBitmapFormat == BMF_32BPP) {
    pixel = 4;
  } else if (pso->iBitmapFormat == BMF_24BPP && !destination) {
    pixel = 3;
  } else {
    return std::nullopt;
  }
  const std::int64_t width = pso->sizlBitmap.cx;
  const std::int64_t height = pso->sizlBitmap.cy;
  const std::int64_t step = pso->lDelta;
  if (width <= 0 || height <= 0 || std::llabs(step) < width * pixel) return std::nullopt;
  return PixelPlane{static_cast<BYTE*>(pso->pvScan0), static_cast<std::ptrdiff_t>(step), width,
                    height, pixel};
}

}  // namespace

std::optional<PixelPlane> source_plane(const SURFOBJ* pso) { return plane_of(pso, false); }

std::optional<PixelPlane> destination_plane(const SURFOBJ* pso) { return plane_of(pso, true); }

bool apply_clip(const CLIPOBJ* pco, Box& box) {
  if (pco == nullptr || pco->iDComplexity == DC_TRIVIAL) return true;
  if (pco->iDComplexity != DC_RECT) return false;
  box = box.intersect(box_of(pco->rclBounds));
  return true;
}

std::optional<bool> swaps_red_and_blue(const XLATEOBJ* pxlo) {
  if (pxlo == nullptr || (pxlo->flXlate & XO_TRIVIAL)) return false;
  const bool from_rgb = pxlo->iSrcType == PAL_RGB, from_bgr = pxlo->iSrcType == PAL_BGR;
  const bool to_rgb = pxlo->iDstType == PAL_RGB, to_bgr = pxlo->iDstType == PAL_BGR;
  if (!(from_rgb || from_bgr) || !(to_rgb || to_bgr)) return std::nullopt;
  return from_rgb != to_rgb;
}

}  // namespace ymcko::engine
