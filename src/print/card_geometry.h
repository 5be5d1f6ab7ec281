// The card as the printer draws it, for every front end: the CR-80 card at
// 300 dots an inch, its panels 656 dots across the card's short edge and
// 1024 along its long edge. The page bitmap has the same dots, turned for a
// landscape card.
#pragma once

#include <cstdint>

namespace ymcko::print {

inline constexpr int kCardDpi = 300;
inline constexpr std::uint32_t kPanelColumns = 656;  // across the short edge
inline constexpr std::uint32_t kPanelLines = 1024;   // along the long edge

// The page in dots for an orientation: landscape is the long edge across.
inline constexpr std::uint32_t page_width(bool landscape) {
  return landscape ? kPanelLines : kPanelColumns;
}
inline constexpr std::uint32_t page_height(bool landscape) {
  return landscape ? kPanelColumns : kPanelLines;
}

// `dots` at kCardDpi in hundredths of a millimetre, rounded up: the size
// that gives back exactly `dots` to a reader that truncates, as PWG media
// sizes are read.
inline constexpr int hundredths_of_mm(std::uint32_t dots) {
  return int((std::uint64_t{dots} * 2540 + kCardDpi - 1) / kCardDpi);
}

}  // namespace ymcko::print
