// Raster pages read and drawn as card sides.
#include "cards/raster/raster_pages.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "cards/raster/page_format.h"
#include "print/errors.h"

namespace ymcko::raster {
namespace {

// The reason libcups gives for a failed read, or what the reader knows of it.
std::string raster_error(const char* fallback) {
  const char* reason = cupsRasterErrorString();
  return reason != nullptr && *reason != 0 ? std::string(reason) : std::string(fallback);
}

// Reads every page from the one whose header is given: `side(page, header,
// format)` begins a page, `line(bytes, whole)` takes each line (the part the
// stream held, white below when it is cut short and `finish_short` says so)
// and `end(page)` ends it; `more(page)` says whether to go on. A page cut
// short that is not to be finished is an error naming it.
template <class Begin, class Line, class End, class More>
unsigned read_pages(cups_raster_t* raster, cups_page_header2_t& header, Begin&& begin, Line&& line,
                    End&& end, More&& more, const std::function<bool()>& finish_short) {
  std::vector<std::uint8_t> pixels;
  unsigned page = 0;
  do {
    ++page;
    const std::string name = "page " + std::to_string(page);
    const print::PixelFormat format = page_format(header, name);
    begin(page, header, format, name);
    pixels.assign(header.cupsBytesPerLine, 0);
    for (unsigned y = 0; y < header.cupsHeight; ++y) {
      if (cupsRasterReadPixels(raster, pixels.data(), header.cupsBytesPerLine) !=
          header.cupsBytesPerLine) {
        if (!finish_short()) {
          throw print::Error(name, "the raster ends in line " + std::to_string(y + 1) + " of " +
                                       std::to_string(header.cupsHeight));
        }
        std::fill(pixels.begin(), pixels.end(), std::uint8_t(0xFF));
      }
      line(pixels);
    }
    end(page);
    if (!more(page)) break;
  } while (cupsRasterReadHeader2(raster, &header));
  return page;
}

}  // namespace

RasterStream open_raster(int fd, const std::string& input, cups_page_header2_t& first) {
  RasterStream raster(cupsRasterOpen(fd, CUPS_RASTER_READ));
  if (raster == nullptr)
    throw print::Error(input, "not a CUPS raster stream: " + raster_error("no sync word"));
  if (!cupsRasterReadHeader2(raster.get(), &first)) {
    throw print::Error(input,
                       "holds no page: " + raster_error("the stream ends before the first page"));
  }
  return raster;
}

unsigned print_raster_pages(cups_raster_t* raster, cups_page_header2_t header,
                            print::PrintSession& session, const print::Stripe& stripe,
                            const RasterHooks& hooks) {
  // The page being read whole, when it is.
  std::optional<cups_page_header2_t> whole;
  std::vector<std::uint8_t> lines;
  std::string whole_name;
  print::PixelFormat whole_format = print::PixelFormat::rgb;
  return read_pages(
      raster, header,
      [&](unsigned page, const cups_page_header2_t& page_header, print::PixelFormat format,
          const std::string& name) {
        hooks.starting(page);
        const print::DeviceFacts& facts = session.facts();
        if (hooks.whole && (page_header.cupsWidth != facts.page_width ||
                            page_header.cupsHeight != facts.page_height)) {
          whole = page_header;
          whole_name = name;
          whole_format = format;
          lines.clear();
          lines.reserve(std::size_t(page_header.cupsBytesPerLine) * page_header.cupsHeight);
          return;
        }
        whole.reset();
        session.begin_side(page_header.cupsWidth, page_header.cupsHeight, format, name, stripe);
      },
      [&](const std::vector<std::uint8_t>& pixels) {
        if (whole) {
          lines.insert(lines.end(), pixels.begin(), pixels.end());
        } else {
          session.write_line(pixels);
        }
      },
      [&](unsigned page) {
        if (whole) {
          hooks.whole(
              {whole->cupsWidth, whole->cupsHeight, whole_format, lines, whole->cupsBytesPerLine},
              *whole, whole_name);
        } else {
          session.end_side();
        }
        hooks.printed(page);
      },
      // Cancelled: the job ends once its card is whole.
      [&](unsigned) { return !(hooks.cancelled() && session.next_side_is_front()); },
      hooks.cancelled);
}

unsigned check_raster_pages(cups_raster_t* raster, cups_page_header2_t header) {
  return read_pages(
      raster, header,
      [](unsigned, const cups_page_header2_t&, print::PixelFormat, const std::string&) {},
      [](const std::vector<std::uint8_t>&) {}, [](unsigned) {}, [](unsigned) { return true; },
      [] { return false; });
}

}  // namespace ymcko::raster
