// The print path: a host printer is set up from the job's stored values, the
// driver is loaded through its entry point, and one document runs through the
// job runner exactly as the graphics engine would drive it. Each side is
// drawn into the page surface by the engine's transfers, which the surface
// hooks route through the driver.
#include "print/session.h"

#include <algorithm>
#include <cstring>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "engine/hooks.h"
#include "host/draw.h"
#include "host/job_runner.h"
#include "ppdimage/ppd_image.h"
#include "print/card_geometry.h"
#include "print/devmode.h"
#include "print/errors.h"
#include "records/devmode.h"
#include "records/page.h"
#include "records/pdev.h"
#include "settings/units.h"

namespace ymcko::print {
namespace {

static_assert(kPanelColumns == PAGE_SHORT_SIDE && kPanelLines == PAGE_LONG_SIDE,
              "the front ends' card is the driver's page");

constexpr ULONG kHalftone = HALFTONE;
constexpr char16_t kPrinterName[] = u"ymcko";

const host::LoadedDriver& loaded_driver() {
  static const std::optional<host::LoadedDriver> driver = host::LoadedDriver::load(DrvEnableDriver);
  if (!driver) throw Error("driver", "the driver refused to load");
  return *driver;
}

std::vector<BYTE> bytes_of(const void* data, std::size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  return {p, p + size};
}

// The printer's registry data values and forms, as the configuration side stores them.
void set_up_printer(host::HostPrinter& printer, const PrinterStore& store) {
  if (store.properties) {
    const DWORD size = sizeof(PRINTERDATA);
    printer.set_value(u"PrinterDataSize", bytes_of(&size, sizeof size));
    printer.set_value(u"PrinterData", {store.properties->begin(), store.properties->end()});
  }
  if (store.halftone)
    printer.set_value(u"CurDevHTInfo", {store.halftone->begin(), store.halftone->end()});
  std::vector<engine::HostForm> forms;
  for (const StoredForm& f : store.forms) {
    forms.push_back({f.name, {f.width, f.height}, {f.left, f.top, f.right, f.bottom}, f.flags});
  }
  printer.set_forms(std::move(forms));
}

std::string narrow(const WCHAR* text) {
  std::string out;
  for (; *text != 0; ++text) out += static_cast<char>(*text <= 0x7F ? *text : '?');
  return out;
}

// The description's features and options, through its queries.
std::vector<Feature> features_of(const ppd_view& image) {
  std::vector<Feature> features;
  for (auto feature = image.features(); !feature.is_null(); feature = feature.next()) {
    const image_uigroup group = image.uigroup(feature);
    Feature entry{feature.name() ? feature.name() : "", group.dwDefault, {}};
    for (auto option = image.options(feature); !option.is_null(); option = option.next()) {
      FeatureOption choice{option.name() ? option.name() : "", std::nullopt, std::nullopt};
      if (const char* translation =
              option.string_field(offsetof(image_ui_option, pstrTranslation))) {
        choice.name = translation;
      }
      image_media_option media;
      if (group.wIndex == UIGRP_PAGESIZE && image.record_at(option.offset, &media)) {
        choice.paper_micrometres = {PSRealToMicron(media.szPaper.width),
                                    PSRealToMicron(media.szPaper.height)};
      }
      entry.options.push_back(std::move(choice));
    }
    features.push_back(std::move(entry));
  }
  return features;
}

// The facts of the enabled device: its capabilities from device enable, and
// the settings, form and description the instance holds.
DeviceFacts device_facts(const host::DeviceSession& device) {
  const PDEV& pdev = *pdev_from(device.instance());
  const DRVDEVMODE& dm = pdev.dm;
  const PRINTERFORM& form = pdev.curForm;
  const GDIINFO& caps = device.capabilities();
  DeviceFacts facts;
  facts.resolution_dpi = dm.dmPublic.dmPrintQuality;
  facts.landscape = form.bLandscape == 1;
  facts.page_width = caps.ulHorzRes;
  facts.page_height = caps.ulVertRes;
  facts.page_width_micrometres = -LONG(caps.ulHorzSize);
  facts.page_height_micrometres = -LONG(caps.ulVertSize);
  facts.paper_width = caps.szlPhysSize.cx;
  facts.paper_height = caps.szlPhysSize.cy;
  facts.printable_x = caps.ptlPhysOffset.x;
  facts.printable_y = caps.ptlPhysOffset.y;
  facts.form_name = narrow(form.wszFormName);
  facts.page_size_option = form.szOptionName;
  facts.paper_psreal = {form.szPaper.width, form.szPaper.height};
  facts.printable_psreal = {form.rcImageable.left, form.rcImageable.lower, form.rcImageable.right,
                            form.rcImageable.upper};
  facts.copies = dm.dmPublic.dmCopies;
  facts.side_mode = dm.dmPrivate.wSideMode;
  facts.features = features_of(ppd_view(pdev.pPpdData, pdev.cbPpdData));
  facts.devmode = bytes_of(&dm, sizeof dm);
  return facts;
}

// A source bitmap over 32-bit pixels (red in byte 0, as the page's palette).
// The engine only reads a source and ignores its fourth byte.
class SourceBitmap {
 public:
  SourceBitmap(std::uint32_t width, std::uint32_t height, const std::uint8_t* pixels,
               std::size_t stride) {
    handle_ = EngCreateBitmap({LONG(width), LONG(height)}, LONG(stride), BMF_32BPP, BMF_TOPDOWN,
                              const_cast<std::uint8_t*>(pixels));
    surface_ = handle_ != nullptr ? EngLockSurface(handle_) : nullptr;
  }
  ~SourceBitmap() {
    if (surface_ != nullptr) EngUnlockSurface(surface_);
    if (handle_ != nullptr) EngDeleteSurface(handle_);
  }
  SourceBitmap(const SourceBitmap&) = delete;
  SourceBitmap& operator=(const SourceBitmap&) = delete;
  SURFOBJ* surface() { return surface_; }

