// The card's areas in the frame of the card as it is held: dots from its
// upper-left corner, across and down, with the card landscape or portrait.
// The driver's rows measure them on the portrait panel, whose columns run
// across the short edge; a landscape page lies on the panel with its rows
// along the panel's columns (page row = panel column, page column = panel
// line), so the held frame of a landscape card is the panel's transposed.
#pragma once

#include "print/card_settings.h"

namespace ymcko::app {

// A rectangle on the card as held, in dots.
struct HeldRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const HeldRect&) const = default;
};

// The print rectangle as held, and back.
inline HeldRect held_rect(const print::Rect& r, bool landscape) {
  return landscape ? HeldRect{r.y, r.x, r.cy, r.cx} : HeldRect{r.x, r.y, r.cx, r.cy};
}
inline print::Rect panel_rect(const HeldRect& r, bool landscape) {
  return landscape ? print::Rect{r.y, r.x, r.height, r.width}
                   : print::Rect{r.x, r.y, r.width, r.height};
}

// An overlay area as held: its width and height count every column and
// line (the row's cx and cy count those after the first).
inline HeldRect held_area(const print::OverlayArea& a, bool landscape) {
  return held_rect({a.x, a.y, a.cx + 1, a.cy + 1}, landscape);
}
inline print::OverlayArea panel_area(int kind, const HeldRect& r, bool landscape) {
  const print::Rect p = panel_rect(r, landscape);
  return {kind, p.x, p.y, p.cx - 1, p.cy - 1};
}

}  // namespace ymcko::app
