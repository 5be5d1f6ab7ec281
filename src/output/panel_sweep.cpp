// The fused separation sweep.
#include "output/panel_sweep.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "output/panel_kernels.h"

namespace ymcko {
namespace {

std::atomic<SendPath> g_send_path{SendPath::fast};

// Landscape rows handled together: each panel line then gets a whole cache
// line of bytes at once from the turned tiles.
constexpr std::size_t kTileRows = 64;

// The scratch: a row of corrected colours, one byte tile a panel and the
// panels' line ink.
constexpr std::size_t kRowBytes = std::size_t{PANEL_HEIGHT} * sizeof(std::uint32_t);
// A tile row is a cache line longer than a panel line so that the rows of a
// tile do not all fall into the same few cache sets.
constexpr std::size_t kTileStride = PANEL_HEIGHT + 64;
constexpr std::size_t kTileBytes = kTileRows * kTileStride;

static_assert(SWEEP_SCRATCH_BYTES >= kRowBytes + 4 * kTileBytes + 4 * PANEL_HEIGHT);

// The colours of runs of pixels, corrected when the plan says so.
class RowColours {
 public:
  RowColours(const SweepPlan& plan, BYTE* scratch)
      : correct_(plan.correct), row_(reinterpret_cast<std::uint32_t*>(scratch)) {
    if (correct_) tables_ = make_correction_tables(plan.adjust);
  }

  // The colours of n pixels: the pixels themselves when nothing is
  // corrected (the panel bytes ignore mark bytes), else a corrected row.
  const std::uint32_t* colours(const std::uint32_t* in, std::size_t n) {
    if (!correct_) return in;
    correct_row(in, n, row_, tables_);
    return row_;
  }

 private:
  bool correct_;
  std::uint32_t* row_;
  CorrectionTables tables_{};
};

// Which lines of each panel carry ink: a byte a line, not 0 when inked.
struct LineInk {
  BYTE* line[4];

  // The first inked line to the last, or nothing.
  std::optional<InkExtent> extent(int panel, ULONG lines) const {
    const BYTE* ink = line[panel];
    ULONG first = 0;
    while (first < lines && ink[first] == 0) ++first;
    if (first == lines) return std::nullopt;
    ULONG end = lines;
    while (ink[end - 1] == 0) --end;
    return InkExtent{first, end};
  }
};

}  // namespace

void set_send_path(SendPath path) { g_send_path.store(path); }

SendPath send_path() { return g_send_path.load(); }

SweepExtents sweep_panels(const PageBitmap& page, const PrintRect& rect, const ToneTable& tone,
                          const SweepPlan& plan, const SweepPanels& panels,
                          std::span<BYTE> scratch) {
  RowColours colours(plan, scratch.data());
  const RowRule rule = make_row_rule(tone, plan.extract);
  BYTE* const tiles = scratch.data() + kRowBytes;
  BYTE* const inked = tiles + 4 * kTileBytes;
  std::memset(inked, 0, 4 * PANEL_HEIGHT);
  const LineInk ink{
      {inked, inked + PANEL_HEIGHT, inked + 2 * PANEL_HEIGHT, inked + 3 * PANEL_HEIGHT}};
  BYTE* const target[4] = {
      plan.colour ? panels.yellow.data() : nullptr, plan.colour ? panels.magenta.data() : nullptr,
      plan.colour ? panels.cyan.data() : nullptr, plan.black ? panels.black.data() : nullptr};

  if (page.landscape) {
    // Stored row xPrint + j is panel column j; its pixels from yPrint on are
    // the panel lines. A tile of stored rows is made in memory order, then
    // turned into the panels' lines.
    BYTE* const tile[4] = {tiles, tiles + kTileBytes, tiles + 2 * kTileBytes,
                           tiles + 3 * kTileBytes};
    for (ULONG j0 = 0; j0 < rect.cx; j0 += kTileRows) {
      const std::size_t rows = std::min<std::size_t>(kTileRows, rect.cx - j0);
      for (std::size_t r = 0; r < rows; ++r) {
        const std::uint32_t* row = colours.colours(
            page.pixels + (rect.x + j0 + r) * std::size_t{PANEL_HEIGHT} + rect.y, rect.cy);
        const std::size_t at = r * kTileStride;
        panel_bytes(row, rect.cy, rule, target[0] ? tile[0] + at : nullptr,
                    target[1] ? tile[1] + at : nullptr, target[2] ? tile[2] + at : nullptr,
                    target[3] ? tile[3] + at : nullptr);
      }
      // Sixteen lines at a time, each line's bytes of the tile written
      // together, noting which lines are inked.
      for (int p = 0; p < 4; ++p) {
        if (target[p] == nullptr) continue;
        ULONG i0 = 0;
        for (; i0 + 16 <= rect.cy; i0 += 16) {
          for (std::size_t r0 = 0; r0 < rows; r0 += 32) {
            turn_lines(
                tile[p] + r0 * kTileStride + i0, kTileStride, std::min<std::size_t>(32, rows - r0),
                target[p] + std::size_t{i0} * rect.cx + j0 + r0, rect.cx, ink.line[p] + i0,
                r0 == 0 && i0 + 32 <= rect.cy ? target[p] + std::size_t{i0 + 16} * rect.cx + j0
                                              : nullptr);
          }
        }
        for (; i0 < rect.cy; ++i0) {
          BYTE* out = target[p] + std::size_t{i0} * rect.cx + j0;
          for (std::size_t r = 0; r < rows; ++r) {
            out[r] = tile[p][r * kTileStride + i0];
            ink.line[p][i0] |= out[r];
          }
        }
      }
    }
  } else {
    for (ULONG i = 0; i < rect.cy; ++i) {
      const std::uint32_t* row =
          colours.colours(page.pixels + std::size_t{rect.y + i} * PANEL_WIDTH + rect.x, rect.cx);
      const std::size_t at = std::size_t{i} * rect.cx;
      const unsigned inked =
          panel_bytes(row, rect.cx, rule, target[0] ? target[0] + at : nullptr,
                      target[1] ? target[1] + at : nullptr, target[2] ? target[2] + at : nullptr,
                      target[3] ? target[3] + at : nullptr);
      for (int p = 0; p < 4; ++p) ink.line[p][i] = BYTE(inked >> p & 1);
    }
  }
  SweepExtents extents;
  if (plan.colour) {
    extents.yellow = ink.extent(0, rect.cy);
    extents.magenta = ink.extent(1, rect.cy);
    extents.cyan = ink.extent(2, rect.cy);
  }
  if (plan.black) extents.black = ink.extent(3, rect.cy);
  return extents;
}

}  // namespace ymcko
