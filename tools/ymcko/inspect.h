// The inspect command: reads a job with the command-stream reader, lists its
// commands, checks that it is a whole, consistent job, and draws what each
// card side would print.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "jobstream/command_reader.h"

namespace ymcko::tool {

// Panel size in pixels: the card portrait at 300 dpi.
inline constexpr std::uint32_t kPanelColumns = 656;
inline constexpr std::uint32_t kPanelLines = 1024;

// Reads a job and checks more than the reader's syntax: the job opens with
// the document header, panels and overlay areas come while a card is in the
// printer and lie inside the panel, overlay areas are numbered from 0 on
// each side, copy counts are at least 1, and the job ends with the card end.
// The first fault found is the result's error.
jobstream::ReadResult check_job(std::span<const std::uint8_t> job);

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

// Writes each sent panel of every side as a greyscale PNG (darker is more
// ink) and each side's colour preview into `folder`, which is created when
// missing. Returns the files written.
std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder);

struct InspectOptions {
  std::optional<std::filesystem::path> png_folder;
  bool json = false;
};

// The whole command: lists the job on `out` (one line per command and a
// summary, or one JSON document) and writes the previews. Throws ToolError
// with the offset and reason for a malformed job, after listing the
// commands read before the fault; no previews are written then.
void inspect_job(const std::filesystem::path& job, const InspectOptions& options,
                 std::ostream& out);

}  // namespace ymcko::tool
