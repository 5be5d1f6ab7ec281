// Settings keys, their checks, and their way into the driver's records.
#include "ymcko/job_settings.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include <nlohmann/json.hpp>

#include "ymcko/image_io.h"
#include "ymcko/json_value.h"

namespace ymcko::tool {
namespace {

using nlohmann::json;

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Panel size in pixels; rectangles and areas use it with the card portrait.
constexpr std::int64_t kPanelWidth = 656;
constexpr std::int64_t kPanelHeight = 1024;

std::array<WORD, 4> rectangle(const json& value, std::string_view key) {
  const json& list = json_array(value, key, 4, "[x, y, cx, cy]");
  std::int64_t x = json_integer(list[0], key, 0, kPanelWidth - 1, "x");
  std::int64_t y = json_integer(list[1], key, 0, kPanelHeight - 1, "y");
  std::int64_t cx = json_integer(list[2], key, 1, kPanelWidth, "cx");
  std::int64_t cy = json_integer(list[3], key, 1, kPanelHeight, "cy");
  if (x + cx > kPanelWidth || y + cy > kPanelHeight) {
    throw SettingError(std::string(key), "the rectangle must lie inside 656 x 1024: x + cx is " +
                                             std::to_string(x + cx) + " and y + cy is " +
                                             std::to_string(y + cy));
  }
  return {WORD(x), WORD(y), WORD(cx), WORD(cy)};
}

std::vector<OVERLAYAREA> overlay_list(const json& value, std::string_view key) {
  if (!value.is_array() || value.size() > OVERLAY_AREA_COUNT) {
    throw SettingError(std::string(key),
                       "the value must be an array of up to four [kind, x, y, cx, cy], not " +
                           (value.is_array() ? "an array of " + std::to_string(value.size())
                                             : json_type_of(value)));
  }
  std::vector<OVERLAYAREA> areas;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::string item = std::string(key) + "[" + std::to_string(i) + "]";
    const json& list = json_array(value[i], item, 5, "[kind, x, y, cx, cy]");
    OVERLAYAREA area{};
    area.wKind = WORD(json_integer(list[0], item, 0, 2, "kind"));
    std::int64_t x = json_integer(list[1], item, 0, kPanelWidth - 1, "x");
    std::int64_t y = json_integer(list[2], item, 0, kPanelHeight - 1, "y");
    std::int64_t cx = json_integer(list[3], item, 0, kPanelWidth - 1, "cx");
    std::int64_t cy = json_integer(list[4], item, 0, kPanelHeight - 1, "cy");
    // cx and cy count the columns and lines after the first.
    if (x + cx > kPanelWidth - 1 || y + cy > kPanelHeight - 1) {
      throw SettingError(item, "the area must lie inside 656 x 1024: its last column x + cx is " +
                                   std::to_string(x + cx) +
                                   " (at most 655) and its last line y + cy is " +
                                   std::to_string(y + cy) + " (at most 1023)");
    }
    area.x = WORD(x);
    area.y = WORD(y);
    area.cx = WORD(cx);
    area.cy = WORD(cy);
    areas.push_back(area);
  }
  return areas;
}

std::string choice(const json& value, std::string_view key,
                   std::initializer_list<std::string_view> choices) {
  const std::string& given = json_string(value, key);
  std::string listed;
  for (std::string_view option : choices) {
    if (given == option) return given;
    listed += (listed.empty() ? "\"" : ", \"") + std::string(option) + "\"";
  }
  throw SettingError(std::string(key),
                     "the value must be one of " + listed + ", not \"" + given + "\"");
}

using Setter = void (*)(JobSettings&, const json&, std::string_view key, const std::string& input,
                        Warnings&);

struct KeyEntry {
  SettingKey key;
  Setter set;
};

template <std::optional<LONG> JobSettings::*field>
void set_int32(JobSettings& s, const json& v, std::string_view key, const std::string&, Warnings&) {
  s.*field = LONG(json_integer(v, key, kInt32Min, kInt32Max));
}

template <std::optional<bool> JobSettings::*field>
void set_bool(JobSettings& s, const json& v, std::string_view key, const std::string&, Warnings&) {
  s.*field = json_boolean(v, key);
}

template <int track>
void set_track(JobSettings& s, const json& v, std::string_view key, const std::string& input,
               Warnings& warnings) {
  std::vector<std::string> notes;
  s.tracks[track - 1] = check_track_text(track, json_string(v, key), notes);
  for (auto& note : notes) warnings.push_back({input, std::string(key) + ": " + note});
}

const std::vector<KeyEntry>& key_entries() {
  static const std::vector<KeyEntry> entries = {
      {{"side_mode", SettingKind::integer,
        "card sides: 0 every page a new card, 1 front and back, 2 as 1 with the back black only"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.side_mode = WORD(json_integer(v, k, 0, 2));
       }},
      {{"copies", SettingKind::integer, "copies of every card, 1 to 999"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.copies = SHORT(json_integer(v, k, 1, 999));
       }},
      {{"intensity", SettingKind::integer, "colour intensity in percent, 0 to 100"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.intensity = LONG(json_integer(v, k, 0, 100));
       }},
      {{"start_doc_value1", SettingKind::integer, "first print parameter of the job"},
       set_int32<&JobSettings::start_doc_value1>},
      {{"start_doc_value2", SettingKind::integer, "second print parameter of the job"},
       set_int32<&JobSettings::start_doc_value2>},
      {{"start_doc_value3", SettingKind::integer, "third print parameter of the job"},
       set_int32<&JobSettings::start_doc_value3>},
      {{"yellow_adjust", SettingKind::integer, "yellow gain adjustment of colour correction"},
       set_int32<&JobSettings::yellow_adjust>},
      {{"magenta_adjust", SettingKind::integer, "magenta gain adjustment of colour correction"},
       set_int32<&JobSettings::magenta_adjust>},
      {{"cyan_adjust", SettingKind::integer, "cyan gain adjustment of colour correction"},
       set_int32<&JobSettings::cyan_adjust>},
      {{"saturation", SettingKind::integer,
        "saturation of colour correction; 0 keeps it, -50 makes grey"},
       set_int32<&JobSettings::saturation>},
      {{"color_correction", SettingKind::boolean, "correct the colours before separating them"},
       set_bool<&JobSettings::color_correction>},
      {{"front_color", SettingKind::boolean, "print the colour panels on the front"},
       set_bool<&JobSettings::front_color>},
      {{"front_black", SettingKind::boolean, "print the black panel on the front"},
       set_bool<&JobSettings::front_black>},
      {{"front_overlay", SettingKind::boolean, "print the overlay on the front"},
       set_bool<&JobSettings::front_overlay>},
      {{"back_color", SettingKind::boolean, "print the colour panels on the back"},
       set_bool<&JobSettings::back_color>},
      {{"back_black", SettingKind::boolean, "print the black panel on the back"},
       set_bool<&JobSettings::back_black>},
      {{"back_overlay", SettingKind::boolean, "print the overlay on the back"},
       set_bool<&JobSettings::back_overlay>},
      {{"print_rect", SettingKind::rectangle,
        "printed rectangle X,Y,CX,CY inside the 656 x 1024 portrait card"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.print_rect = rectangle(v, k);
       }},
      {{"overlay_areas", SettingKind::overlay_list,
        "overlay area KIND,X,Y,CX,CY (kind 0 or 1, 2 empty; CX and CY count columns and lines "
        "after the first); up to four"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.overlay_areas = overlay_list(v, k);
       }},
      {{"p_command_form", SettingKind::integer,
        "1 sends the D form of the P command, other values the L form (0 to 65535)"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.p_command_form = WORD(json_integer(v, k, 0, 65535));
       }},
      {{"job_r_value", SettingKind::integer,
        "number that opens every job, 0 to 65535 (printer property)"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.job_r_value = WORD(json_integer(v, k, 0, 65535));
       }},
      {{"mag_encoder", SettingKind::boolean,
        "the printer has a magnetic-stripe encoder (printer property)"},
       set_bool<&JobSettings::mag_encoder>},
      {{"mag_mode", SettingKind::choice, "magnetic stripe mode Q, R or W"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.mag_mode = choice(v, k, {"Q", "R", "W"})[0];
       }},
      {{"track1", SettingKind::text, "magnetic track 1 text, at most 99 characters"}, set_track<1>},
      {{"track2", SettingKind::text, "magnetic track 2 text, at most 79 characters"}, set_track<2>},
      {{"track3", SettingKind::text, "magnetic track 3 text, at most 149 characters"},
       set_track<3>},
      {{"orientation", SettingKind::choice, "page orientation: landscape or portrait"},
       [](JobSettings& s, const json& v, std::string_view k, const std::string&, Warnings&) {
         s.orientation = choice(v, k, {"landscape", "portrait"}) == "portrait"
                             ? Orientation::portrait
                             : Orientation::landscape;
       }},
  };
  return entries;
}

const KeyEntry* find_key(std::string_view key) {
  for (const KeyEntry& entry : key_entries()) {
    if (entry.key.key == key) return &entry;
  }
  return nullptr;
}

std::int64_t parse_flag_integer(std::string_view key, std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end) {
    throw SettingError(std::string(key), "\"" + std::string(text) + "\" is not an integer");
  }
  return value;
}

