// The card settings as one table: one row per setting, with its key, kind,
// range, help, default and where it lands (the device mode the driver takes,
// the printer's stored properties, or the stripe escapes), and the names the
// other front ends give it (a PPD keyword, an IPP attribute). The JSON
// settings file, the tool's flags, the device mode and the choice of which
// settings need the driver's private part all come from these rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "print/errors.h"
#include "print/stripe.h"

namespace ymcko::print {

// How a setting's value is written, in JSON and on a command line.
enum class SettingKind {
  integer,       // a number from min to max
  boolean,       // true or false
  rectangle,     // [x, y, cx, cy] inside the 656 x 1024 portrait card, or held
  overlay_list,  // up to four [kind, x, y, cx, cy], or held
  text,          // a magnetic track's text
  choice,        // one of the row's choices
};

// Where a setting lands.
enum class SettingTarget {
  devmode,           // the public part of the device mode (copies, orientation)
  devmode_private,   // the driver's private card-job part
  printer_property,  // the printer's stored properties record
  stripe,            // the magnetic-stripe escapes of each card
};

// The print rectangle in panel pixels, card portrait.
struct Rect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool operator==(const Rect&) const = default;
};

// An overlay area in panel pixels, card portrait: kind 0 or 1 is sent, 2 is
// empty; cx and cy count the columns and lines after the first.
struct OverlayArea {
  int kind = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool operator==(const OverlayArea&) const = default;
};

// A setting's value: integer, boolean, rectangle, overlay list, or text
// (tracks and choices).
using SettingValue = std::variant<std::int64_t, bool, Rect, std::vector<OverlayArea>, std::string>;

struct DriverRecords;  // the driver's device mode and properties record

// One row of the table.
struct Setting {
  std::string_view key;  // the JSON key; the flag is "--" and the key with "-" for "_"
  SettingKind kind;
  SettingTarget target;
  std::int64_t min = 0;  // integers
  std::int64_t max = 0;
  std::vector<std::string_view> choices = {};  // choices
  std::string_view help = {};
  std::string_view ppd_keyword = {};  // empty when the setting is no PPD option
  // The integers a PPD offers as choices: ppd_min to ppd_max (0 and 0: the
  // row's range) in steps of ppd_step (0: 1), labelled by ppd_labels in order.
  std::int64_t ppd_min = 0;
  std::int64_t ppd_max = 0;
  std::int64_t ppd_step = 0;
  std::vector<std::string_view> ppd_labels = {};
  std::string_view ipp_attribute = {};  // the printer application's attribute
  // The flag's name after "--" when it is not the dashed key.
  std::string_view flag = {};
  // A rectangle or overlay list measured on the card as it is held, in the
  // job's orientation: x and y from the card's upper-left corner, then width
  // and height, in dots. It stands for the portrait row of `held_of`.
  std::string_view held_of = {};
  // Personal data (a stripe's text): a job's alone, never a stored default,
  // never shown back.
  bool personal = false;
  // The value the driver's records hold; from the driver's default records
  // this is the setting's default.
  SettingValue (*read)(const DriverRecords& records) = nullptr;
  // Writes the value into the records; null for stripe settings, which
  // travel as escapes.
  void (*write)(const SettingValue& value, DriverRecords& records) = nullptr;
};

// Every row, in the order of the help text.
const std::vector<Setting>& settings_table();

// The row of a key, or null.
const Setting* find_setting(std::string_view key);

// A key as flags and job options write it: "mag_mode" as "mag-mode".
std::string dashed_key(std::string_view key);

// The setting's default: what the driver's default records hold.
SettingValue default_value(const Setting& setting);

// A rectangle measured on the card as held (x and y from its upper-left
// corner, cx and cy its width and height, in dots) as the panel's portrait
// rectangle, and back. A landscape card's panel lines run across it from its
// left edge and its columns up from its lower edge.
Rect panel_rect(const Rect& held, bool landscape);
Rect held_rect(const Rect& panel, bool landscape);

// An overlay area as held (width and height) as the panel's area (cx and cy
// count the columns and lines after the first), and back.
OverlayArea panel_area(const OverlayArea& held, bool landscape);
OverlayArea held_area(const OverlayArea& panel, bool landscape);

// Card settings as given: every setting is optional, and an absent one keeps
// the driver's default. Values held here have passed their row's checks.
class CardSettings {
 public:
  // The value given for a key, or null.
  const SettingValue* find(std::string_view key) const;
  template <class T>
  std::optional<T> get(std::string_view key) const {
    const SettingValue* value = find(key);
    if (value == nullptr) return std::nullopt;
    return std::get<T>(*value);
  }
  bool has(std::string_view key) const { return find(key) != nullptr; }

  // Checks a value against its row and keeps it; throws Error naming
  // the key. A track's text is checked here for the printer; whether the
  // job can write it, and in its format, is check_stripe's (the other
  // settings of the job decide). `input` and `warnings` are for warnings
  // a setting may give its input; none gives one now.
  void set(std::string_view key, SettingValue value, const std::string& input, Warnings& warnings);

  // Every setting given in `over` replaces this one's.
  void override_with(const CardSettings& over);

  // True when any setting given lands in the driver's private part.
  bool has_private_settings() const;

  // The stripe part: mode and tracks, each only when given.
  Stripe stripe() const;

  const std::map<std::string, SettingValue, std::less<>>& values() const { return values_; }

 private:
  friend struct SettingsAccess;
  std::map<std::string, SettingValue, std::less<>> values_;
};

// Sets `key` from JSON text (the value alone, as it would stand in a
// settings file) after checking its type and range; throws Error
// naming the key, also for an unknown key.
void set_from_json(CardSettings& settings, std::string_view key, std::string_view json_value,
                   const std::string& input, Warnings& warnings);

// Sets `key` from the text of flags: integers and comma-separated integer
// lists are parsed strictly, booleans are "true" or "false", other kinds are
// the text itself. An overlay list takes one area per text, every other kind
// exactly one text. Throws Error naming the key.
void set_from_text(CardSettings& settings, std::string_view key, std::span<const std::string> texts,
                   const std::string& input, Warnings& warnings);

// A settings object from JSON text; errors name `input` and the key.
CardSettings parse_settings(std::string_view json_text, const std::string& input,
                            Warnings& warnings);

// A settings file.
CardSettings read_settings_file(const std::filesystem::path& path, Warnings& warnings);

}  // namespace ymcko::print