 private:
  HSURF handle_ = nullptr;
  SURFOBJ* surface_ = nullptr;
};

// One channel of a straight-alpha pixel over white.
std::uint8_t over_white(unsigned value, unsigned alpha) {
  return std::uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// True when every RGBA pixel's alpha is 255: most images are opaque, and a
// look at four bytes at a time says so quickly.
bool all_opaque(std::span<const std::uint8_t> rgba) {
  std::uint32_t alphas = 0xFF000000u;
  for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
    std::uint32_t pixel;
    std::memcpy(&pixel, &rgba[i], 4);
    alphas &= pixel;
  }
  return alphas == 0xFF000000u;
}

// One line of pixels as the source bitmap holds them: four bytes each, a
// straight alpha composited over white.
void convert_line(const std::uint8_t* in, PixelFormat format, std::uint32_t width,
                  std::uint8_t* out) {
  for (std::uint32_t x = 0; x < width; ++x, out += 4) {
    switch (format) {
      case PixelFormat::gray:
        out[0] = out[1] = out[2] = in[x];
        break;
      case PixelFormat::rgb:
        std::memcpy(out, in + 3 * x, 3);
        break;
      case PixelFormat::rgba: {
        const unsigned alpha = in[4 * x + 3];
        for (int c = 0; c < 3; ++c) out[c] = over_white(in[4 * x + c], alpha);
        break;
      }
    }
    out[3] = 255;
  }
}

bool opaque_rgba(const ImageView& image, std::size_t stride) {
  return image.format == PixelFormat::rgba && stride == std::size_t{image.width} * 4 &&
         all_opaque(image.pixels.first(stride * image.height));
}

}  // namespace

std::size_t bytes_per_pixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::gray:
      return 1;
    case PixelFormat::rgb:
      return 3;
    case PixelFormat::rgba:
      return 4;
  }
  return 4;
}

void composite_over_white(std::span<std::uint8_t> rgba) {
  if (all_opaque(rgba)) return;
  for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
    const unsigned alpha = rgba[i + 3];
    for (int c = 0; c < 3; ++c) rgba[i + c] = over_white(rgba[i + c], alpha);
    rgba[i + 3] = 255;
  }
}

