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

#include "cards/raster/raster_pages.h"

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
  log << "INFO: rastertoymcko " << YMCKO_VERSION << "\n";
  try {
    // Settings: the queue's PPD defaults, the job's options over them, the copies last.
    std::vector<print::JobOption> options = ppd_defaults(ppd);
    options.insert(options.end(), arguments.options.begin(), arguments.options.end());
    options.push_back({"copies", std::to_string(arguments.copies)});
    print::Warnings warnings;
    print::CardSettings settings = print::settings_from_options(options, "options", warnings);
    for (const print::Warning& warning : warnings)
      log << "INFO: " << warning.input << ": " << warning.what << "\n";

    cups_page_header2_t header;
    raster::RasterStream stream = raster::open_raster(in, "raster", header);
    // The first page's shape sets the card's orientation for the job.
    settings.set("orientation",
                 std::string(header.cupsWidth > header.cupsHeight ? "landscape" : "portrait"),
                 "raster", warnings);

    // The card fills the page, as the tool's cards do. A stripe the queue
    // cannot write stops the job before its first card.
    const print::JobOptions job = print::job_options(settings);
    print::check_stripe(settings.stripe(), job.stripe, print::option_name);
    print::PrintSession session(out, job);
    raster::RasterHooks hooks;
    hooks.cancelled = [&cancelled] { return cancelled != 0; };
    hooks.starting = [&log](unsigned page) {
      log << "INFO: Printing page " << page << "\n" << std::flush;
    };
    hooks.printed = [&log, &arguments](unsigned page) {
      log << "PAGE: " << page << " " << arguments.copies << "\n" << std::flush;
    };
    raster::print_raster_pages(stream.get(), header, session, settings.stripe(), hooks);
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
