// What each card side of a checked job prints: its panels read back into
// pixels, a colour preview in the panel's frame and one as the card is held,
// and both as PNG files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
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
  bool stripe = false;  // a stripe command came ahead of the card's start
};

// Builds the sides of a job from its commands as they come: each command is
// taken in order, and a side is handed back once it is complete, at the card
// turn or the card end (or, in a job without its card end, at finish()). A
// panel's pixels are copied out of its command, so the command's bytes may
// go once it is taken. Holds one side at a time.
class SideAssembler {
 public:
  std::optional<SidePrint> take(const jobstream::Command& command);
  std::optional<SidePrint> finish();

 private:
  std::optional<SidePrint> side_;
  std::size_t cards_ = 0;
  bool stripe_ahead_ = false;  // a stripe command since the last card start
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

// A side as the card is held: a landscape card landscape (1024 x 656), a
// portrait one portrait (656 x 1024), with a legend strip of
// kHeldLegendHeight below the card. The front is the page as it was drawn. The
// printer turns the card over about its long edge for the back, so the
// back's panel columns run the other way across the card; held turned over
// about the same edge, the back shows its page as drawn too, and the same
// point of the panel lands at the same point of the picture on both sides
// (held_point). The back carries the magnetic stripe's band, marked faintly,
// and strongly when the card had a stripe command; the overlay areas are
// outlined in cyan (the whole card when the overlay has no areas); the legend
// names the side and each mark shown.
Picture held_preview(const SidePrint& side, bool landscape);

inline constexpr std::uint32_t kHeldLegendHeight = 28;

// Where panel column `column`, line `line` (either side) shows in the held
// picture: in landscape the page's upper edge is the panel's last column.
struct HeldPoint {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  bool operator==(const HeldPoint&) const = default;
};
HeldPoint held_point(bool landscape, std::uint32_t column, std::uint32_t line);

// The magnetic stripe's band on the back, as ISO/IEC 7811 places it on a
// CR-80 card: along the long edge that is the upper one when the back is
// held landscape, from 5.54 mm to 15.82 mm of it (65 to 187 dots at 300
// dpi); in the back's panel, columns kStripeFirstColumn to
// kStripeEndColumn - 1 over every line.
inline constexpr std::uint32_t kStripeNear = 65;  // dots from the edge
inline constexpr std::uint32_t kStripeFar = 187;  // dots from the edge, past the band
inline constexpr std::uint32_t kStripeFirstColumn = kPanelColumns - kStripeFar;
inline constexpr std::uint32_t kStripeEndColumn = kPanelColumns - kStripeNear;

// What to write of each side.
struct PreviewFiles {
  bool landscape = true;  // how the card is held
  bool panels = false;    // also each sent panel, greyscale in the panel's frame
};

// Creates `folder` when missing; a print::Error when it cannot be made.
void make_preview_folder(const std::filesystem::path& folder);

// Writes a side's held preview as card-NNN-front.png or card-NNN-back.png
// into `folder`, which exists, and with `files.panels` each sent panel as a
// greyscale PNG (darker is more ink; the overlay dark where it is laid) in
// the panel's portrait frame, card-NNN-side-yellow.png and so on. Returns the
// files written.
std::vector<std::filesystem::path> write_side_previews(const SidePrint& side,
                                                       const std::filesystem::path& folder,
                                                       const PreviewFiles& files);

// The same for every side of a job, creating `folder` first.
std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder,
                                                  const PreviewFiles& files = {});

}  // namespace ymcko::cards
