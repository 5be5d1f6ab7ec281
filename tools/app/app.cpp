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
#include <memory>
#include <optional>
#include <string>

#include "app/vendor_attributes.h"
#include "cards/images/image_file.h"
#include "cards/images/pdf_document.h"
#include "cards/jobs/job_check.h"
#include "cards/raster/raster_pages.h"
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

// The job's card settings: the printer's defaults and the job's vendor
// attributes, its copies, and the orientation of its page (the media's,
// or `landscape` when the document's first page says it).
print::CardSettings settings_for(pappl_job_t* job, const pappl_pr_options_t& options,
                                 std::optional<bool> landscape, print::Warnings& warnings) {
  ipp_t* defaults = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
  std::unique_ptr<ipp_t, decltype(&ippDelete)> owned(defaults, &ippDelete);
  print::CardSettings settings = job_settings(
      defaults, [job](const std::string& name) { return papplJobGetAttribute(job, name.c_str()); },
      warnings);
  settings.set("copies", std::int64_t{options.copies}, "copies", warnings);
  const bool wide = landscape.value_or(options.header.cupsWidth > options.header.cupsHeight);
  settings.set("orientation", std::string(wide ? "landscape" : "portrait"), "media", warnings);
  log_warnings(job, warnings);
  return settings;
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
    print::Warnings warnings;
    const print::CardSettings settings =
        settings_for(job, *options, first.cupsWidth > first.cupsHeight, warnings);

    DeviceSink sink(device);
    print::PrintSession session(sink, print::job_options(settings));
    std::size_t cards = 0;
    raster::RasterHooks hooks;
    hooks.cancelled = [job] { return papplJobIsCanceled(job); };
    hooks.starting = [&](unsigned) { cards += session.next_side_is_front(); };
    hooks.printed = [job](unsigned) { papplJobSetImpressionsCompleted(job, 1); };
    raster::print_raster_pages(raster.get(), first, session, settings.stripe(), hooks);
    session.finish();
    papplDeviceFlush(device);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
}

bool print_document(pappl_job_t* job, pappl_device_t* device, void*) {
  return guarded(job, [&] {
    cards::ImageInput input(papplJobGetFilename(job), "the document");
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
    print::Warnings warnings;
    const print::CardSettings settings = settings_for(job, *options, std::nullopt, warnings);
    const bool grey = options->header.cupsColorSpace == CUPS_CSPACE_SW ||
                      options->header.cupsColorSpace == CUPS_CSPACE_W;

    // Each page a whole side, at its own size: the print session fits it to
    // the card as the tool does.
    DeviceSink sink(device);
    print::PrintSession session(sink, print::job_options(settings));
    const print::Stripe stripe = settings.stripe();
    std::size_t cards = 0;
    for (int page = first; page <= last; ++page) {
      // Cancelled: the job ends once its card is whole.
      if (papplJobIsCanceled(job) && session.next_side_is_front()) break;
      cards += session.next_side_is_front();
      cards::Image image = pdf ? pdf->render(page - 1) : input.decode();
      if (grey) make_grey(image);
      session.add_side({image.width, image.height, print::PixelFormat::rgba, image.rgba, 0},
                       "page " + std::to_string(page), stripe);
      papplJobSetImpressionsCompleted(job, 1);
    }
    session.finish();
    papplDeviceFlush(device);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
}

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
    DeviceSink sink(device);
    constexpr std::size_t kChunk = 1 << 20;
    std::size_t sent = 0, cards = 0;
    for (const std::size_t end : card_ends) {
      if (papplJobIsCanceled(job)) break;
      for (; sent < end; sent += std::min(kChunk, end - sent)) {
        if (!sink.write(bytes.subspan(sent, std::min(kChunk, end - sent))))
          throw print::Error("printer", sink.failure());
      }
      ++cards;
      papplJobSetImpressionsCompleted(job, 1);
    }
    papplDeviceFlush(device);
    if (papplJobIsCanceled(job)) say_cancelled(job, cards);
  });
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
  data->orient_default = IPP_ORIENT_NONE;
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->duplex = PAPPL_DUPLEX_NONE;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;
  data->num_resolution = 1;
  data->x_resolution[0] = data->y_resolution[0] = print::kCardDpi;
  data->x_default = data->y_default = print::kCardDpi;
  data->borderless = true;
  data->left_right = data->bottom_top = 0;

  // The card both ways; the driver's default orientation is the default.
  const print::Setting& orientation = *print::find_setting("orientation");
  const bool landscape = std::get<std::string>(print::default_value(orientation)) == "landscape";
  data->num_media = 2;
  data->media[0] = kLandscapeCard;
  data->media[1] = kPortraitCard;
  data->num_source = 1;
  data->source[0] = "main";
  data->num_type = 1;
  data->type[0] = "cardstock";
  pappl_media_col_t& media = data->media_default;
  media = {};
  std::snprintf(media.size_name, sizeof media.size_name, "%s",
                landscape ? kLandscapeCard : kPortraitCard);
  media.size_width = print::hundredths_of_mm(print::page_width(landscape));
  media.size_length = print::hundredths_of_mm(print::page_height(landscape));
  std::snprintf(media.source, sizeof media.source, "main");
  std::snprintf(media.type, sizeof media.type, "cardstock");
  data->media_ready[0] = media;

  // The printer's vendor options; the job-only ones (the stripe's texts)
  // are no printer defaults.
  data->num_vendor = 0;
  for (const VendorSetting& setting : vendor_settings()) {
    if (!setting.job_only && data->num_vendor < PAPPL_MAX_VENDOR)
      data->vendor[data->num_vendor++] = setting.name.c_str();
  }
  *attrs = ippNew();
  add_vendor_attributes(*attrs);
  return true;
}

}  // namespace ymcko::app
