// The job runner's place in the tool. The device lifecycle it drives is not
// part of the host engine yet, so both entry points refuse for now.
#include "ymcko/print_job.h"

#include "ymcko/errors.h"

namespace ymcko::tool {

void print_cards(const PrintRequest&, SideSource& sides, engine::SpoolSink&) {
  // Every side is still made, so that faulty inputs are reported as they
  // will be once the job runs.
  while (sides.next()) {
  }
  throw ToolError("print", "the device lifecycle is not built yet");
}

void print_info(const PrintRequest&, bool, std::ostream&) {
  throw ToolError("info", "the device lifecycle is not built yet");
}

}  // namespace ymcko::tool
