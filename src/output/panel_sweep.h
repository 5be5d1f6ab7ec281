// The page send's fast separation: one sweep over the print rectangle that
// makes every panel the page needs, with the same bytes as the pass-by-pass
// separation. Colours are corrected in memory order, skipping runs of
// white, black and repeats; the landscape turn goes through tiles; nothing
// is written back into the page bitmap (its reset at the end of the page
// send makes that invisible).
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "output/panel_separation.h"

namespace ymcko {

// Which way DrvSendPage separates a page: the pass-by-pass reference, kept
// for the tests and the benchmark, or the fused sweep.
enum class SendPath { reference, fast };

// The page send's path for the whole process; fast unless asked otherwise.
void set_send_path(SendPath path);
SendPath send_path();

// What a page's sweep makes.
struct SweepPlan {
  bool colour;   // the yellow, magenta and cyan panels
  bool black;    // the black panel
  bool correct;  // colour correction before the colour panels
  bool extract;  // pure black goes to the black panel only
  ColorAdjust adjust;
};

// The panels of one sweep; an empty span for a panel not made.
struct SweepPanels {
  std::span<BYTE> yellow;
  std::span<BYTE> magenta;
  std::span<BYTE> cyan;
  std::span<BYTE> black;
};

// The inked lines of each panel made, or nothing for an empty one.
struct SweepExtents {
  std::optional<InkExtent> yellow;
  std::optional<InkExtent> magenta;
  std::optional<InkExtent> cyan;
  std::optional<InkExtent> black;
};

// Scratch bytes the sweep needs beside its panels: a row of colours, one turning
// tile of 64 rows a panel, and a byte a panel line saying whether it is inked.
inline constexpr std::size_t SWEEP_SCRATCH_BYTES = std::size_t{PANEL_HEIGHT} * 4 +
                                                   4 * 64 * (std::size_t{PANEL_HEIGHT} + 64) +
                                                   4 * std::size_t{PANEL_HEIGHT};

// Fills the planned panels (rect.cx bytes a line) from the page, as the
// colour correction and the yellow, magenta, cyan and black passes would,
// without changing the page. `scratch` holds SWEEP_SCRATCH_BYTES.
SweepExtents sweep_panels(const PageBitmap& page, const PrintRect& rect, const ToneTable& tone,
                          const SweepPlan& plan, const SweepPanels& panels,
                          std::span<BYTE> scratch);

}  // namespace ymcko
