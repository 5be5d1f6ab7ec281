// Card settings from a job's name=value options.
#include "print/options.h"

#include <cctype>
#include <cstdio>

namespace ymcko::print {
namespace {

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A print system's ways of writing a boolean, as the table's text.
std::string boolean_text(const std::string& value) {
  const std::string word = lower(value);
  if (word == "true" || word == "yes" || word == "on" || word == "1") return "true";
  if (word == "false" || word == "no" || word == "off" || word == "0") return "false";
  return value;
}

// The option's value for a message: control characters (below 0x20, 0x7F)
// written as \xNN, so that the message stays one line whatever was given.
std::string quoted_value(const std::string& value) {
  std::string out;
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string option_name(const Setting& row) {
  return row.ppd_keyword.empty() ? dashed_key(row.key) : std::string(row.ppd_keyword);
}

const Setting* setting_for_option(const std::string& name) {
  for (const Setting& row : settings_table()) {
    if (name == option_name(row)) return &row;
  }
  return nullptr;
}

CardSettings settings_from_options(const std::vector<JobOption>& options, const std::string& input,
                                   Warnings& warnings) {
  CardSettings settings;
  for (const auto& [name, value] : options) {
    const Setting* row = setting_for_option(name);
    if (row == nullptr) continue;
    const std::string text = row->kind == SettingKind::boolean ? boolean_text(value) : value;
    try {
      set_from_text(settings, row->key, std::vector<std::string>{text}, input, warnings);
    } catch (const Error& error) {
      throw Error(input, name + "=" + quoted_value(value) + ": " + error.what());
    }
  }
  return settings;
}

}  // namespace ymcko::print
