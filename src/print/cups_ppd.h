// The printer's PPD for CUPS, made from the settings table so that an
// option can never drift from the tool's: the card as the only media in
// landscape and portrait at 300 dpi, 8-bit colour or grey, one option per
// setting that has a PPD keyword, the magnetic encoder as an installable
// option, and the filter that turns CUPS raster into a card job.
#pragma once

#include <ostream>
#include <string>

namespace ymcko::print {

// The filter as the PPD names it: a name in CUPS's filter folder, or an
// absolute path (for a filter in a build tree).
inline constexpr const char* kFilterName = "rastertoymcko";

// The MIME type of the job the filter makes.
inline constexpr const char* kJobType = "application/vnd.ymcko-job";

void write_ppd(std::ostream& out, const std::string& filter = kFilterName);

}  // namespace ymcko::print