namespace {

// The rules of a job's stripes: the encoder as the printer's stored record
// says, the format as the settings do, and the mode of the job's device mode
// where the settings give none.
StripeRules stripe_rules(const CardSettings& settings, const JobOptions& job) {
  StripeRules rules;
  rules.encoder = has_mag_encoder(job.printer);
  rules.format = settings.get<std::string>("mag_format").value_or("iso") == "raw"
                     ? StripeFormat::raw
                     : StripeFormat::iso;
  auto word = [&](std::size_t at) { return unsigned(job.devmode[at] | job.devmode[at + 1] << 8); };
  if (auto mode = settings.get<std::string>("mag_mode")) {
    rules.mode = (*mode)[0];
  } else if (job.devmode.size() >= offsetof(DEVMODEW, dmDriverExtra) + 2) {
    // The private part lies dmSize bytes in, when the record holds it whole.
    const std::size_t at = word(offsetof(DEVMODEW, dmSize)) + offsetof(DRVPRIVATE, wMagMode);
    if (word(offsetof(DEVMODEW, dmDriverExtra)) >= sizeof(DRVPRIVATE) &&
        job.devmode.size() >= at + 2) {
      const unsigned value = word(at);
      rules.mode = value == 1 ? 'R' : value == 2 ? 'W' : 'Q';
    }
  }
  return rules;
}

}  // namespace

JobOptions job_options(const CardSettings& settings,
                       const std::optional<std::vector<std::uint8_t>>& given,
                       PrinterStore printer) {
  JobOptions job;
  job.devmode = application_devmode(settings, given);
  apply_to_printer_store(settings, printer);
  job.printer = std::move(printer);
  job.stripe = stripe_rules(settings, job);
  return job;
}

DeviceFacts describe_device(const JobOptions& options) {
  // Nothing is printed: no document starts, and no byte is written.
  host::HostPrinter printer(kPrinterName, [](std::span<const BYTE>) { return false; });
  set_up_printer(printer, options.printer);
  host::DeviceSession device(loaded_driver(), printer);
  if (!device.enable(options.devmode)) {
    throw Error("print", "the driver could not make a device instance for these settings");
  }
  return device_facts(device);
}

struct PrintSession::Job {
  Job(Sink& out, const JobOptions& options)
      : sink(out),
        printer(kPrinterName, [this](std::span<const BYTE> bytes) { return spool(bytes); }),
        device(loaded_driver(), printer),
        fit(options.fit),
        rules(options.stripe) {
    set_up_printer(printer, options.printer);
  }

  Sink& sink;
  bool sink_failed = false;
  host::HostPrinter printer;
  host::DeviceSession device;
  FitMode fit;
  StripeRules rules;
  DeviceFacts facts;
  bool started = false;
  bool done = false;
  std::size_t sides = 0;
  std::size_t cards = 0;  // cards given whole

  // The side being given line by line.
  struct Side {
    std::string name;
    std::uint32_t width;
    std::uint32_t height;
    PixelFormat format;
    std::uint32_t lines = 0;
    std::vector<std::uint8_t> pixels;  // four bytes a pixel
  };
  std::optional<Side> side;

  // The driver's bytes into the sink; after a failure every write fails.
  bool spool(std::span<const BYTE> bytes) {
    if (!sink_failed && !sink.write(bytes)) sink_failed = true;
    return !sink_failed;
  }

  // Ends the document for the printer and drops the job from the sink.
  void abandon() noexcept {
    if (done) return;
    done = true;
    if (started) device.end_doc();
    device.disable();
    sink.discard();
  }

  [[noreturn]] void fail(const std::string& input, const std::string& what) {
    abandon();
    throw Error(input, what);
  }

  // A driver call's result: a lost write fails the job in the sink's name,
  // a refusal in the input's, saying when memory was short.
  void check(BOOL result, std::size_t failed_allocations_before, std::size_t failed_writes_before,
             const std::string& input, const std::string& what) {
    if (sink_failed) fail(sink.name(), sink.failure());
    if (printer.failed_writes() != failed_writes_before)
      fail(sink.name(), "a write to the printer failed");
    if (result) return;
    const bool short_of_memory =
        engine::failed_allocations_on_this_thread() != failed_allocations_before;
    fail(input, what + (short_of_memory ? ": out of memory" : ""));
  }

  template <class Call>
  void call(Call&& driver_call, const std::string& input, const std::string& what) {
    const std::size_t allocations = engine::failed_allocations_on_this_thread();
    const std::size_t writes = printer.failed_writes();
    check(driver_call(), allocations, writes, input, what);
  }

