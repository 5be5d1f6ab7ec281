// The printer application's driver and its document filters: every
// document is spooled whole (PAPPL as pappl/ builds it) and printed from its
// file through one print session.
#include "app/app.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/card_runs.h"
#include "app/design_pages.h"
#include "app/job_pages.h"
#include "app/setup_pages.h"
#include "app/vendor_attributes.h"
#include "cards/images/image_file.h"
#include "cards/images/page_fit.h"
#include "cards/images/pdf_document.h"
#include "cards/jobs/job_check.h"
#include "cards/raster/raster_pages.h"
#include "cards/sides/test_card.h"
#include "print/card_geometry.h"
#include "print/session.h"

namespace ymcko::app {
namespace {

// Writes the job to the printer's device.
class DeviceSink final : public print::Sink {
 public:
  explicit DeviceSink(pappl_device_t* device) : device_(device) {}
  bool write(std::span<const std::uint8_t> bytes) override {
    return bytes.empty() ||
           papplDeviceWrite(device_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
  }
  std::string name() const override { return "printer"; }
  std::string failure() const override { return "the printer's device cannot be written"; }

 private:
  pappl_device_t* device_;
};

// Runs the job's work; a failure is the job's message and log line. The
// print session ends the document of a failed job, so the printer gets no
// half card.
template <class Work>
bool guarded(pappl_job_t* job, Work&& work) {
  try {
    work();
    return true;
  } catch (const print::Error& error) {
    papplJobSetMessage(job, "%s: %s", error.input().c_str(), error.what());
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s: %s", error.input().c_str(), error.what());
  } catch (const std::exception& error) {
    papplJobSetMessage(job, "%s", error.what());
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", error.what());
  }
  return false;
}

void log_warnings(pappl_job_t* job, const print::Warnings& warnings) {
  for (const print::Warning& warning : warnings) {
    papplLogJob(job, PAPPL_LOGLEVEL_WARN, "%s: %s", warning.input.c_str(), warning.what.c_str());
  }
}

// The job's print options, freed with the object.
struct OptionsDeleter {
  void operator()(pappl_pr_options_t* options) const { papplJobDeletePrintOptions(options); }
};
using PrintOptions = std::unique_ptr<pappl_pr_options_t, OptionsDeleter>;

// Whether the driver's cards are landscape unless a job says otherwise.
bool default_landscape() {
  const print::Setting& orientation = *print::find_setting("orientation");
  return std::get<std::string>(print::default_value(orientation)) == "landscape";
}

// A job the tool made says nothing of its card's orientation but what its
// orientation-requested, or the printer's default, says.
bool job_landscape(pappl_job_t* job) {
  if (ipp_attribute_t* attr = papplJobGetAttribute(job, "orientation-requested")) {
    const int orientation = ippGetInteger(attr, 0);
    return orientation != IPP_ORIENT_PORTRAIT && orientation != IPP_ORIENT_REVERSE_PORTRAIT;
  }
  return default_landscape();
}

// How a job's pages go onto its cards: the card's orientation, whether the
// pages are turned half round (IPP's reverse orientations), and their scaling.
struct CardLayout {
  bool landscape = true;
  bool reversed = false;
  cards::PageScaling scaling = cards::PageScaling::automatic;
};

// A first page of the card's exact size chooses the card's orientation;
// otherwise the job's medium does where it is one way round, and the job's
// (or the printer's default) orientation-requested where it is the card
// medium, which names no orientation.
CardLayout layout_for(pappl_job_t* job, const pappl_pr_options_t& options,
                      std::uint32_t first_width, std::uint32_t first_height) {
  CardLayout layout;
  const ipp_orient_t orientation = options.orientation_requested;
  layout.reversed =
      orientation == IPP_ORIENT_REVERSE_LANDSCAPE || orientation == IPP_ORIENT_REVERSE_PORTRAIT;
  const std::string medium = options.media.size_name;
  if (cards::is_card_page(first_width, first_height, print::page_width(true),
                          print::page_height(true))) {
    layout.landscape = first_width > first_height;
  } else if (medium == kLandscapeCard || medium == kPortraitCard) {
    layout.landscape = medium == kLandscapeCard;
  } else if (orientation >= IPP_ORIENT_PORTRAIT && orientation <= IPP_ORIENT_REVERSE_PORTRAIT) {
    layout.landscape =
        orientation == IPP_ORIENT_LANDSCAPE || orientation == IPP_ORIENT_REVERSE_LANDSCAPE;
  } else {
    layout.landscape = default_landscape();
  }
  static const std::pair<pappl_scaling_t, cards::PageScaling> kScalings[] = {
      {PAPPL_SCALING_AUTO_FIT, cards::PageScaling::auto_fit},
      {PAPPL_SCALING_FIT, cards::PageScaling::fit},
      {PAPPL_SCALING_FILL, cards::PageScaling::fill},
      {PAPPL_SCALING_NONE, cards::PageScaling::none},
  };
  for (const auto& [bit, scaling] : kScalings) {
    if (options.print_scaling == bit) layout.scaling = scaling;
  }
  papplLogJob(job, PAPPL_LOGLEVEL_DEBUG, "Card %s%s, first page %ux%u.",
              layout.landscape ? "landscape" : "portrait", layout.reversed ? ", reversed" : "",
              first_width, first_height);
  return layout;
}

// The job's card settings: the printer's defaults and the job's vendor
// attributes, its copies, and the card's orientation.
print::CardSettings settings_for(pappl_job_t* job, const pappl_pr_options_t& options,
                                 const CardLayout& layout, print::Warnings& warnings) {
  ipp_t* defaults = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
  std::unique_ptr<ipp_t, decltype(&ippDelete)> owned(defaults, &ippDelete);
  print::CardSettings settings = job_settings(
      defaults, [job](const std::string& name) { return papplJobGetAttribute(job, name.c_str()); },
      warnings);
  settings.set("copies", std::int64_t{options.copies}, "copies", warnings);
  settings.set("orientation", std::string(layout.landscape ? "landscape" : "portrait"), "media",
               warnings);
  log_warnings(job, warnings);
  return settings;
}

// Draws a page as the job's next side: one of the card's page as it is, any
// other turned and fitted onto the card as the layout says.
void add_page(print::PrintSession& session, const print::ImageView& page, int dpi,
              const CardLayout& layout, const std::string& name, const print::Stripe& stripe) {
  const print::DeviceFacts& facts = session.facts();
  const cards::FittedPage fitted = cards::fit_page(page, dpi, facts.page_width, facts.page_height,
                                                   layout.scaling, layout.reversed);
  session.set_fit(fitted.fit());
  session.add_side(fitted.view(), name, stripe);
}

// Pixels made grey in place (red, green and blue the same luma) for a job
// printed in monochrome, as a grey raster page would give them.
void make_grey(cards::Image& image) {
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    const std::uint8_t* p = &image.rgba[i];
    const auto luma = std::uint8_t((p[0] * 299 + p[1] * 587 + p[2] * 114 + 500) / 1000);
    image.rgba[i] = image.rgba[i + 1] = image.rgba[i + 2] = luma;
  }
}

// The job's spooled document, open for reading while the object lives.
class Document {
 public:
  explicit Document(pappl_job_t* job)
      : fd_(::open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || info.st_size == 0)
      throw print::Error("the document", "cannot be read or is empty");
    size_ = std::size_t(info.st_size);
  }
  ~Document() {
    if (fd_ >= 0) ::close(fd_);
  }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  int fd() const { return fd_; }
  std::size_t size() const { return size_; }
  // Reads again from the start.
  void rewind() const {
    if (::lseek(fd_, 0, SEEK_SET) != 0) throw print::Error("the document", "cannot be read again");
  }

