// The settings table, the checks of its rows, and their way into the
// driver's records.
#include "print/card_settings.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include <nlohmann/json.hpp>

#include "print/card_geometry.h"
#include "print/driver_records.h"
#include "print/files.h"
#include "print/json_value.h"

namespace ymcko::print {
namespace {

using nlohmann::json;

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Panel size in pixels; rectangles and areas use it with the card portrait.
constexpr std::int64_t kPanelWidth = kPanelColumns;
constexpr std::int64_t kPanelHeight = kPanelLines;

// ---- Reading and writing the driver's records, field by field ----------

template <auto Field>
SettingValue read_number(const DriverRecords& r) {
  return std::int64_t(r.devmode.dmPrivate.*Field);
}

template <auto Field>
void write_number(const SettingValue& v, DriverRecords& r) {
  using Type = std::remove_reference_t<decltype(r.devmode.dmPrivate.*Field)>;
  r.devmode.dmPrivate.*Field = Type(std::get<std::int64_t>(v));
}

template <DWORD DRVPRIVATE::*Field>
SettingValue read_flag(const DriverRecords& r) {
  return r.devmode.dmPrivate.*Field == 1;
}

template <DWORD DRVPRIVATE::*Field>
void write_flag(const SettingValue& v, DriverRecords& r) {
  r.devmode.dmPrivate.*Field = std::get<bool>(v) ? 1 : 0;
}

SettingValue read_copies(const DriverRecords& r) {
  return std::int64_t(r.devmode.dmPublic.dmCopies);
}

void write_copies(const SettingValue& v, DriverRecords& r) {
  r.devmode.dmPublic.dmCopies = SHORT(std::get<std::int64_t>(v));
  r.devmode.dmPublic.dmFields |= DM_COPIES;
}

SettingValue read_orientation(const DriverRecords& r) {
  return std::string(r.devmode.dmPublic.dmOrientation == DMORIENT_PORTRAIT ? "portrait"
                                                                           : "landscape");
}

void write_orientation(const SettingValue& v, DriverRecords& r) {
  r.devmode.dmPublic.dmOrientation =
      std::get<std::string>(v) == "portrait" ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  r.devmode.dmPublic.dmFields |= DM_ORIENTATION;
}

SettingValue read_print_rect(const DriverRecords& r) {
  const DRVPRIVATE& p = r.devmode.dmPrivate;
  return Rect{p.xPrint, p.yPrint, p.cxPrint, p.cyPrint};
}

void write_print_rect(const SettingValue& v, DriverRecords& r) {
  const Rect& rect = std::get<Rect>(v);
  DRVPRIVATE& p = r.devmode.dmPrivate;
  p.xPrint = WORD(rect.x);
  p.yPrint = WORD(rect.y);
  p.cxPrint = WORD(rect.cx);
  p.cyPrint = WORD(rect.cy);
}

SettingValue read_overlay_areas(const DriverRecords& r) {
  std::vector<OverlayArea> areas;
  for (const OVERLAYAREA& a : r.devmode.dmPrivate.aOverlayArea) {
    if (a.wKind != OVERLAY_EMPTY) areas.push_back({a.wKind, a.x, a.y, a.cx, a.cy});
  }
  return areas;
}

// The areas given replace all four; the rest become empty records.
void write_overlay_areas(const SettingValue& v, DriverRecords& r) {
  const auto& areas = std::get<std::vector<OverlayArea>>(v);
  for (std::size_t i = 0; i < OVERLAY_AREA_COUNT; ++i) {
    r.devmode.dmPrivate.aOverlayArea[i] =
        i < areas.size()
            ? OVERLAYAREA{WORD(areas[i].kind), WORD(areas[i].x), WORD(areas[i].y),
                          WORD(areas[i].cx), WORD(areas[i].cy)}
            : OVERLAYAREA{OVERLAY_EMPTY, 0, 0, WORD(kPanelWidth - 1), WORD(kPanelHeight - 1)};
  }
}

bool landscape_of(const DriverRecords& r) {
  return r.devmode.dmPublic.dmOrientation != DMORIENT_PORTRAIT;
}

SettingValue read_held_print_rect(const DriverRecords& r) {
  return held_rect(std::get<Rect>(read_print_rect(r)), landscape_of(r));
}

// Held values are checked against the card's long edge when they are given;
// the job's orientation, known once its public part is written, gives the
// card's own edges.
void write_held_print_rect(const SettingValue& v, DriverRecords& r) {
  const Rect& held = std::get<Rect>(v);
  const bool landscape = landscape_of(r);
  const std::int64_t width = page_width(landscape), height = page_height(landscape);
  if (held.x + held.cx > width || held.y + held.cy > height) {
    throw Error("held_print_rect", "the rectangle must lie inside the " + std::to_string(width) +
                                       " x " + std::to_string(height) +
                                       (landscape ? " landscape" : " portrait") +
                                       " card: x + width is " + std::to_string(held.x + held.cx) +
                                       " and y + height is " + std::to_string(held.y + held.cy));
  }
  write_print_rect(panel_rect(held, landscape), r);
}

SettingValue read_held_overlay_areas(const DriverRecords& r) {
  auto areas = std::get<std::vector<OverlayArea>>(read_overlay_areas(r));
  for (OverlayArea& area : areas) area = held_area(area, landscape_of(r));
  return areas;
}

void write_held_overlay_areas(const SettingValue& v, DriverRecords& r) {
  const bool landscape = landscape_of(r);
  const std::int64_t width = page_width(landscape), height = page_height(landscape);
  std::vector<OverlayArea> areas;
  for (const OverlayArea& held : std::get<std::vector<OverlayArea>>(v)) {
    if (held.x + held.cx > width || held.y + held.cy > height) {
      throw Error("held_overlay_areas[" + std::to_string(areas.size()) + "]",
                  "the area must lie inside the " + std::to_string(width) + " x " +
                      std::to_string(height) + (landscape ? " landscape" : " portrait") +
                      " card: x + width is " + std::to_string(held.x + held.cx) +
                      " and y + height is " + std::to_string(held.y + held.cy));
    }
    areas.push_back(panel_area(held, landscape));
  }
  write_overlay_areas(areas, r);
}

SettingValue read_job_r_value(const DriverRecords& r) { return std::int64_t(r.printer.wJobRValue); }

void write_job_r_value(const SettingValue& v, DriverRecords& r) {
  r.printer.wJobRValue = WORD(std::get<std::int64_t>(v));
}

SettingValue read_mag_encoder(const DriverRecords& r) { return r.printer.bMagEncoder != 0; }

void write_mag_encoder(const SettingValue& v, DriverRecords& r) {
  r.printer.bMagEncoder = std::get<bool>(v) ? 1 : 0;
}

SettingValue read_mag_mode(const DriverRecords& r) {
  static constexpr const char* letters[] = {"Q", "R", "W"};
  const WORD mode = r.devmode.dmPrivate.wMagMode;
  return std::string(mode < 3 ? letters[mode] : "Q");
}

// Track texts are checked as ISO 7811 lays tracks out unless a job says not.
SettingValue read_mag_format(const DriverRecords&) { return std::string("iso"); }

// A track field as UTF-8; its characters are ISO-8859-1 code units.
template <std::size_t N, WCHAR (DRVPRIVATE::*Field)[N]>
SettingValue read_track(const DriverRecords& r) {
  std::string text;
  for (WCHAR unit : r.devmode.dmPrivate.*Field) {
    if (unit == 0) break;
    if (unit < 0x80) {
      text += char(unit);
    } else {
      text += char(0xC0 | (unit >> 6));
      text += char(0x80 | (unit & 0x3F));
    }
  }
  return text;
}

// ---- The table ----------------------------------------------------------

const std::vector<Setting>& rows() {
  using K = SettingKind;
  using T = SettingTarget;
  static const std::vector<Setting> table = {
      {.key = "side_mode",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = 0,
       .max = 2,
       .help =
           "card sides: 0 every page a new card, 1 front and back, 2 as 1 with the back black only",
       .ppd_keyword = "SideMode",
       .ppd_labels = {"One side, every page a new card", "Front and back",
                      "Front and back, back in black only"},
       .ipp_attribute = "ymcko-side-mode",
       .read = read_number<&DRVPRIVATE::wSideMode>,
       .write = write_number<&DRVPRIVATE::wSideMode>},
      {.key = "copies",
       .kind = K::integer,
       .target = T::devmode,
       .min = 1,
       .max = 999,
       .help = "copies of every card, 1 to 999",
       .ipp_attribute = "copies",
       .read = read_copies,
       .write = write_copies},
      {.key = "intensity",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = 0,
       .max = 100,
       .help = "colour intensity in percent, 0 to 100",
       .ppd_keyword = "ColorIntensity",
       .ppd_step = 5,
       .ipp_attribute = "ymcko-color-intensity",
       .read = read_number<&DRVPRIVATE::lColorIntensity>,
       .write = write_number<&DRVPRIVATE::lColorIntensity>},
      {.key = "start_doc_value1",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "first print parameter of the job",
       .ipp_attribute = "ymcko-start-doc-value1",
       .read = read_number<&DRVPRIVATE::lStartDocValue1>,
       .write = write_number<&DRVPRIVATE::lStartDocValue1>},
      {.key = "start_doc_value2",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "second print parameter of the job",
       .ipp_attribute = "ymcko-start-doc-value2",
       .read = read_number<&DRVPRIVATE::lStartDocValue2>,
       .write = write_number<&DRVPRIVATE::lStartDocValue2>},
      {.key = "start_doc_value3",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "third print parameter of the job",
       .ipp_attribute = "ymcko-start-doc-value3",
       .read = read_number<&DRVPRIVATE::lStartDocValue3>,
       .write = write_number<&DRVPRIVATE::lStartDocValue3>},
      {.key = "yellow_adjust",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "yellow adjustment, the gain of yellow in colour correction",
       .ppd_keyword = "YellowAdjust",
       .ppd_min = -50,
       .ppd_max = 50,
       .ppd_step = 5,
       .ipp_attribute = "ymcko-yellow-adjust",
       .read = read_number<&DRVPRIVATE::lYellowAdjust>,
       .write = write_number<&DRVPRIVATE::lYellowAdjust>},
      {.key = "magenta_adjust",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "magenta adjustment, the gain of magenta in colour correction",
       .ppd_keyword = "MagentaAdjust",
       .ppd_min = -50,
       .ppd_max = 50,
       .ppd_step = 5,
       .ipp_attribute = "ymcko-magenta-adjust",
       .read = read_number<&DRVPRIVATE::lMagentaAdjust>,
       .write = write_number<&DRVPRIVATE::lMagentaAdjust>},
      {.key = "cyan_adjust",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "cyan adjustment, the gain of cyan in colour correction",
       .ppd_keyword = "CyanAdjust",
       .ppd_min = -50,
       .ppd_max = 50,
       .ppd_step = 5,
       .ipp_attribute = "ymcko-cyan-adjust",
       .read = read_number<&DRVPRIVATE::lCyanAdjust>,
       .write = write_number<&DRVPRIVATE::lCyanAdjust>},
      {.key = "saturation",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = kInt32Min,
       .max = kInt32Max,
       .help = "colour saturation; 0 keeps it, -50 makes grey",
       .ppd_keyword = "ColorSaturation",
       .ppd_min = -50,
       .ppd_max = 50,
       .ppd_step = 5,
       .ipp_attribute = "ymcko-saturation",
       .read = read_number<&DRVPRIVATE::lSaturation>,
       .write = write_number<&DRVPRIVATE::lSaturation>},
      {.key = "color_correction",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "colour correction, the colours corrected before they are separated",
       .ppd_keyword = "ColorCorrection",
       .ipp_attribute = "ymcko-color-correction",
       .read = read_flag<&DRVPRIVATE::bColorCorrection>,
       .write = write_flag<&DRVPRIVATE::bColorCorrection>},
      {.key = "front_color",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "front colour panels (yellow, magenta, cyan), printed when true",
       .ppd_keyword = "FrontColor",
       .ipp_attribute = "ymcko-front-color",
       .read = read_flag<&DRVPRIVATE::bFrontColor>,
       .write = write_flag<&DRVPRIVATE::bFrontColor>},
      {.key = "front_black",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "front black panel, printed when true",
       .ppd_keyword = "FrontBlack",
       .ipp_attribute = "ymcko-front-black",
       .read = read_flag<&DRVPRIVATE::bFrontBlack>,
       .write = write_flag<&DRVPRIVATE::bFrontBlack>},
      {.key = "front_overlay",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "front overlay, printed when true",
       .ppd_keyword = "FrontOverlay",
       .ipp_attribute = "ymcko-front-overlay",
       .read = read_flag<&DRVPRIVATE::bFrontOverlay>,
       .write = write_flag<&DRVPRIVATE::bFrontOverlay>},
      {.key = "back_color",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "back colour panels (yellow, magenta, cyan), printed when true",
       .ppd_keyword = "BackColor",
       .ipp_attribute = "ymcko-back-color",
       .read = read_flag<&DRVPRIVATE::bBackColor>,
       .write = write_flag<&DRVPRIVATE::bBackColor>},
      {.key = "back_black",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "back black panel, printed when true",
       .ppd_keyword = "BackBlack",
       .ipp_attribute = "ymcko-back-black",
       .read = read_flag<&DRVPRIVATE::bBackBlack>,
       .write = write_flag<&DRVPRIVATE::bBackBlack>},
      {.key = "back_overlay",
       .kind = K::boolean,
       .target = T::devmode_private,
       .help = "back overlay, printed when true",
       .ppd_keyword = "BackOverlay",
       .ipp_attribute = "ymcko-back-overlay",
       .read = read_flag<&DRVPRIVATE::bBackOverlay>,
       .write = write_flag<&DRVPRIVATE::bBackOverlay>},
      {.key = "print_rect",
       .kind = K::rectangle,
       .target = T::devmode_private,
       .help = "printed rectangle X,Y,CX,CY inside the 656 x 1024 portrait card",
       .ipp_attribute = "ymcko-print-rect",
       .read = read_print_rect,
       .write = write_print_rect},
      {.key = "overlay_areas",
       .kind = K::overlay_list,
       .target = T::devmode_private,
       .help = "overlay area KIND,X,Y,CX,CY inside the 656 x 1024 portrait card (kind 0 or 1, 2 "
               "empty; CX and CY count columns and lines after the first); up to four",
       .ipp_attribute = "ymcko-overlay-areas",
       .flag = "overlay",
       .read = read_overlay_areas,
       .write = write_overlay_areas},
      {.key = "p_command_form",
       .kind = K::integer,
       .target = T::devmode_private,
       .min = 0,
       .max = 65535,
       .help = "1 sends the D form of the P command, other values the L form (0 to 65535)",
       .ipp_attribute = "ymcko-p-command-form",
       .read = read_number<&DRVPRIVATE::wPCommandForm>,
       .write = write_number<&DRVPRIVATE::wPCommandForm>},
      {.key = "job_r_value",
       .kind = K::integer,
       .target = T::printer_property,
       .min = 0,
       .max = 65535,
       .help = "number that opens every job, 0 to 65535 (printer property)",
       .ipp_attribute = "ymcko-job-r-value",
       .read = read_job_r_value,
       .write = write_job_r_value},
      {.key = "mag_encoder",
       .kind = K::boolean,
       .target = T::printer_property,
       .help = "magnetic stripe encoder fitted (printer property)",
       .ppd_keyword = "MagEncoder",
       .ipp_attribute = "ymcko-mag-encoder",
       .read = read_mag_encoder,
       .write = write_mag_encoder},
      {.key = "mag_mode",
       .kind = K::choice,
       .target = T::stripe,
       .choices = {"Q", "R", "W"},
       .help = "magnetic stripe mode Q, R or W",
       .ipp_attribute = "ymcko-mag-mode",
       .read = read_mag_mode,
       .write = nullptr},
      {.key = "mag_format",
       .kind = K::choice,
       .target = T::stripe,
       .choices = {"iso", "raw"},
       .help = "magnetic track format: iso checks each track as ISO 7811 lays it out, raw takes "
               "the printable text of a format of your own",
       .ppd_keyword = "MagFormat",
       .ppd_labels = {"ISO 7811", "Raw"},
       .ipp_attribute = "ymcko-mag-format",
       .read = read_mag_format,
       .write = nullptr},
      {.key = "track1",
       .kind = K::text,
       .target = T::stripe,
       .max = 99,
       .help = "magnetic track 1 text, at most 99 characters",
       .ipp_attribute = "ymcko-track1",
       .personal = true,
       .read = read_track<TRACK1_CHARS, &DRVPRIVATE::awcTrack1>,
       .write = nullptr},
      {.key = "track2",
       .kind = K::text,
       .target = T::stripe,
       .max = 79,
       .help = "magnetic track 2 text, at most 79 characters",
       .ipp_attribute = "ymcko-track2",
       .personal = true,
       .read = read_track<TRACK2_CHARS, &DRVPRIVATE::awcTrack2>,
       .write = nullptr},
      {.key = "track3",
       .kind = K::text,
       .target = T::stripe,
       .max = 149,
       .help = "magnetic track 3 text, at most 149 characters",
       .ipp_attribute = "ymcko-track3",
       .personal = true,
       .read = read_track<TRACK3_CHARS, &DRVPRIVATE::awcTrack3>,
       .write = nullptr},
      {.key = "orientation",
       .kind = K::choice,
       .target = T::devmode,
       .choices = {"landscape", "portrait"},
       .help = "page orientation: landscape or portrait",
       .ipp_attribute = "orientation-requested",
       .read = read_orientation,
       .write = write_orientation},
      // After the orientation, which they are turned by.
      {.key = "held_print_rect",
       .kind = K::rectangle,
       .target = T::devmode_private,
       .help = "printed rectangle X,Y,WIDTH,HEIGHT on the card as held, from its upper-left "
               "corner; instead of print_rect",
       .held_of = "print_rect",
       .read = read_held_print_rect,
       .write = write_held_print_rect},
      {.key = "held_overlay_areas",
       .kind = K::overlay_list,
       .target = T::devmode_private,
       .help = "overlay area KIND,X,Y,WIDTH,HEIGHT on the card as held, from its upper-left "
               "corner (kind 0 or 1, 2 empty); up to four; instead of overlay_areas",
       .flag = "held-overlay",
       .held_of = "overlay_areas",
       .read = read_held_overlay_areas,
       .write = write_held_overlay_areas},
  };
  return table;
}

// ---- Checks, from JSON values --------------------------------------------

// The card's long edge: every held value lies within it in either
// orientation.
constexpr std::int64_t kLongEdge = kPanelLines;

Rect held_rectangle(const json& value, std::string_view key) {
  const json& list = json_array(value, key, 4, "[x, y, width, height]");
  std::int64_t x = json_integer(list[0], key, 0, kLongEdge - 1, "x");
  std::int64_t y = json_integer(list[1], key, 0, kLongEdge - 1, "y");
  std::int64_t width = json_integer(list[2], key, 1, kLongEdge, "width");
  std::int64_t height = json_integer(list[3], key, 1, kLongEdge, "height");
  if (x + width > kLongEdge || y + height > kLongEdge) {
    throw Error(std::string(key), "the rectangle must lie inside the card: x + width is " +
                                      std::to_string(x + width) + " and y + height is " +
                                      std::to_string(y + height) + " (at most 1024)");
  }
  return {int(x), int(y), int(width), int(height)};
}

std::vector<OverlayArea> held_overlay_list(const json& value, std::string_view key) {
  if (!value.is_array() || value.size() > 4) {
    throw Error(std::string(key),
                "the value must be an array of up to four [kind, x, y, width, height], not " +
                    (value.is_array() ? "an array of " + std::to_string(value.size())
                                      : json_type_of(value)));
  }
  std::vector<OverlayArea> areas;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::string item = std::string(key) + "[" + std::to_string(i) + "]";
    const json& list = json_array(value[i], item, 5, "[kind, x, y, width, height]");
    const int kind = int(json_integer(list[0], item, 0, 2, "kind"));
    const Rect box = held_rectangle(json::array({list[1], list[2], list[3], list[4]}), item);
    areas.push_back({kind, box.x, box.y, box.cx, box.cy});
  }
  return areas;
}

Rect rectangle(const json& value, std::string_view key) {
  const json& list = json_array(value, key, 4, "[x, y, cx, cy]");
  std::int64_t x = json_integer(list[0], key, 0, kPanelWidth - 1, "x");
  std::int64_t y = json_integer(list[1], key, 0, kPanelHeight - 1, "y");
  std::int64_t cx = json_integer(list[2], key, 1, kPanelWidth, "cx");
  std::int64_t cy = json_integer(list[3], key, 1, kPanelHeight, "cy");
  if (x + cx > kPanelWidth || y + cy > kPanelHeight) {
    throw Error(std::string(key), "the rectangle must lie inside 656 x 1024: x + cx is " +
                                      std::to_string(x + cx) + " and y + cy is " +
                                      std::to_string(y + cy));
  }
  return {int(x), int(y), int(cx), int(cy)};
}

std::vector<OverlayArea> overlay_list(const json& value, std::string_view key) {
  if (!value.is_array() || value.size() > 4) {
    throw Error(std::string(key),
                "the value must be an array of up to four [kind, x, y, cx, cy], not " +
                    (value.is_array() ? "an array of " + std::to_string(value.size())
                                      : json_type_of(value)));
  }
  std::vector<OverlayArea> areas;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::string item = std::string(key) + "[" + std::to_string(i) + "]";
    const json& list = json_array(value[i], item, 5, "[kind, x, y, cx, cy]");
    OverlayArea area;
    area.kind = int(json_integer(list[0], item, 0, 2, "kind"));
    std::int64_t x = json_integer(list[1], item, 0, kPanelWidth - 1, "x");
    std::int64_t y = json_integer(list[2], item, 0, kPanelHeight - 1, "y");
    std::int64_t cx = json_integer(list[3], item, 0, kPanelWidth - 1, "cx");
    std::int64_t cy = json_integer(list[4], item, 0, kPanelHeight - 1, "cy");
    // cx and cy count the columns and lines after the first.
    if (x + cx > kPanelWidth - 1 || y + cy > kPanelHeight - 1) {
      throw Error(item, "the area must lie inside 656 x 1024: its last column x + cx is " +
                            std::to_string(x + cx) + " (at most 655) and its last line y + cy is " +
                            std::to_string(y + cy) + " (at most 1023)");
    }
    area.x = int(x);
    area.y = int(y);
    area.cx = int(cx);
    area.cy = int(cy);
    areas.push_back(area);
  }
  return areas;
}

