// The engine's bit-block transfer.
#include "engine/engine.h"

#include <cstring>

#include "engine/transfer.h"

namespace {

using ymcko::engine::Box;
using ymcko::engine::PixelPlane;

constexpr ULONG kColorBits = 0x00FFFFFF;

// The ternary operation rop3 on brush p, source s and destination d: bit i of
// rop3 is the result where (p, s, d) has the bits of i (p 4, s 2, d 1).
ULONG ternary(BYTE rop3, ULONG p, ULONG s, ULONG d) {
  ULONG result = 0;
  for (int i = 0; i < 8; ++i) {
    if ((rop3 >> i & 1) == 0) continue;
    result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return result;
}

bool uses_brush(BYTE rop3) { return ((rop3 >> 4 ^ rop3) & 0x0F) != 0; }
bool uses_source(BYTE rop3) { return ((rop3 >> 2 ^ rop3) & 0x33) != 0; }

// A plain copy of one row of 32-bit pixels from another bitmap: the colour
// bytes, red and blue exchanged when asked, and byte 3 cleared.
void copy_row(BYTE* out, const BYTE* in, std::int64_t count, bool swap) {
  for (std::int64_t c = 0; c < count; ++c) {
    std::uint32_t s;
    std::memcpy(&s, in + c * 4, 4);
    s = swap ? ymcko::engine::swap_red_blue(s) : s & kColorBits;
    std::memcpy(out + c * 4, &s, 4);
  }
}

void store(BYTE* pixel, ULONG color) {
  pixel[0] = BYTE(color);
  pixel[1] = BYTE(color >> 8);
  pixel[2] = BYTE(color >> 16);
  pixel[3] = 0;
}

}  // namespace

BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL*, BRUSHOBJ* pbo, POINTL*, ROP4 rop4) {
  // Only ternary operations: a ROP4 whose two bytes differ needs a mask.
  const BYTE rop3 = BYTE(rop4);
  if (rop4 > 0xFFFF || BYTE(rop4 >> 8) != rop3) return FALSE;
  const auto target = ymcko::engine::destination_plane(psoTrg);
  if (!target || prclTrg == nullptr) return FALSE;

  ULONG brush = 0;
  if (uses_brush(rop3)) {
    if (pbo == nullptr || pbo->iSolidColor == BRUSHOBJ_PATTERN) return FALSE;
    brush = pbo->iSolidColor & kColorBits;
  }
  std::optional<PixelPlane> source;
  bool swap = false;
  if (uses_source(rop3)) {
    source = ymcko::engine::source_plane(psoSrc);
    const auto swaps = ymcko::engine::swaps_red_and_blue(pxlo);
    if (!source || pptlSrc == nullptr || !swaps) return FALSE;
    swap = *swaps;
  }

  // The drawn box: the target rectangle within the clip and the target
  // bitmap, then, for a source, within what the source bitmap holds.
  Box box = ymcko::engine::box_of(*prclTrg).intersect(ymcko::engine::bounds_of(*target));
  if (!ymcko::engine::apply_clip(pco, box)) return FALSE;
  std::int64_t dx = 0, dy = 0;  // source position minus target position
  if (source) {
    dx = std::int64_t{pptlSrc->x} - prclTrg->left;
    dy = std::int64_t{pptlSrc->y} - prclTrg->top;
    Box held = ymcko::engine::bounds_of(*source);
    box = box.intersect({held.left - dx, held.top - dy, held.right - dx, held.bottom - dy});
  }
  if (box.empty()) return TRUE;

  // When the source is the target itself, walk so that no pixel is written
  // before it has been read: upward when the source lies above, and
  // leftward along a row when it lies to the left on the same rows.
  const bool same = source && source->scan0 == target->scan0 && source->delta == target->delta;
  const bool upward = same && dy < 0;
  const bool leftward = same && dy == 0 && dx < 0;
  const std::int64_t rows = box.bottom - box.top, cols = box.right - box.left;
  if (rop3 == 0xCC && !same && source->bytes_per_pixel == 4) {
    for (std::int64_t y = box.top; y < box.bottom; ++y)
      copy_row(target->row(y) + box.left * 4, source->row(y + dy) + (box.left + dx) * 4, cols,
               swap);
    return TRUE;
  }
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::int64_t y = upward ? box.bottom - 1 - r : box.top + r;
    BYTE* out = target->row(y);
    const BYTE* in = source ? source->row(y + dy) : nullptr;
    for (std::int64_t c = 0; c < cols; ++c) {
      const std::int64_t x = leftward ? box.right - 1 - c : box.left + c;
      BYTE* pixel = out + x * 4;
      ULONG s = 0;
      if (in != nullptr) {
        s = ymcko::engine::read_color(in + (x + dx) * source->bytes_per_pixel);
        if (swap) s = ymcko::engine::swap_red_blue(s);
      }
      switch (rop3) {
        case 0xCC:
          store(pixel, s);
          break;
        case 0xF0:
          store(pixel, brush);
          break;
        case 0x00:
          store(pixel, 0);
          break;
        case 0xFF:
          store(pixel, kColorBits);
          break;
        default:
          store(pixel, ternary(rop3, brush, s, ymcko::engine::read_color(pixel)) & kColorBits);
      }
    }
  }
  return TRUE;
}