json parse_flag_list(std::string_view key, std::string_view text) {
  json list = json::array();
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    list.push_back(parse_flag_integer(key, text.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return list;
}

template <class T>
void take(std::optional<T>& into, const std::optional<T>& from) {
  if (from) into = from;
}

}  // namespace

const std::vector<SettingKey>& setting_keys() {
  static const std::vector<SettingKey> keys = [] {
    std::vector<SettingKey> list;
    for (const KeyEntry& entry : key_entries()) list.push_back(entry.key);
    return list;
  }();
  return keys;
}

void set_setting(JobSettings& settings, std::string_view key, const json& value,
                 const std::string& input, Warnings& warnings) {
  const KeyEntry* entry = find_key(key);
  if (entry == nullptr) {
    throw SettingError(std::string(key),
                       "unknown key; `ymcko print --help` lists the settings keys");
  }
  entry->set(settings, value, key, input, warnings);
}

json flag_value(std::string_view key, std::string_view text) {
  const KeyEntry* entry = find_key(key);
  if (entry == nullptr) throw SettingError(std::string(key), "unknown setting");
  switch (entry->key.kind) {
    case SettingKind::integer:
      return parse_flag_integer(key, text);
    case SettingKind::rectangle:
      return parse_flag_list(key, text);
    case SettingKind::overlay_list:
      return json::array({parse_flag_list(key, text)});
    case SettingKind::boolean:
      if (text == "true") return true;
      if (text == "false") return false;
      throw SettingError(std::string(key), "\"" + std::string(text) + "\" is not true or false");
    case SettingKind::text:
    case SettingKind::choice:
      return std::string(text);
  }
  return std::string(text);
}

JobSettings parse_settings(std::string_view json_text, const std::string& input,
                           Warnings& warnings) {
  json document = parse_json_object(json_text, input, "the settings");
  JobSettings settings;
  for (const auto& [key, value] : document.items()) {
    try {
      set_setting(settings, key, value, input, warnings);
    } catch (const SettingError& error) {
      throw ToolError(input, error.key() + ": " + error.what());
    }
  }
  return settings;
}

JobSettings read_settings_file(const std::filesystem::path& path, Warnings& warnings) {
  std::vector<std::uint8_t> bytes = read_file(path);
  return parse_settings(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        path.string(), warnings);
}

void override_settings(JobSettings& base, const JobSettings& over) {
  take(base.side_mode, over.side_mode);
  take(base.copies, over.copies);
  take(base.intensity, over.intensity);
  take(base.start_doc_value1, over.start_doc_value1);
  take(base.start_doc_value2, over.start_doc_value2);
  take(base.start_doc_value3, over.start_doc_value3);
  take(base.yellow_adjust, over.yellow_adjust);
  take(base.magenta_adjust, over.magenta_adjust);
  take(base.cyan_adjust, over.cyan_adjust);
  take(base.saturation, over.saturation);
  take(base.color_correction, over.color_correction);
  take(base.front_color, over.front_color);
  take(base.front_black, over.front_black);
  take(base.front_overlay, over.front_overlay);
  take(base.back_color, over.back_color);
  take(base.back_black, over.back_black);
  take(base.back_overlay, over.back_overlay);
  take(base.print_rect, over.print_rect);
  take(base.overlay_areas, over.overlay_areas);
  take(base.p_command_form, over.p_command_form);
  take(base.job_r_value, over.job_r_value);
  take(base.mag_encoder, over.mag_encoder);
  take(base.mag_mode, over.mag_mode);
  for (std::size_t t = 0; t < 3; ++t) take(base.tracks[t], over.tracks[t]);
  take(base.orientation, over.orientation);
}

void apply_to_devmode(const JobSettings& s, DRVDEVMODE& devmode) {
  DEVMODEW& pub = devmode.dmPublic;
  DRVPRIVATE& priv = devmode.dmPrivate;
  if (s.copies) {
    pub.dmCopies = *s.copies;
    pub.dmFields |= DM_COPIES;
  }
  if (s.orientation) {
    pub.dmOrientation =
        *s.orientation == Orientation::portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    pub.dmFields |= DM_ORIENTATION;
  }
  auto flag = [](const std::optional<bool>& value, DWORD& field) {
    if (value) field = *value ? 1 : 0;
  };
  auto number = [](const auto& value, auto& field) {
    if (value) field = *value;
  };
  number(s.side_mode, priv.wSideMode);
  number(s.intensity, priv.lColorIntensity);
  number(s.start_doc_value1, priv.lStartDocValue1);
  number(s.start_doc_value2, priv.lStartDocValue2);
  number(s.start_doc_value3, priv.lStartDocValue3);
  number(s.yellow_adjust, priv.lYellowAdjust);
  number(s.magenta_adjust, priv.lMagentaAdjust);
  number(s.cyan_adjust, priv.lCyanAdjust);
  number(s.saturation, priv.lSaturation);
  number(s.p_command_form, priv.wPCommandForm);
  flag(s.color_correction, priv.bColorCorrection);
  flag(s.front_color, priv.bFrontColor);
  flag(s.front_black, priv.bFrontBlack);
  flag(s.front_overlay, priv.bFrontOverlay);
  flag(s.back_color, priv.bBackColor);
  flag(s.back_black, priv.bBackBlack);
  flag(s.back_overlay, priv.bBackOverlay);
  if (s.print_rect) {
    priv.xPrint = (*s.print_rect)[0];
    priv.yPrint = (*s.print_rect)[1];
    priv.cxPrint = (*s.print_rect)[2];
    priv.cyPrint = (*s.print_rect)[3];
  }
  if (s.overlay_areas) {
    // The areas given replace all four; the rest become empty records.
    for (std::size_t i = 0; i < OVERLAY_AREA_COUNT; ++i) {
      priv.aOverlayArea[i] = i < s.overlay_areas->size()
                                 ? (*s.overlay_areas)[i]
                                 : OVERLAYAREA{OVERLAY_EMPTY, 0, 0, 655, 1023};
    }
  }
}

bool has_private_settings(const JobSettings& s) {
  return s.side_mode || s.intensity || s.start_doc_value1 || s.start_doc_value2 ||
         s.start_doc_value3 || s.yellow_adjust || s.magenta_adjust || s.cyan_adjust ||
         s.saturation || s.p_command_form || s.color_correction || s.front_color || s.front_black ||
         s.front_overlay || s.back_color || s.back_black || s.back_overlay || s.print_rect ||
         s.overlay_areas;
}

void apply_to_printer_data(const JobSettings& settings, PRINTERDATA& data) {
  if (settings.mag_encoder) data.bMagEncoder = *settings.mag_encoder ? 1 : 0;
  if (settings.job_r_value) data.wJobRValue = *settings.job_r_value;
}

StripeData stripe_data(const JobSettings& settings) { return {settings.mag_mode, settings.tracks}; }

}  // namespace ymcko::tool
