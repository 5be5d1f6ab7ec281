// The card's areas in the frame of the card as it is held, as the web pages
// show and take them: dots from its upper-left corner, across and down, with
// the card landscape or portrait. The print service turns them into the
// driver's portrait fields.
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
inline HeldRect as_held(const print::Rect& r, bool landscape) {
  const print::Rect held = print::held_rect(r, landscape);
  return {held.x, held.y, held.cx, held.cy};
}
inline print::Rect as_panel(const HeldRect& r, bool landscape) {
  return print::panel_rect({r.x, r.y, r.width, r.height}, landscape);
}

// An overlay area as held, and back.
inline HeldRect area_as_held(const print::OverlayArea& a, bool landscape) {
  const print::OverlayArea held = print::held_area(a, landscape);
  return {held.x, held.y, held.cx, held.cy};
}
inline print::OverlayArea area_as_panel(int kind, const HeldRect& r, bool landscape) {
  return print::panel_area({kind, r.x, r.y, r.width, r.height}, landscape);
}

}  // namespace ymcko::app
