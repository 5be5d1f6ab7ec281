// CUPS raster streams made in memory for the tests of the filter and the
// printer application, in each stream format libcups reads.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace ymcko::testing {

enum class RasterFormat { v1, v2, v3, pwg };

struct RasterPage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  cups_cspace_t space = CUPS_CSPACE_RGB;
  std::vector<std::uint8_t> pixels;  // chunked, rows from the top
  unsigned bits_per_color = 8;       // written as stated, whatever the pixels
};

inline ssize_t append_to(void* context, unsigned char* bytes, size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  out->insert(out->end(), bytes, bytes + length);
  return ssize_t(length);
}

inline std::vector<std::uint8_t> make_raster(const std::vector<RasterPage>& pages,
                                             RasterFormat format) {
  std::vector<std::uint8_t> stream;
  const cups_mode_t mode = format == RasterFormat::v2    ? CUPS_RASTER_WRITE_COMPRESSED
                           : format == RasterFormat::pwg ? CUPS_RASTER_WRITE_PWG
                                                         : CUPS_RASTER_WRITE;
  cups_raster_t* raster = cupsRasterOpenIO(append_to, &stream, mode);
  for (const RasterPage& page : pages) {
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    const bool grey = page.space == CUPS_CSPACE_W || page.space == CUPS_CSPACE_SW;
    header.cupsWidth = page.width;
    header.cupsHeight = page.height;
    header.cupsBitsPerColor = page.bits_per_color;
    header.cupsBitsPerPixel = page.bits_per_color * (grey ? 1 : 3);
    header.cupsBytesPerLine = page.width * header.cupsBitsPerPixel / 8;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsColorSpace = page.space;
    header.cupsNumColors = grey ? 1 : 3;
    header.HWResolution[0] = header.HWResolution[1] = 300;
    header.PageSize[0] = page.width * 72 / 300;
    header.PageSize[1] = page.height * 72 / 300;
    cupsRasterWriteHeader2(raster, &header);
    if (!page.pixels.empty()) {
      cupsRasterWritePixels(raster, const_cast<std::uint8_t*>(page.pixels.data()),
                            unsigned(page.pixels.size()));
    }
  }
  cupsRasterClose(raster);
  // The first format is the third with its own sync word and each page's
  // header cut to the first version's fields.
  if (format == RasterFormat::v1) {
    const std::uint32_t sync = CUPS_RASTER_SYNCv1;
    std::memcpy(stream.data(), &sync, sizeof sync);
    std::size_t at = sizeof sync;
    for (const RasterPage& page : pages) {
      stream.erase(stream.begin() + std::ptrdiff_t(at + sizeof(cups_page_header_t)),
                   stream.begin() + std::ptrdiff_t(at + sizeof(cups_page_header2_t)));
      at += sizeof(cups_page_header_t) + page.pixels.size();
    }
  }
  return stream;
}

}  // namespace ymcko::testing
