// The CUPS filter rastertoymcko: CUPS raster in, one card job out, each
// raster page one card side drawn line by line through the print service.
#pragma once

#include <csignal>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "print/options.h"
#include "print/session.h"

namespace ymcko::filter {

// The filter's arguments: job-id user title copies options [file].
struct Arguments {
  std::string job_id;
  std::string user;
  std::string title;
  int copies = 1;
  std::vector<print::JobOption> options;
  std::optional<std::string> file;
};

// Parses the arguments; throws print::Error naming what is wrong.
Arguments parse_arguments(int argc, const char* const* argv);

// Runs the job: reads the raster from `in`, writes the card job to `out`,
// says INFO:, PAGE: and ERROR: lines on `log`, and returns the exit status.
// `ppd` is the queue's PPD (its defaults and installable options), if any.
// Once `cancelled` is set the current card is finished and the job ends.
int run(const Arguments& arguments, int in, print::Sink& out, std::ostream& log, const char* ppd,
        const volatile std::sig_atomic_t& cancelled);

}  // namespace ymcko::filter