  void require_open(const char* what) {
    if (done) throw Error("print", std::string("the job has ended; ") + what);
    if (side) throw Error(side->name, std::string("the side is not complete; ") + what);
  }

  // Whether the driver's next page is a card's front: its back-side state,
  // which each page send turns in side modes 1 and 2.
  bool front_next() const {
    return (pdev_from(device.instance())->flJobState & PDEV_BACK_SIDE) == 0;
  }

  // A front's stripe escapes, then the page start.
  void start_side(const std::string& name, const Stripe& card_stripe) {
    const Stripe none;
    if (front_next()) {
      check_stripe(card_stripe, rules);
      // The instance falls back to the default properties (no encoder)
      // when the stored record cannot be read: its stripe is not dropped.
      const PDEV* pdev = pdev_from(device.instance());
      const bool tracks = std::any_of(card_stripe.tracks.begin(), card_stripe.tracks.end(),
                                      [](const auto& text) { return text && !text->empty(); });
      if (tracks && (pdev->pPrinterData == nullptr || pdev->pPrinterData->bMagEncoder != 1))
        fail(name,
             "the driver could not read the printer's stored properties, so the stripe would "
             "not be written");
    }
    for (const EscapeCall& escape : stripe_escapes(front_next() ? card_stripe : none)) {
      call([&] { return LONG(device.escape(escape.escape, escape.input, {})) > 0; }, name,
           "the driver refused escape " + std::to_string(escape.escape));
    }
    call([&] { return device.start_page(); }, name, "the driver refused to start the page");
  }

  // Draws 32-bit pixels into the page: pixel for pixel when they have the
  // page's size, otherwise stretched (halftoned) to their placement.
  void draw(const std::string& name, std::uint32_t width, std::uint32_t height,
            const std::uint8_t* pixels, std::size_t stride) {
    SURFOBJ* page = device.surface();
    const std::size_t allocations = engine::failed_allocations_on_this_thread();
    SourceBitmap source(width, height, pixels, stride);
    if (source.surface() == nullptr) fail(name, "out of memory for an image bitmap");
    Placement placement =
        place_image(width, height, ULONG(page->sizlBitmap.cx), ULONG(page->sizlBitmap.cy), fit);
    RECTL dest{placement.destination.x, placement.destination.y,
               placement.destination.x + placement.destination.width,
               placement.destination.y + placement.destination.height};
    BOOL drawn;
    if (placement.one_to_one) {
      POINTL origin{placement.source.x, placement.source.y};
      drawn = host::draw_bitblt(page, source.surface(), nullptr, nullptr, nullptr, &dest, &origin,
                                nullptr, nullptr, nullptr, ROP4_SRCCOPY);
    } else {
      RECTL from{placement.source.x, placement.source.y,
                 placement.source.x + placement.source.width,
                 placement.source.y + placement.source.height};
      drawn = host::draw_stretch(page, source.surface(), nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &dest, &from, nullptr, kHalftone);
    }
    check(drawn, allocations, printer.failed_writes(), name,
          "the image could not be drawn onto the card");
  }

  void send(const std::string& name) {
    call([&] { return device.send_page(); }, name, "the driver could not send the page");
    ++sides;
  }
};

PrintSession::PrintSession(Sink& sink, const JobOptions& options)
    : job_(std::make_unique<Job>(sink, options)) {
  Job& job = *job_;
  try {
    if (!job.device.enable(options.devmode)) {
      job.fail("print", "the driver could not make a device instance for these settings");
    }
    job.facts = device_facts(job.device);
    std::u16string name = options.document_name;
    job.call([&] { return job.device.start_doc(name.c_str()); }, "print",
             "the driver refused to start the document");
    job.started = true;
  } catch (...) {
    job.abandon();
    throw;
  }
}

PrintSession::~PrintSession() { job_->abandon(); }

const DeviceFacts& PrintSession::facts() const { return job_->facts; }

std::size_t PrintSession::sides() const { return job_->sides; }

bool PrintSession::next_side_is_front() const {
  return !job_->done && job_->device.enabled() && job_->front_next();
}

void PrintSession::set_fit(FitMode fit) { job_->fit = fit; }

