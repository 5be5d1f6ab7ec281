// The pages of a CUPS or PWG raster stream as card sides: each page checked
// and drawn line by line through the print session. The CUPS filter prints
// a stream as it arrives; the printer application checks a spooled document
// whole first, so that a document cut short sends no card.
#pragma once

#include <cups/raster.h>

#include <functional>
#include <memory>
#include <string>

#include "print/session.h"

namespace ymcko::raster {

// A raster stream read from a descriptor (borrowed), closed with the object.
struct RasterCloser {
  void operator()(cups_raster_t* raster) const { cupsRasterClose(raster); }
};
using RasterStream = std::unique_ptr<cups_raster_t, RasterCloser>;

// The stream on `fd` with its first page's header in `first`. Throws
// print::Error naming `input` for a stream that is not raster or holds no
// page.
RasterStream open_raster(int fd, const std::string& input, cups_page_header2_t& first);

// What the printing of the pages tells and asks.
struct RasterHooks {
  // True once the job is cancelled: the card being printed is finished (a
  // page the stream cuts short then goes white below) and no other begins.
  std::function<bool()> cancelled = [] { return false; };
  // Told before and after each page (from 1).
  std::function<void(unsigned page)> starting = [](unsigned) {};
  std::function<void(unsigned page)> printed = [](unsigned) {};
  // Set: a page of another size than the session's page is read whole and
  // handed here to be drawn (turned, fitted), instead of line by line.
  std::function<void(const print::ImageView& page, const cups_page_header2_t& header,
                     const std::string& name)>
      whole;
};

// Prints the pages of `raster`, the first one's header given, into the
// session, each a side ("page N" in messages) with the card's stripe before
// its front. Throws print::Error naming the page for a header the session
// cannot draw and for a page the stream cuts short. Returns the pages
// printed.
unsigned print_raster_pages(cups_raster_t* raster, cups_page_header2_t header,
                            print::PrintSession& session, const print::Stripe& stripe,
                            const RasterHooks& hooks = {});

// Reads the whole stream, the first page's header given, as
// print_raster_pages would and without printing: the number of pages, or
// the same error it would throw part-way.
unsigned check_raster_pages(cups_raster_t* raster, cups_page_header2_t header);

}  // namespace ymcko::raster
