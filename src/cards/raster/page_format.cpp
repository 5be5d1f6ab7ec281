// Checks of a raster page header against what the print service draws.
#include "cards/raster/page_format.h"

#include <cstring>

namespace ymcko::raster {
namespace {

// An enumerated field of a header read from a stream may hold any number:
// read as the number it is, not as the enum (an unnamed value is undefined
// behaviour there).
template <class Enum>
unsigned raw(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(unsigned));
  unsigned value;
  std::memcpy(&value, &field, sizeof value);
  return value;
}

}  // namespace

print::PixelFormat page_format(const cups_page_header2_t& header, const std::string& page) {
  if (header.cupsBitsPerColor != 8) {
    throw print::Error(
        page, "has " + std::to_string(header.cupsBitsPerColor) + " bits per colour; 8 are taken");
  }
  if (raw(header.cupsColorOrder) != CUPS_ORDER_CHUNKED) {
    throw print::Error(page, "its colours are not chunked (colour order " +
                                 std::to_string(raw(header.cupsColorOrder)) + ")");
  }
  print::PixelFormat format;
  unsigned bits;
  switch (raw(header.cupsColorSpace)) {
    case CUPS_CSPACE_RGB:
    case CUPS_CSPACE_SRGB:
      format = print::PixelFormat::rgb;
      bits = 24;
      break;
    case CUPS_CSPACE_W:
    case CUPS_CSPACE_SW:
      format = print::PixelFormat::gray;
      bits = 8;
      break;
    default:
      throw print::Error(page, "has colour space " + std::to_string(raw(header.cupsColorSpace)) +
                                   "; RGB, sRGB, grey and sGray are taken");
  }
  if (header.cupsBitsPerPixel != bits) {
    throw print::Error(page, "has " + std::to_string(header.cupsBitsPerPixel) +
                                 " bits per pixel; its colour space has " + std::to_string(bits));
  }
  if (header.cupsWidth == 0 || header.cupsHeight == 0 || header.cupsWidth > kMaxPageSide ||
      header.cupsHeight > kMaxPageSide ||
      std::uint64_t{header.cupsWidth} * header.cupsHeight > kMaxPagePixels) {
    throw print::Error(page, "is " + std::to_string(header.cupsWidth) + " x " +
                                 std::to_string(header.cupsHeight) + " pixels; a page has 1 to " +
                                 std::to_string(kMaxPageSide) + " on each side and at most " +
                                 std::to_string(kMaxPagePixels) + " in all");
  }
  if (header.cupsBytesPerLine != header.cupsWidth * (bits / 8)) {
    throw print::Error(page, "has " + std::to_string(header.cupsBytesPerLine) +
                                 " bytes per line; " + std::to_string(header.cupsWidth) +
                                 " pixels take " + std::to_string(header.cupsWidth * (bits / 8)));
  }
  return format;
}

}  // namespace ymcko::raster