void PrintSession::add_card(const Side& front, const std::optional<Side>& back,
                            const Stripe& stripe) {
  Job& job = *job_;
  job.require_open("no card can be added");
  if (!job.front_next()) {
    throw Error(front.name,
                "a card begins on a front; the side before it was a front without its back");
  }
  if (back && job.facts.side_mode == 0) {
    throw Error(back->name,
                "a back needs side mode 1 or 2; side mode 0 prints every page on a new card");
  }
  const std::size_t card = ++job.cards;
  auto add = [this](const Side& side, const Stripe& card_stripe) {
    if (side.image) {
      add_side(*side.image, side.name, card_stripe);
    } else {
      add_blank_side(side.name, card_stripe);
    }
  };
  add(front, stripe);
  // Side mode 0 has turned to the next card's front already.
  if (job.front_next()) return;
  add(back.value_or(Side{"card " + std::to_string(card) + " back (white)", std::nullopt}), {});
}

void PrintSession::add_side(const ImageView& image, const std::string& name,
                            const Stripe& card_stripe) {
  Job& job = *job_;
  job.require_open("no side can be added");
  const std::size_t stride =
      image.stride != 0 ? image.stride : image.width * bytes_per_pixel(image.format);
  if (image.width == 0 || image.height == 0 ||
      stride < image.width * bytes_per_pixel(image.format) ||
      image.pixels.size() <
          stride * (image.height - 1) + image.width * bytes_per_pixel(image.format)) {
    throw Error(name, "the image's pixels do not fill its size");
  }
  if (opaque_rgba(image, stride)) {
    // Opaque RGBA serves as the source bitmap as it is, without a copy.
    job.start_side(name, card_stripe);
    job.draw(name, image.width, image.height, image.pixels.data(), stride);
    job.send(name);
    return;
  }
  begin_side(image.width, image.height, image.format, name, card_stripe);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    write_line(image.pixels.subspan(y * stride, image.width * bytes_per_pixel(image.format)));
  }
  end_side();
}

void PrintSession::add_blank_side(const std::string& name, const Stripe& card_stripe) {
  Job& job = *job_;
  job.require_open("no side can be added");
  job.start_side(name, card_stripe);
  job.send(name);
}

void PrintSession::begin_side(std::uint32_t width, std::uint32_t height, PixelFormat format,
                              const std::string& name, const Stripe& card_stripe) {
  Job& job = *job_;
  job.require_open("no side can begin");
  if (width == 0 || height == 0) throw Error(name, "a side needs at least one pixel");
  // The pixels wait until the side is complete; the page starts now, so
  // the stripe goes to the printer in its place before the side.
  Job::Side side{name, width, height, format, 0, {}};
  side.pixels.resize(std::size_t{width} * height * 4);
  job.start_side(name, card_stripe);
  job.side = std::move(side);
}

void PrintSession::write_line(std::span<const std::uint8_t> line) {
  Job& job = *job_;
  if (!job.side) throw Error("print", "a line came outside a side");
  Job::Side& side = *job.side;
  if (side.lines == side.height)
    throw Error(side.name, "more lines than the side's " + std::to_string(side.height));
  if (line.size() != side.width * bytes_per_pixel(side.format)) {
    throw Error(side.name, "line " + std::to_string(side.lines + 1) + " has " +
                               std::to_string(line.size()) + " bytes; the side's lines have " +
                               std::to_string(side.width * bytes_per_pixel(side.format)));
  }
  convert_line(line.data(), side.format, side.width,
               side.pixels.data() + std::size_t{side.lines} * side.width * 4);
  ++side.lines;
}

void PrintSession::end_side() {
  Job& job = *job_;
  if (!job.side) throw Error("print", "no side was begun");
  Job::Side side = std::move(*job.side);
  job.side.reset();
  if (side.lines != side.height) {
    job.fail(side.name, "the side ended after " + std::to_string(side.lines) + " of its " +
                            std::to_string(side.height) + " lines");
  }
  job.draw(side.name, side.width, side.height, side.pixels.data(), std::size_t{side.width} * 4);
  job.send(side.name);
}

void PrintSession::finish() {
  Job& job = *job_;
  job.require_open("it cannot be finished again");
  job.call([&] { return job.device.end_doc(); }, "print", "the driver refused to end the document");
  job.started = false;
  job.done = true;
  job.device.disable();
}

}  // namespace ymcko::print