 private:
  int fd_;
  std::size_t size_ = 0;
};

// The job's message once it was cancelled part-way.
void say_cancelled(pappl_job_t* job, std::size_t cards) {
  papplJobSetMessage(job, "Cancelled after %zu card%s.", cards, cards == 1 ? "" : "s");
}

}  // namespace

// PAPPL prints raster through these only while a document arrives, which
// this application's PAPPL never does: every document is spooled first and
// printed by print_raster.
bool start_job(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Raster is printed from its spooled document only.");
  return false;
}
bool start_page(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned) { return false; }
bool write_line(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned,
                const unsigned char*) {
  return false;
}
bool end_page(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned) { return false; }
bool end_job(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*) { return false; }

bool print_raster(pappl_job_t* job, pappl_device_t* device, void*) {
  return guarded(job, [&] {
    // The whole document is read before a card is printed: one cut short
    // sends nothing.
    const Document document(job);
    cups_page_header2_t first;
    unsigned pages;
    {
      raster::RasterStream raster = raster::open_raster(document.fd(), "the document", first);
      pages = raster::check_raster_pages(raster.get(), first);
    }
    document.rewind();
    raster::RasterStream raster = raster::open_raster(document.fd(), "the document", first);
    papplJobSetImpressions(job, int(pages));
    const PrintOptions options(papplJobCreatePrintOptions(job, pages, true));
    const CardLayout layout = layout_for(job, *options, first.cupsWidth, first.cupsHeight);
    print::Warnings warnings;
    const print::CardSettings settings = settings_for(job, *options, layout, warnings);

    DeviceSink printer(device);
    JobRecord record(job, layout.landscape, &settings);
    RecordingSink sink(printer, record);
    print::PrintSession session(sink, print::job_options(settings));
    const print::Stripe stripe = settings.stripe();
    std::size_t cards = 0;
    raster::RasterHooks hooks;
    hooks.cancelled = [job] { return papplJobIsCanceled(job); };
    hooks.starting = [&](unsigned) {
      if (session.next_side_is_front()) ++cards;
    };
    std::size_t printed = 0;
    hooks.printed = [job, &printed](unsigned) {
      papplJobSetImpressionsCompleted(job, 1);
      ++printed;
    };
    hooks.whole = [&](const print::ImageView& page, const cups_page_header2_t& header,
                      const std::string& name) {
      add_page(session, page, int(header.HWResolution[1]), layout, name, stripe);
    };
    raster::print_raster_pages(raster.get(), first, session, stripe, hooks);
    session.finish();
    papplDeviceFlush(device);
    record.finish(cards, printed);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
}

bool print_document(pappl_job_t* job, pappl_device_t* device, void*) {
  return guarded(job, [&] {
    const char* file = papplJobGetFilename(job);
    if (file == nullptr) throw print::Error("the document", "is no longer spooled");
    cards::ImageInput input(file, "the document");
    std::optional<cards::PdfDocument> pdf;
    if (input.format() == cards::ImageFormat::pdf)
      pdf.emplace(input.read_all(), "the PDF document");
    const int pages = pdf ? pdf->pages() : 1;
    papplJobSetImpressions(job, pages);
    const PrintOptions options(papplJobCreatePrintOptions(job, unsigned(pages), true));
    int first = 1, last = 1;
    if (pdf) {
      first = std::max(1, int(std::min<unsigned>(options->first_page, INT32_MAX)));
      last = std::min(pages, int(std::min<unsigned>(options->last_page, INT32_MAX)));
      if (first > last) {
        throw print::Error("page-ranges",
                           "selects none of the document's " + std::to_string(pages) + " pages");
      }
    }
    // The first page chooses the card's orientation when it is the card's.
    cards::Image image = pdf ? pdf->render(first - 1) : input.decode();
    const CardLayout layout = layout_for(job, *options, image.width, image.height);
    print::Warnings warnings;
    const print::CardSettings settings = settings_for(job, *options, layout, warnings);
    const bool grey = options->header.cupsColorSpace == CUPS_CSPACE_SW ||
                      options->header.cupsColorSpace == CUPS_CSPACE_W;

    DeviceSink printer(device);
    JobRecord record(job, layout.landscape, &settings);
    RecordingSink sink(printer, record);
    print::PrintSession session(sink, print::job_options(settings));
    const print::Stripe stripe = settings.stripe();
    std::size_t cards = 0, printed = 0;
    for (int page = first; page <= last; ++page) {
      // Cancelled: the job ends once its card is whole.
      if (papplJobIsCanceled(job) && session.next_side_is_front()) break;
      if (session.next_side_is_front()) {
        ++cards;
      }
      if (page != first) image = pdf->render(page - 1);
      if (grey) make_grey(image);
      add_page(session, {image.width, image.height, print::PixelFormat::rgba, image.rgba, 0},
               print::kCardDpi, layout, "page " + std::to_string(page), stripe);
      papplJobSetImpressionsCompleted(job, 1);
      ++printed;
    }
    session.finish();
    papplDeviceFlush(device);
    record.finish(cards, printed);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
}

namespace {

// A card run of the Card designs pages: its rows' cards, rendered ahead on
// the template workers, through one print session. The run's data and
// photos go once the job has ended, however it ended.
void print_card_run(pappl_job_t* job, pappl_device_t* device, std::shared_ptr<CardRun> run) {
  if (!run) {
    throw print::Error("the job",
                       "its card run is no longer held (the application was restarted or the "
                       "run was removed); start the run again from the printer's Card designs "
                       "page");
  }
  struct Removed {
    std::string id;
    ~Removed() { remove_run(id); }
  } removed{run->id()};
  const print::CardSettings settings = run->settings();
  print::JobOptions options = print::job_options(settings);
  options.fit = print::FitMode::cover;  // as the tool's template runs
  DeviceSink printer(device);
  JobRecord record(job, run->landscape(), &settings);
  RecordingSink sink(printer, record);
  print::PrintSession session(sink, options);
  std::unique_ptr<cards::CardSource> cards = run_cards(*run, options, {});
  std::size_t printed = 0;
  while (std::optional<cards::Card> card = cards->next()) {
    if (papplJobIsCanceled(job)) break;
    const cards::Image& front = *card->front.image;
    std::optional<print::Side> back;
    if (card->back && card->back->image) {
      const cards::Image& image = *card->back->image;
      back = print::Side{
          card->back->name,
          print::ImageView{image.width, image.height, print::PixelFormat::rgba, image.rgba, 0}};
    }
    session.add_card({card->front.name, print::ImageView{front.width, front.height,
                                                         print::PixelFormat::rgba, front.rgba, 0}},
                     back, card->front.stripe);
    ++printed;
    papplJobSetImpressionsCompleted(job, 1);
  }
  cards.reset();
  session.finish();
  papplDeviceFlush(device);
  record.finish(printed, 0);
  if (papplJobIsCanceled(job)) say_cancelled(job, printed);
}

}  // namespace

bool print_job_file(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  return guarded(job, [&] {
    const Document document(job);
    // Mapped, so that a long batch job is checked without a copy.
    void* mapped = ::mmap(nullptr, document.size(), PROT_READ, MAP_PRIVATE, document.fd(), 0);
    if (mapped == MAP_FAILED) throw print::Error("the job", "the job file cannot be mapped");
    const std::span bytes(static_cast<const std::uint8_t*>(mapped), document.size());
    struct Unmap {
      std::span<const std::uint8_t> bytes;
      ~Unmap() { ::munmap(const_cast<std::uint8_t*>(bytes.data()), bytes.size()); }
    } unmap{bytes};
    if (is_run_document(bytes)) return print_card_run(job, device, run_of_document(bytes));
    // The whole job is checked before a byte of it reaches the printer.
    const jobstream::ReadResult checked = cards::check_job(bytes);
    if (checked.error) {
      throw print::Error("the job", "not a whole card job: at byte " +
                                        std::to_string(checked.error->offset) + ", expected " +
                                        checked.error->expected);
    }
    // Sent a card at a time (the document's header with the first), so that
    // a cancelled job stops at the end of a card.
    std::vector<std::size_t> card_ends;
    for (const jobstream::Command& command : checked.commands) {
      if (std::holds_alternative<jobstream::CardEnd>(command.body))
        card_ends.push_back(command.offset + command.length);
    }
    papplJobSetImpressions(job, int(card_ends.size()));
    JobRecord record(job, job_landscape(job), nullptr);
    DeviceSink sink(device);
    constexpr std::size_t kChunk = 1 << 20;
    std::size_t sent = 0, cards = 0;
    for (const std::size_t end : card_ends) {
      if (papplJobIsCanceled(job)) break;
      for (; sent < end; sent += std::min(kChunk, end - sent)) {
        const std::span<const std::uint8_t> chunk =
            bytes.subspan(sent, std::min(kChunk, end - sent));
        if (!sink.write(chunk)) throw print::Error("printer", sink.failure());
        record.stream(chunk);
      }
      ++cards;
      papplJobSetImpressionsCompleted(job, 1);
    }
    papplDeviceFlush(device);
    record.finish(cards, 0);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
}

namespace {

// When each printer (by id) was last asked to identify itself.
std::mutex identified_lock;
std::map<int, std::time_t> identified;

// How long a printer shows that it was asked to identify itself, in seconds.
constexpr std::time_t kIdentifyShown = 60;

}  // namespace

void identify(pappl_printer_t* printer, pappl_identify_actions_t, const char* message) {
  papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Asked to identify itself%s%s.",
                  message != nullptr && *message != 0 ? ": " : "",
                  message != nullptr ? message : "");
  {
    const std::lock_guard lock(identified_lock);
    identified[papplPrinterGetID(printer)] = std::time(nullptr);
  }
  papplPrinterSetReasons(printer, PAPPL_PREASON_IDENTIFY_PRINTER_REQUESTED, PAPPL_PREASON_NONE);
}

void printer_created(pappl_printer_t* printer, void*) {
  // Levels unknown (-2) until a printer reports them.
  pappl_supply_t supplies[] = {
      {PAPPL_SUPPLY_COLOR_MULTIPLE, "YMCKO ribbon", true, -2, PAPPL_SUPPLY_TYPE_INK_RIBBON},
      {PAPPL_SUPPLY_COLOR_NO_COLOR, "Card hopper", true, -2, PAPPL_SUPPLY_TYPE_OTHER},
  };
  papplPrinterSetSupplies(printer, 2, supplies);
  add_job_pages(printer);
  add_setup_pages(printer);
  add_design_pages(printer);
}

bool report_status(pappl_printer_t* printer) {
  bool shown_long_enough = false;
  {
    const std::lock_guard lock(identified_lock);
    const auto asked = identified.find(papplPrinterGetID(printer));
    if (asked != identified.end() && std::time(nullptr) - asked->second >= kIdentifyShown) {
      identified.erase(asked);
      shown_long_enough = true;
    }
  }
  if (shown_long_enough)
    papplPrinterSetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_IDENTIFY_PRINTER_REQUESTED);
  return true;
}

namespace {

// Writes a job into a file of its own, for its owner alone.
class FileSink final : public print::Sink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}
  bool write(std::span<const std::uint8_t> bytes) override {
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (wrote <= 0) return false;
      done += std::size_t(wrote);
    }
    return true;
  }
  std::string name() const override { return "the test card's file"; }
  std::string failure() const override { return "cannot be written"; }

 private:
  int fd_;
};

}  // namespace

const char* test_page(pappl_printer_t* printer, char* buffer, std::size_t size) {
  // The printer's set-up and defaults, with the test card's own settings
  // over them; its stripe only where the printer has an encoder.
  std::unique_ptr<ipp_t, decltype(&ippDelete)> defaults(papplPrinterGetDriverAttributes(printer),
                                                        &ippDelete);
  const std::string file = (spool() / "ymcko-test-card-XXXXXX").string();
  if (file.size() >= size) return nullptr;
  std::snprintf(buffer, size, "%s", file.c_str());
  const int fd = ::mkstemp(buffer);
  if (fd < 0) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "The test card cannot be written: %s.",
                    std::strerror(errno));
    return nullptr;
  }
  bool made = false;
  try {
    print::Warnings warnings;
    print::CardSettings settings = job_settings(
        defaults.get(), [](const std::string&) { return nullptr; }, warnings);
    const bool encoder =
        std::get<bool>(printer_default(defaults.get(), *find_vendor_setting("ymcko-mag-encoder")));
    settings.override_with(cards::test_card_settings(encoder));
    const cards::Image card = cards::test_card();
    FileSink sink(fd);
    print::PrintSession session(sink, print::job_options(settings));
    session.add_side({card.width, card.height, print::PixelFormat::rgba, card.rgba, 0},
                     "the test card", settings.stripe());
    session.finish();
    made = true;
  } catch (const std::exception& error) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "The test card cannot be made: %s.",
                    error.what());
  }
  ::close(fd);
  if (!made) ::unlink(buffer);
  return made ? buffer : nullptr;
}

