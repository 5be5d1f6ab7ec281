// The card-job settings a person gives the tool, from a JSON file and from
// flags, checked key by key, and how they reach the driver: the device mode,
// the printer's stored properties and the stripe escapes.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "records/devmode.h"
#include "records/printer_data.h"
#include "ymcko/errors.h"
#include "ymcko/stripe.h"

namespace ymcko::tool {

enum class Orientation { portrait, landscape };

// Every setting is optional: an absent one keeps the driver's default.
// Values held here have passed their checks.
struct JobSettings {
  std::optional<WORD> side_mode;
  std::optional<SHORT> copies;
  std::optional<LONG> intensity;
  std::optional<LONG> start_doc_value1;
  std::optional<LONG> start_doc_value2;
  std::optional<LONG> start_doc_value3;
  std::optional<LONG> yellow_adjust;
  std::optional<LONG> magenta_adjust;
  std::optional<LONG> cyan_adjust;
  std::optional<LONG> saturation;
  std::optional<bool> color_correction;
  std::optional<bool> front_color;
  std::optional<bool> front_black;
  std::optional<bool> front_overlay;
  std::optional<bool> back_color;
  std::optional<bool> back_black;
  std::optional<bool> back_overlay;
  std::optional<std::array<WORD, 4>> print_rect;  // x, y, cx, cy
  std::optional<std::vector<OVERLAYAREA>> overlay_areas;
  std::optional<WORD> p_command_form;
  std::optional<WORD> job_r_value;
  std::optional<bool> mag_encoder;
  std::optional<char> mag_mode;
  std::array<std::optional<std::u16string>, 3> tracks;
  std::optional<Orientation> orientation;
};

// How a key's value is written, on the command line as well as in JSON.
enum class SettingKind { integer, boolean, rectangle, overlay_list, text, choice };

struct SettingKey {
  std::string_view key;  // the JSON key; the flag is "--" and the key with "-" for "_"
  SettingKind kind;
  std::string_view help;  // for --help
};

// Every key, in the order of the help text.
const std::vector<SettingKey>& setting_keys();

// Sets `key` from a JSON value after checking its type and range; throws
// SettingError naming the key. Track texts outside their ISO 7811 character
// set add a warning for `input`.
void set_setting(JobSettings& settings, std::string_view key, const nlohmann::json& value,
                 const std::string& input, Warnings& warnings);

// The JSON value a flag's text stands for: integers and comma-separated
// integer lists are parsed strictly, other kinds stay text. Throws
// SettingError when the text is not of the key's kind.
nlohmann::json flag_value(std::string_view key, std::string_view text);

// A settings object from JSON text; errors name `input`.
JobSettings parse_settings(std::string_view json_text, const std::string& input,
                           Warnings& warnings);

// A settings file.
JobSettings read_settings_file(const std::filesystem::path& path, Warnings& warnings);

// Every setting given in `over` replaces the one in `base`.
void override_settings(JobSettings& base, const JobSettings& over);

// Writes the device-mode settings into a whole driver record: the card-job
// fields of the private part, copies and orientation with their dmFields
// bits. The stripe and the printer-wide settings are not device-mode fields.
void apply_to_devmode(const JobSettings& settings, DRVDEVMODE& devmode);

// True when any setting lives in the private card-job part.
bool has_private_settings(const JobSettings& settings);

// Writes mag_encoder and job_r_value into the printer's stored properties.
void apply_to_printer_data(const JobSettings& settings, PRINTERDATA& data);

// The stripe part of the settings.
StripeData stripe_data(const JobSettings& settings);

}  // namespace ymcko::tool
