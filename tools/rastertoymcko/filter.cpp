// The CUPS filter: options to settings, raster pages to card sides.
#include "rastertoymcko/filter.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

#include "cards/raster/page_format.h"
#include "print/devmode.h"
#include "print/printer_store.h"

namespace ymcko::filter {
namespace {

// The queue's PPD defaults for the settings table's keywords, as its
// administrator set them (installable options included); the job's own
// options go over them.
std::vector<print::JobOption> ppd_defaults(const char* path) {
  std::vector<print::JobOption> defaults;
  if (path == nullptr || *path == 0) return defaults;
  ppd_file_t* ppd = ppdOpenFile(path);
  if (ppd == nullptr) return defaults;
  for (const print::Setting& row : print::settings_table()) {
    if (row.ppd_keyword.empty()) continue;
    const std::string keyword(row.ppd_keyword);
    if (const ppd_option_t* option = ppdFindOption(ppd, keyword.c_str())) {
      defaults.push_back({keyword, option->defchoice});
    }
  }
  ppdClose(ppd);
  return defaults;
}

// Closes the raster stream at the end of the scope.
struct RasterCloser {
  void operator()(cups_raster_t* raster) const { cupsRasterClose(raster); }
};

// The reason libcups gives for a failed read, or what the filter knows of it.
std::string raster_error(const char* fallback) {
  const char* reason = cupsRasterErrorString();
  return reason != nullptr && *reason != 0 ? std::string(reason) : std::string(fallback);
}

}  // namespace

Arguments parse_arguments(int argc, const char* const* argv) {
  if (argc < 6 || argc > 7) {
    throw print::Error("command line",
                       "usage: rastertoymcko job-id user title copies options [file]");
  }
  Arguments arguments;
  arguments.job_id = argv[1];
  arguments.user = argv[2];
  arguments.title = argv[3];
  const std::string_view copies = argv[4];
  auto [at, error] =
      std::from_chars(copies.data(), copies.data() + copies.size(), arguments.copies);
  if (copies.empty() || error != std::errc() || at != copies.data() + copies.size()) {
    throw print::Error("copies", "\"" + std::string(copies) + "\" is not a number of copies");
  }
  cups_option_t* options = nullptr;
  const int count = cupsParseOptions(argv[5], 0, &options);
  for (int i = 0; i < count; ++i) arguments.options.push_back({options[i].name, options[i].value});
  cupsFreeOptions(count, options);
  if (argc == 7) arguments.file = argv[6];
  return arguments;
}

int run(const Arguments& arguments, int in, print::Sink& out, std::ostream& log, const char* ppd,
        const volatile std::sig_atomic_t& cancelled) {
  try {
    // Settings: the queue's PPD defaults, the job's options over them, the copies last.
    std::vector<print::JobOption> options = ppd_defaults(ppd);
    options.insert(options.end(), arguments.options.begin(), arguments.options.end());
    options.push_back({"copies", std::to_string(arguments.copies)});
    print::Warnings warnings;
    print::CardSettings settings = print::settings_from_options(options, "options", warnings);
    for (const print::Warning& warning : warnings)
      log << "INFO: " << warning.input << ": " << warning.what << "\n";

    std::unique_ptr<cups_raster_t, RasterCloser> raster(cupsRasterOpen(in, CUPS_RASTER_READ));
    if (raster == nullptr)
      throw print::Error("raster", "not a CUPS raster stream: " + raster_error("no sync word"));

    cups_page_header2_t header;
    if (!cupsRasterReadHeader2(raster.get(), &header)) {
      throw print::Error("raster",
                         "holds no page: " + raster_error("the stream ends before the first page"));
    }
    // The first page's shape sets the card's orientation for the job.
    settings.set("orientation",
                 std::string(header.cupsWidth > header.cupsHeight ? "landscape" : "portrait"),
                 "raster", warnings);

    print::JobOptions job;
    job.devmode = print::application_devmode(settings, std::nullopt);
    print::apply_to_printer_store(settings, job.printer);
    job.fit = print::FitMode::cover;
    const print::Stripe stripe = settings.stripe();

    print::PrintSession session(out, job);
    std::vector<std::uint8_t> line;
    unsigned page = 0;
    do {
      ++page;
      const std::string name = "page " + std::to_string(page);
      const print::PixelFormat format = raster::page_format(header, name);
      log << "INFO: Printing " << name << "\n" << std::flush;
      session.begin_side(header.cupsWidth, header.cupsHeight, format, name, stripe);
      line.assign(header.cupsBytesPerLine, 0);
      for (unsigned y = 0; y < header.cupsHeight; ++y) {
        if (cupsRasterReadPixels(raster.get(), line.data(), header.cupsBytesPerLine) !=
            header.cupsBytesPerLine) {
          if (!cancelled) {
            throw print::Error(name, "the raster ends in line " + std::to_string(y + 1) + " of " +
                                         std::to_string(header.cupsHeight));
          }
          // Cancelled: the card is finished with what came, white below.
          std::fill(line.begin(), line.end(), std::uint8_t(0xFF));
        }
        session.write_line(line);
      }
      session.end_side();
      log << "PAGE: " << page << " " << arguments.copies << "\n" << std::flush;
      // Cancelled: the job ends once its card is whole.
      if (cancelled && session.next_side_is_front()) break;
    } while (cupsRasterReadHeader2(raster.get(), &header));
    session.finish();
    if (cancelled) log << "INFO: The job was cancelled; the last card was finished\n";
    return 0;
  } catch (const print::Error& error) {
    log << "ERROR: " << error.input() << ": " << error.what() << "\n";
  } catch (const std::exception& error) {
    log << "ERROR: " << error.what() << "\n";
  }
  return 1;
}

}  // namespace ymcko::filter
