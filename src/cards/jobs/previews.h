// What each card side of a checked job prints: its panels read back into
// pixels, a colour preview, and both as PNG files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "cards/jobs/command_reader.h"
#include "print/card_geometry.h"

namespace ymcko::cards {

// Panel size in pixels: the card portrait.
using print::kPanelColumns;
using print::kPanelLines;

// What one card side prints, in panel pixels (ink 0 to 255 per byte).
struct SidePrint {
  std::size_t card = 0;  // from 1
  bool back = false;
  // Yellow, magenta, cyan, black: empty when the panel was not sent.
  std::array<std::vector<std::uint8_t>, 4> panels;
  bool overlay = false;  // the overlay panel was sent
  std::vector<jobstream::OverlayArea> overlay_areas;
};

// The sides of a checked job, in order.
std::vector<SidePrint> card_sides(const std::vector<jobstream::Command>& commands);

// The colour preview of a side: a white card with the yellow, magenta and
// cyan inks multiplied, black on top, and the overlay areas outlined (the
// whole card when the overlay has no areas). RGB, kPanelColumns wide.
std::vector<std::uint8_t> preview(const SidePrint& side);

// A picture in pixels, RGB.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
};

// A side as the card is held: a landscape card landscape, the back as it is
// seen once the card is turned over, with the stripe's band and the overlay
// areas marked and a small legend.
Picture held_preview(const SidePrint& side, bool landscape);

// Writes each sent panel of every side as a greyscale PNG (darker is more
// ink) and each side's colour preview into `folder`, which is created when
// missing. Returns the files written.
std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder);

}  // namespace ymcko::cards
