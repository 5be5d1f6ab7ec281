// The print path: the host printer is set up from the request, the driver is
// loaded through its entry point, and one document runs through the job
// runner exactly as the graphics engine would drive it. Each side is drawn
// into the page surface by the engine's transfers, which the surface hooks
// route through the driver.
#include "ymcko/print_job.h"

#include <cstring>
#include <fstream>

#include <nlohmann/json.hpp>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "host/draw.h"
#include "host/job_runner.h"
#include "ppdimage/ppd_image.h"
#include "settings/units.h"
#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

constexpr ROP4 kSourceCopy = 0xCCCC;
constexpr ULONG kHalftone = 4;

const host::LoadedDriver& loaded_driver() {
  static const std::optional<host::LoadedDriver> driver = host::LoadedDriver::load(DrvEnableDriver);
  if (!driver) throw ToolError("driver", "the driver refused to load");
  return *driver;
}

std::vector<BYTE> bytes_of(const void* data, std::size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  return {p, p + size};
}

// The printer's registry data values and forms, as the configuration side stores them.
void set_up_printer(host::HostPrinter& printer, const PrinterStore& store) {
  if (store.printer_data) {
    const DWORD size = sizeof(PRINTERDATA);
    printer.set_value(u"PrinterDataSize", bytes_of(&size, sizeof size));
    printer.set_value(u"PrinterData", bytes_of(&*store.printer_data, sizeof(PRINTERDATA)));
  }
  if (store.halftone) printer.set_value(u"CurDevHTInfo", {store.halftone->begin(), store.halftone->end()});
  std::vector<engine::HostForm> forms;
  for (const StoredForm& f : store.forms) {
    forms.push_back({f.name, {f.width, f.height}, {f.left, f.top, f.right, f.bottom}, f.flags});
  }
  printer.set_forms(std::move(forms));
}

// A source bitmap over an image's own pixels (red in byte 0, as the page's
// palette). The engine only reads a source and ignores its fourth byte, so
// the opaque RGBA bytes serve as they are, without a copy.
class SourceBitmap {
 public:
  explicit SourceBitmap(const Image& image) {
    auto* pixels = const_cast<std::uint8_t*>(image.rgba.data());
    handle_ = EngCreateBitmap({LONG(image.width), LONG(image.height)}, LONG(image.width * 4), BMF_32BPP,
                              BMF_TOPDOWN, pixels);
    surface_ = handle_ != nullptr ? EngLockSurface(handle_) : nullptr;
    if (surface_ == nullptr) throw ToolError("print", "out of memory for an image bitmap");
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

// Draws one side into the page: pixel for pixel when the image has the
// page's size, otherwise stretched (halftoned) to its placement.
void draw_side(host::DeviceSession& session, const CardSide& side, FitMode fit) {
  if (!side.image) return;
  SURFOBJ* page = session.surface();
  const Image& image = *side.image;
  SourceBitmap source(image);
  Placement placement = place_image(image.width, image.height, ULONG(page->sizlBitmap.cx),
                                    ULONG(page->sizlBitmap.cy), fit);
  RECTL dest{placement.destination.x, placement.destination.y, placement.destination.x + placement.destination.width,
             placement.destination.y + placement.destination.height};
  BOOL drawn;
  if (placement.one_to_one) {
    POINTL origin{placement.source.x, placement.source.y};
    drawn = host::draw_bitblt(page, source.surface(), nullptr, nullptr, nullptr, &dest, &origin, nullptr, nullptr,
                                nullptr, kSourceCopy);
  } else {
    RECTL from{placement.source.x, placement.source.y, placement.source.x + placement.source.width,
               placement.source.y + placement.source.height};
    drawn = host::draw_stretch(page, source.surface(), nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &from,
                                 nullptr, kHalftone);
  }
  if (!drawn) throw ToolError(side.name, "the image could not be drawn onto the card");
}

void enable(host::DeviceSession& session, const PrintRequest& request) {
  if (!session.enable(request.devmode)) {
    throw ToolError("print", "the driver could not make a device instance for these settings");
  }
}

void save_devmode(host::DeviceSession& session, const std::filesystem::path& path) {
  const DRVDEVMODE& dm = pdev_from(session.instance())->dm;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&dm), sizeof dm);
  if (!out.flush()) throw ToolError(path.string(), "cannot write the device mode");
}

}  // namespace

