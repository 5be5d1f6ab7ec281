// The inspect command: reads a job with the command-stream reader, lists its
// commands, checks that it is a whole, consistent job, and draws what each
// card side would print.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace ymcko::tool {

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