std::string choice(const json& value, const Setting& row) {
  const std::string& given = json_string(value, row.key);
  std::string listed;
  for (std::string_view option : row.choices) {
    if (given == option) return given;
    listed += (listed.empty() ? "\"" : ", \"") + std::string(option) + "\"";
  }
  throw Error(std::string(row.key),
              "the value must be one of " + listed + ", not \"" + given + "\"");
}

// The row's check of a JSON value, giving the value kept.
SettingValue checked(const Setting& row, const json& value) {
  switch (row.kind) {
    case SettingKind::integer:
      return json_integer(value, row.key, row.min, row.max);
    case SettingKind::boolean:
      return json_boolean(value, row.key);
    case SettingKind::rectangle:
      return row.held_of.empty() ? rectangle(value, row.key) : held_rectangle(value, row.key);
    case SettingKind::overlay_list:
      return row.held_of.empty() ? overlay_list(value, row.key) : held_overlay_list(value, row.key);
    case SettingKind::choice:
      return choice(value, row);
    case SettingKind::text: {
      const int track = row.key.back() - '0';
      return check_track_text(track, json_string(value, row.key));
    }
  }
  return std::int64_t{0};
}

json to_json(const SettingValue& value) {
  struct Visit {
    json operator()(std::int64_t v) const { return v; }
    json operator()(bool v) const { return v; }
    json operator()(const Rect& r) const { return json::array({r.x, r.y, r.cx, r.cy}); }
    json operator()(const std::vector<OverlayArea>& areas) const {
      json list = json::array();
      for (const OverlayArea& a : areas)
        list.push_back(json::array({a.kind, a.x, a.y, a.cx, a.cy}));
      return list;
    }
    json operator()(const std::string& text) const { return text; }
  };
  return std::visit(Visit{}, value);
}

