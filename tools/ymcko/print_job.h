// The seam between the tool and the driver: what a print job asks for, the
// card sides it draws, and the job runner that carries it out through the
// host engine, as the graphics engine would.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine_types.h"
#include "host/host_printer.h"
#include "ymcko/fit.h"
#include "ymcko/image_io.h"
#include "ymcko/printer_file.h"
#include "ymcko/stripe.h"

namespace ymcko::tool {

struct PrintRequest {
  std::vector<BYTE> devmode;  // handed to device enable as the application's device mode
  PrinterStore printer;       // the host printer's stored values
  FitMode fit = FitMode::cover;
  std::optional<std::filesystem::path>
      save_devmode;  // where to write the instance's merged device mode
};

// One page of the job: one card side.
struct CardSide {
  std::string name;                 // for messages: the file and page it came from
  std::optional<Image> image;       // opaque RGBA; none leaves the page white
  std::vector<EscapeCall> escapes;  // sent through the escape entry point before this page starts
};

// Card sides in job order, produced as the job runner asks for them.
class SideSource {
 public:
  virtual ~SideSource() = default;
  // The next side, or nothing after the last. Throws ToolError for a side
  // that cannot be made.
  virtual std::optional<CardSide> next() = 0;
};

// Runs one document with every side from `sides` and writes the job to
// `out`. Throws ToolError; the caller leaves no output then.
void print_cards(const PrintRequest& request, SideSource& sides, host::SpoolSink& out);

// Writes the instance's capabilities, form and printer description, as text
// or JSON.
void print_info(const PrintRequest& request, bool json, std::ostream& out);

}  // namespace ymcko::tool
