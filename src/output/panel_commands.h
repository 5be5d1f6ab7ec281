// The panel commands of the printer protocol, each composed and written with
// one spooler write on the instance's printer.
#pragma once

#include <span>

#include "engine/engine.h"
#include "output/panel_separation.h"
#include "records/devmode.h"

namespace ymcko {

// The trailer's count field: "0001" in side mode 1, else the copy count.
struct TrailerCount {
  char text[16];
};
TrailerCount trailer_count(WORD side_mode, LONG copies);

// ESC "c" p CR: clears the panel p ("Y", "M", "C", "K" or "O").
void send_panel_clear(HANDLE printer, char panel);

// Header, data and trailer of one inked panel, as three writes.
void send_panel(HANDLE printer, char panel, const PrintRect& rect, const InkExtent& extent,
                std::span<const BYTE> panel_bytes, const TrailerCount& count);

// The overlay panel's areas (only kinds 0 and 1 that lie on the card are
// sent, numbered in order; the others are taken as empty) and its trailer,
// sent also when no area was.
void send_overlay_areas(HANDLE printer, std::span<const OVERLAYAREA> areas,
                        const TrailerCount& count);

}  // namespace ymcko