void print_cards(const PrintRequest& request, SideSource& sides, host::SpoolSink& out) {
  const host::LoadedDriver& driver = loaded_driver();
  host::HostPrinter printer(u"ymcko", out);
  set_up_printer(printer, request.printer);
  host::DeviceSession session(driver, printer);
  enable(session, request);
  if (request.save_devmode) save_devmode(session, *request.save_devmode);

  if (!session.start_doc(u"ymcko job")) throw ToolError("print", "the driver refused to start the document");
  while (std::optional<CardSide> side = sides.next()) {
    for (const EscapeCall& call : side->escapes) {
      ULONG result = session.escape(call.escape, call.input, {});
      if (LONG(result) <= 0) throw ToolError(side->name, "the driver refused escape " + std::to_string(call.escape));
    }
    if (!session.start_page()) throw ToolError(side->name, "the driver refused to start the page");
    draw_side(session, *side, request.fit);
    if (!session.send_page()) throw ToolError(side->name, "the driver could not send the page");
  }
  if (!session.end_doc()) throw ToolError("print", "the driver refused to end the document");
}

void print_info(const PrintRequest& request, bool json, std::ostream& out) {
  const host::LoadedDriver& driver = loaded_driver();
  host::MemorySink discard;
  host::HostPrinter printer(u"ymcko", discard);
  set_up_printer(printer, request.printer);
  host::DeviceSession session(driver, printer);
  enable(session, request);

  const PDEV* pdev = pdev_from(session.instance());
  const GDIINFO& caps = session.capabilities();
  const PRINTERFORM& form = pdev->curForm;
  std::string form_name;
  for (const WCHAR* c = form.wszFormName; *c != 0; ++c) form_name += static_cast<char>(*c <= 0x7F ? *c : '?');

  nlohmann::ordered_json info;
  info["resolution_dpi"] = pdev->dm.dmPublic.dmPrintQuality;
  info["orientation"] = form.bLandscape == 1 ? "landscape" : "portrait";
  info["page_dots"] = {caps.ulHorzRes, caps.ulVertRes};
  info["page_micrometres"] = {-LONG(caps.ulHorzSize), -LONG(caps.ulVertSize)};
  info["paper_dots"] = {caps.szlPhysSize.cx, caps.szlPhysSize.cy};
  info["printable_offset_dots"] = {caps.ptlPhysOffset.x, caps.ptlPhysOffset.y};
  info["form"] = {{"name", form_name},
                  {"page_size_option", form.szOptionName},
                  {"paper_psreal", {form.szPaper.width, form.szPaper.height}},
                  {"printable_psreal", {form.rcImageable.left, form.rcImageable.lower, form.rcImageable.right,
                                        form.rcImageable.upper}}};
  info["copies"] = pdev->cCopies;

  ymcko::ppd_view image(pdev->pPpdData, pdev->cbPpdData);
  nlohmann::ordered_json features = nlohmann::ordered_json::array();
  for (auto feature = image.features(); !feature.is_null(); feature = feature.next()) {
    nlohmann::ordered_json options = nlohmann::ordered_json::array();
    for (auto option = image.options(feature); !option.is_null(); option = option.next()) {
      nlohmann::ordered_json entry{{"keyword", option.name() ? option.name() : ""}};
      if (const char* translation = option.string_field(offsetof(ymcko::image_ui_option, pstrTranslation))) {
        entry["name"] = translation;
      }
      if (image.uigroup(feature).wIndex == UIGRP_PAGESIZE) {
        ymcko::image_media_option media;
        if (image.record_at(option.offset, &media)) {
          entry["paper_micrometres"] = {PSRealToMicron(media.szPaper.width), PSRealToMicron(media.szPaper.height)};
        }
      }
      options.push_back(entry);
    }
    features.push_back({{"feature", feature.name() ? feature.name() : ""},
                        {"default", image.uigroup(feature).dwDefault},
                        {"options", options}});
  }
  info["features"] = features;

  if (json) {
    out << info.dump(2) << "\n";
    return;
  }
  out << "Resolution:      " << info["resolution_dpi"] << " dpi\n"
      << "Orientation:     " << info["orientation"].get<std::string>() << "\n"
      << "Page:            " << caps.ulHorzRes << " x " << caps.ulVertRes << " dots, " << -LONG(caps.ulHorzSize)
      << " x " << -LONG(caps.ulVertSize) << " micrometres\n"
      << "Paper:           " << caps.szlPhysSize.cx << " x " << caps.szlPhysSize.cy << " dots, printable from ("
      << caps.ptlPhysOffset.x << ", " << caps.ptlPhysOffset.y << ")\n"
      << "Form:            " << form_name << " (page size " << form.szOptionName << ")\n"
      << "Copies:          " << pdev->cCopies << "\n"
      << "Description:\n";
  for (const auto& feature : features) {
    out << "  " << feature["feature"].get<std::string>() << ":";
    for (const auto& option : feature["options"]) {
      out << " " << option["keyword"].get<std::string>();
      if (option.contains("name")) out << " (" << option["name"].get<std::string>() << ")";
    }
    out << "\n";
  }
}

}  // namespace ymcko::tool