const Setting& row_of(std::string_view key) {
  const Setting* row = find_setting(key);
  if (row == nullptr) {
    throw Error(std::string(key), "unknown key; `ymcko print --help` lists the settings keys");
  }
  return *row;
}

// ---- Flag texts -----------------------------------------------------------

std::int64_t parse_integer(std::string_view key, std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end) {
    throw Error(std::string(key), "\"" + std::string(text) + "\" is not an integer");
  }
  return value;
}

json parse_integer_list(std::string_view key, std::string_view text) {
  json list = json::array();
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    list.push_back(parse_integer(key, text.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return list;
}

json text_value(const Setting& row, std::string_view text) {
  switch (row.kind) {
    case SettingKind::integer:
      return parse_integer(row.key, text);
    case SettingKind::rectangle:
    case SettingKind::overlay_list:
      return parse_integer_list(row.key, text);
    case SettingKind::boolean:
      if (text == "true") return true;
      if (text == "false") return false;
      throw Error(std::string(row.key), "\"" + std::string(text) + "\" is not true or false");
    case SettingKind::text:
    case SettingKind::choice:
      return std::string(text);
  }
  return std::string(text);
}

}  // namespace

// Keeps a value its row has checked.
struct SettingsAccess {
  static void put(CardSettings& settings, std::string_view key, SettingValue value) {
    settings.values_.insert_or_assign(std::string(key), std::move(value));
  }
};

const std::vector<Setting>& settings_table() { return rows(); }

const Setting* find_setting(std::string_view key) {
  for (const Setting& row : rows()) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

std::string dashed_key(std::string_view key) {
  std::string name(key);
  std::replace(name.begin(), name.end(), '_', '-');
  return name;
}

DriverRecords default_records() {
  DriverRecords records;
  write_devmode_defaults(records.devmode, nullptr, false);
  write_printer_data_defaults(records.printer);
  return records;
}

Rect panel_rect(const Rect& held, bool landscape) {
  if (!landscape) return held;
  return {int(kPanelColumns) - held.y - held.cy, held.x, held.cy, held.cx};
}

Rect held_rect(const Rect& panel, bool landscape) {
  if (!landscape) return panel;
  return {panel.y, int(kPanelColumns) - panel.x - panel.cx, panel.cy, panel.cx};
}

OverlayArea panel_area(const OverlayArea& held, bool landscape) {
  const Rect box = panel_rect({held.x, held.y, held.cx, held.cy}, landscape);
  return {held.kind, box.x, box.y, box.cx - 1, box.cy - 1};
}

OverlayArea held_area(const OverlayArea& panel, bool landscape) {
  const Rect box = held_rect({panel.x, panel.y, panel.cx + 1, panel.cy + 1}, landscape);
  return {panel.kind, box.x, box.y, box.cx, box.cy};
}

void write_settings(const CardSettings& settings, SettingTarget target, DriverRecords& records) {
  for (const Setting& row : rows()) {
    if (!row.held_of.empty() && row.target == target && settings.has(row.key) &&
        settings.has(row.held_of)) {
      throw Error(std::string(row.key), "gives the same as " + std::string(row.held_of) +
                                            " on the card as held: give one of them");
    }
  }
  for (const Setting& row : rows()) {
    const SettingValue* value = settings.find(row.key);
    if (value != nullptr && row.target == target && row.write != nullptr)
      row.write(*value, records);
  }
}

SettingValue default_value(const Setting& setting) {
  static const DriverRecords defaults = default_records();
  return setting.read(defaults);
}

const SettingValue* CardSettings::find(std::string_view key) const {
  auto found = values_.find(key);
  return found == values_.end() ? nullptr : &found->second;
}

void CardSettings::set(std::string_view key, SettingValue value, const std::string&, Warnings&) {
  SettingsAccess::put(*this, key, checked(row_of(key), to_json(value)));
}

void CardSettings::override_with(const CardSettings& over) {
  for (const auto& [key, value] : over.values_) {
    // A value as held replaces its portrait twin, and the other way round.
    const Setting& row = row_of(key);
    if (!row.held_of.empty()) values_.erase(std::string(row.held_of));
    for (const Setting& held : rows()) {
      if (held.held_of == key) values_.erase(std::string(held.key));
    }
    values_.insert_or_assign(key, value);
  }
}

bool CardSettings::has_private_settings() const {
  for (const auto& [key, value] : values_) {
    if (row_of(key).target == SettingTarget::devmode_private) return true;
  }
  return false;
}

Stripe CardSettings::stripe() const {
  Stripe stripe;
  if (auto mode = get<std::string>("mag_mode")) stripe.mode = (*mode)[0];
  for (std::size_t t = 0; t < 3; ++t)
    stripe.tracks[t] = get<std::string>("track" + std::to_string(t + 1));
  return stripe;
}

void set_from_json(CardSettings& settings, std::string_view key, std::string_view json_value,
                   const std::string&, Warnings&) {
  const Setting& row = row_of(key);
  json value;
  try {
    value = json::parse(json_value.begin(), json_value.end());
  } catch (const json::exception&) {
    throw Error(std::string(key), "the value is not valid JSON");
  }
  SettingsAccess::put(settings, key, checked(row, value));
}

void set_from_text(CardSettings& settings, std::string_view key, std::span<const std::string> texts,
                   const std::string&, Warnings&) {
  const Setting& row = row_of(key);
  json value;
  if (row.kind == SettingKind::overlay_list) {
    value = json::array();
    for (const std::string& text : texts) value.push_back(text_value(row, text));
  } else if (texts.size() == 1) {
    value = text_value(row, texts.front());
  } else {
    throw Error(std::string(key), "give one value");
  }
  SettingsAccess::put(settings, key, checked(row, value));
}

CardSettings parse_settings(std::string_view json_text, const std::string& input, Warnings&) {
  json document = parse_json_object(json_text, input, "the settings");
  CardSettings settings;
  for (const auto& [key, value] : document.items()) {
    try {
      SettingsAccess::put(settings, key, checked(row_of(key), value));
    } catch (const Error& error) {
      throw Error(input, printable_text(error.input()) + ": " + error.what());
    }
  }
  return settings;
}

CardSettings read_settings_file(const std::filesystem::path& path, Warnings& warnings) {
  std::vector<std::uint8_t> bytes = read_file(path, kSettingsFileLimit);
  return parse_settings(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        path.string(), warnings);
}

}  // namespace ymcko::print
