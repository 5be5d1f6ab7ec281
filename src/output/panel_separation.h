// Separation of the page bitmap into one-byte-per-pixel panels: the tone
// table, colour correction, pure-black extraction, the print-rectangle scan
// (turning a landscape page) and the search for the inked lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/engine.h"
#include "records/devmode.h"
#include "records/page.h"

// The panel geometry: the card in portrait position at 300 dpi, one byte per
// pixel of the page bitmap.
inline constexpr ULONG PANEL_WIDTH = PAGE_SHORT_SIDE;
inline constexpr ULONG PANEL_HEIGHT = PAGE_LONG_SIDE;
inline constexpr std::size_t PANEL_BYTES = std::size_t{PANEL_WIDTH} * PANEL_HEIGHT;  // 671,744
inline constexpr ULONG PANEL_POOL_TAG = make_pool_tag("bufD");                       // 0x62756644

// The response curve of colour correction: the nearest integer to i^3 / 65025.
extern const std::array<WORD, 256> curtbl;

namespace ymcko {

using ToneTable = std::array<BYTE, 256>;

// The colour intensity the job output uses: the setting limited to 0 to 100
// (the merge already replaces an application's value outside that range by
// the default; this holds whatever the record holds).
LONG limit_intensity(LONG color_intensity);

// The printer's coarse intensity level for the document start, 3 to 7: with
// v the limited intensity, 3 when v is 0, else 4v / 101 + 4.
ULONG intensity_level(LONG color_intensity);

// Maps a colour amount to the panel byte of the colour panels: the coarse
// level is sent to the printer, the table takes off the remainder. Uses the
// limited intensity, like the level.
ToneTable make_tone_table(LONG color_intensity);

// The print rectangle limited to the panel (portrait terms in both orientations).
struct PrintRect {
  ULONG x;
  ULONG y;
  ULONG cx;
  ULONG cy;
};
PrintRect clip_print_rect(const DRVPRIVATE& settings);

// Where a page's pixels are and how the print rectangle is read from them.
struct PageBitmap {
  std::uint32_t* pixels;  // 32 bpp: byte 0 red, 1 green, 2 blue, 3 mark
  bool landscape;         // 1024 x 656, lower row first
};

// The colour adjustments of colour correction.
struct ColorAdjust {
  LONG cyan;
  LONG magenta;
  LONG yellow;
  LONG saturation;
};

// Corrects one pixel (red in bits 0..7); pure white and pure black pass
// unchanged, mark byte included. Exposed for tests.
std::uint32_t correct_pixel(std::uint32_t pixel, const ColorAdjust& adjust);

// Applies colour correction in place to every pixel of the print rectangle.
void correct_colors(const PageBitmap& page, const PrintRect& rect, const ColorAdjust& adjust);

enum class Pass { yellow, magenta, cyan, black_from_mark, black_pure };

// The lines of a panel that carry ink: first to end - 1.
struct InkExtent {
  ULONG first;
  ULONG end;
};

// Fills `panel` (rect.cx bytes per line) with one pass over the print
// rectangle and returns the inked lines, or nothing for an empty panel.
// With `extract_black` the yellow pass turns pure black pixels white and
// marks every other pixel (mark byte 0xFF) for the black pass.
std::optional<InkExtent> separate(Pass pass, const PageBitmap& page, const PrintRect& rect,
                                  const ToneTable& tone, bool extract_black, std::span<BYTE> panel);

}  // namespace ymcko
