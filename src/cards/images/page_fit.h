// A document's page made ready for a card: pages of the card's exact size
// as they are, any other page (a phone's Letter, A4 or 4x6 page, a photo)
// turned when it lies the other way to the card and fitted onto it as IPP's
// "print-scaling" asks, so that a page's content is never cropped to a
// blank middle.
#pragma once

#include <cstdint>
#include <vector>

#include "print/fit.h"
#include "print/session.h"

namespace ymcko::cards {

enum class PageScaling {
  // A page shaped as the card fills it; on any other page its content (the
  // page without its white margins) fills the card when it is shaped as
  // the card, or is fitted whole.
  automatic,
  auto_fit,  // fit when larger than the card, none otherwise
  fit,       // the whole page on the card, white around
  fill,      // the card filled, the page's excess cropped equally
  none,      // the page at its own size, centred
};

// Whether a page of this size is one of the card's exact page (either way
// round): such a page is printed pixel for pixel and chooses the card's
// orientation.
bool is_card_page(std::uint32_t width, std::uint32_t height, std::uint32_t card_width,
                  std::uint32_t card_height);

// A page as the print session is to draw it onto the card: `view()` with
// `fit` (the session's placement) gives the card.
class FittedPage {
 public:
  FittedPage(FittedPage&&) = default;  // the view moves with the pixels it may refer to
  FittedPage& operator=(FittedPage&&) = default;
  FittedPage(const FittedPage&) = delete;
  FittedPage& operator=(const FittedPage&) = delete;

  const print::ImageView& view() const { return view_; }
  print::FitMode fit() const { return fit_; }
  bool turned() const { return turned_; }

 private:
  friend FittedPage fit_page(const print::ImageView&, int, std::uint32_t, std::uint32_t,
                             PageScaling, bool);
  FittedPage() = default;
  print::ImageView view_;
  std::vector<std::uint8_t> pixels_;  // the page turned, or set on its card-sized canvas
  print::FitMode fit_ = print::FitMode::cover;
  bool turned_ = false;
};

// The page (`page_dpi` its resolution, for `none`) made ready for a card of
// `card_width` x `card_height` dots at the card's resolution: turned a
// quarter anticlockwise (its top to the card's left) when it lies the other
// way, and half a turn more when `reversed` (IPP's reverse orientations).
// The view refers to `page`'s pixels unless the page had to be copied.
FittedPage fit_page(const print::ImageView& page, int page_dpi, std::uint32_t card_width,
                    std::uint32_t card_height, PageScaling scaling, bool reversed = false);

}  // namespace ymcko::cards