const char* document_type(const unsigned char* header, std::size_t size, void*) {
  return cards::opens_a_job({header, size}) ? kJobFormat : nullptr;
}

bool print_untyped(pappl_job_t* job, pappl_device_t* device, void*) {
  const bool is_job = guarded(job, [&] {
    const Document document(job);
    std::uint8_t start[16];
    const ssize_t got = ::read(document.fd(), start, sizeof start);
    if (got <= 0 || !cards::opens_a_job({start, std::size_t(got)})) {
      throw print::Error("the document",
                         "is in none of the formats the printer takes (PDF, PNG, JPEG, PWG or "
                         "Apple raster, or a job the ymcko tool made)");
    }
  });
  return is_job && print_job_file(job, nullptr, device);
}

bool driver_callback(pappl_system_t*, const char* driver_name, const char*, const char*,
                     pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
  if (std::strcmp(driver_name, kDriverName) != 0) return false;
  data->rstartjob_cb = start_job;
  data->rstartpage_cb = start_page;
  data->rwriteline_cb = write_line;
  data->rendpage_cb = end_page;
  data->rendjob_cb = end_job;
  data->printfile_cb = print_job_file;
  data->format = kJobFormat;

  std::snprintf(data->make_and_model, sizeof data->make_and_model, "ymcko card printer");
  data->kind = PAPPL_KIND_DOCUMENT;
  data->ppm = 2;
  data->ppm_color = 2;
  data->color_supported =
      PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
  data->color_default = PAPPL_COLOR_MODE_COLOR;
  data->content_default = PAPPL_CONTENT_AUTO;
  data->quality_default = IPP_QUALITY_NORMAL;
  data->scaling_default = PAPPL_SCALING_AUTO;
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->duplex = PAPPL_DUPLEX_NONE;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;
  data->num_resolution = 1;
  data->x_resolution[0] = data->y_resolution[0] = print::kCardDpi;
  data->x_default = data->y_default = print::kCardDpi;
  // Borderless, and a margin of 0.01 mm besides: CUPS 2.4.2 makes a queue's
  // default page size (`lpadmin -m everywhere`) without the ".Borderless" its
  // choices take when every size is borderless, so the default matched none
  // and CUPS printed on another page; with both, the default is a size that
  // differs from the whole card by a tenth of a dot.
  data->borderless = true;
  data->left_right = data->bottom_top = 1;

  // The ID-1 card by its registered name, the default every client knows,
  // and the card's exact page either way round. The card's orientation is
  // orientation-requested's, the driver's by default.
  const bool landscape = default_landscape();
  data->orient_default = landscape ? IPP_ORIENT_LANDSCAPE : IPP_ORIENT_PORTRAIT;
  data->num_media = 3;
  data->media[0] = kCardMedium;
  data->media[1] = kLandscapeCard;
  data->media[2] = kPortraitCard;
  data->num_source = 1;
  data->source[0] = "main";
  data->num_type = 1;
  data->type[0] = "cardstock";
  pappl_media_col_t& media = data->media_default;
  media = {};
  pwg_media_t* card = pwgMediaForPWG(kCardMedium);
  std::snprintf(media.size_name, sizeof media.size_name, "%s", kCardMedium);
  media.size_width = card->width;
  media.size_length = card->length;
  std::snprintf(media.source, sizeof media.source, "main");
  std::snprintf(media.type, sizeof media.type, "cardstock");
  data->media_ready[0] = media;

  // No printer command makes the printer show itself: the application says
  // it was asked, in its log and on the printer's page.
  data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  data->identify_cb = identify;
  data->status_cb = report_status;
  data->testpage_cb = test_page;

  // The printer's vendor options; the job-only ones (the stripe's texts)
  // are no printer defaults.
  data->num_vendor = 0;
  for (const VendorSetting& setting : vendor_settings()) {
    if (!setting.job_only && data->num_vendor < PAPPL_MAX_VENDOR)
      data->vendor[data->num_vendor++] = setting.name.c_str();
  }
  *attrs = ippNew();
  add_vendor_attributes(*attrs);
  // What IPP Everywhere asks of every printer that PAPPL leaves to the
  // driver: photos' colour profiles are converted perceptually; a card's
  // back comes as it is seen, not flipped; no preferred attributes; and
  // overrides (which the application refuses in a job, as every card of a
  // job takes the job's settings) by document and page.
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
               "print-rendering-intent-default", nullptr, "perceptual");
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
               "print-rendering-intent-supported", nullptr, "perceptual");
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
               "pwg-raster-document-sheet-back", nullptr, "normal");
  ippAddBoolean(*attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
  static const char* const kOverrides[] = {"document-number", "pages"};
  ippAddStrings(*attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD), "overrides-supported", 2,
                nullptr, kOverrides);
  return true;
}

}  // namespace ymcko::app
