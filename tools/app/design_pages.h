// The printer's Card designs pages: its designs (upload, replace, delete),
// a design's page that takes a run's data file and photos, and the run's
// page with what would stop it, its cards previewed as held, a page at a
// time, and the rows and card settings it is printed with.
#pragma once

#include <pappl/pappl.h>

namespace ymcko::app {

// The pages and their link, for a printer made or loaded.
void add_design_pages(pappl_printer_t* printer);

}  // namespace ymcko::app
