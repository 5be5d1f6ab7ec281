// The tool's jobs over the print service: every card side or card of a
// source through one print session, and the device's facts as text or JSON.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

#include "cards/sides/side_plan.h"
#include "print/session.h"
#include "ymcko/output_file.h"

namespace ymcko::tool {

// Prints every side from `sides` as one document into `out` and commits it;
// then writes the instance's merged device mode to `save_devmode`, when
// given, the same way: whole, and only when the job succeeded. Throws
// ToolError; nothing is left behind then. With `write_behind` the output is
// written on a thread of its own while the next cards are drawn.
void print_cards(const print::JobOptions& job, cards::SideSource& sides, JobOutput& out,
                 const std::optional<std::filesystem::path>& save_devmode,
                 bool write_behind = false);

// The same for whole cards, each front with its stripe and its back.
void print_cards(const print::JobOptions& job, cards::CardSource& cards, JobOutput& out,
                 const std::optional<std::filesystem::path>& save_devmode,
                 bool write_behind = false);

// Writes the device's capabilities, form and printer description, as text or JSON.
void print_info(const print::JobOptions& job, bool json, std::ostream& out);

}  // namespace ymcko::tool
