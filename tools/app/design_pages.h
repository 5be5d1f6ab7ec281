// The printer's Card designs pages: its designs (upload, replace, delete),
// a design's page that takes a run's data file and photos, and the run's
// page with what would stop it, its cards previewed as held, a page at a
// time, and the rows and card settings it is printed with.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "app/web_pages.h"

namespace ymcko::app {

// The run form's rows: "" for every row, or the choice as the tool's --rows
// takes it, from the range given or the rows ticked ("row-N" fields).
// Throws print::Error naming "Rows" for a choice of none.
std::string posted_rows(const Fields& fields);

// The pages and their link, for a printer made or loaded.
void add_design_pages(pappl_printer_t* printer);

}  // namespace ymcko::app
