// The printer's own pages beside PAPPL's Printing Defaults: its set-up (the
// printer's properties: the encoder, the job number, the print parameters)
// and the card layout (the print area and the overlay areas drawn on the
// card as it is held, set by their numbers). Both set the printer's vendor
// defaults through the same check as every other default.
#pragma once

#include <pappl/pappl.h>

namespace ymcko::app {

// The printer's set-up and card layout pages and their links, for a
// printer made or loaded.
void add_setup_pages(pappl_printer_t* printer);

}  // namespace ymcko::app
