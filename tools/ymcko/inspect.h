// The inspect command: reads a job as it comes with the command-stream
// reader, lists its commands, checks that it is a whole, consistent job, and
// draws what each card side would print as the card is held.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace ymcko::tool {

struct InspectOptions {
  std::optional<std::filesystem::path> png_folder;
  bool json = false;
  bool landscape = true;  // how the previews hold the card
  bool panels = false;    // each sent panel's greyscale PNG besides
};

// The whole command: lists the job on `out` (one line per command and a
// summary, or one JSON document) and writes the previews. Throws ToolError
// with the offset and reason for a malformed job, after listing the
// commands read (those after a fault of the structure too, up to any fault of
// the syntax); no previews are left then.
void inspect_job(const std::filesystem::path& job, const InspectOptions& options,
                 std::ostream& out);

}  // namespace ymcko::tool
