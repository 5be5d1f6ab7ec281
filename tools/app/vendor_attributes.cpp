// The settings table's rows as vendor attributes, and attribute values back
// to card settings through the rows' own checks.
#include "app/vendor_attributes.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

#include "app/held_frame.h"

namespace ymcko::app {
namespace {

using print::SettingKind;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// IPP keywords are lower case; a choice is found again by its letters.
std::string keyword_of(std::string_view choice) { return lower(choice); }

// Each vendor setting in an operator's words, where the web interface sets
// it, and the keywords of an integer named by them.
struct Wording {
  std::string_view key;
  std::string_view label;
  SettingPage page;
  std::vector<std::string_view> keywords = {};  // for 0, 1... of an integer
};

const std::vector<Wording>& wordings() {
  static const std::vector<Wording> table = {
      {"side_mode",
       "Card sides",
       SettingPage::defaults,
       {"one-side", "front-and-back", "front-and-black-back"}},
      {"intensity", "Colour intensity (%)", SettingPage::defaults},
      {"yellow_adjust", "Yellow adjustment", SettingPage::defaults},
      {"magenta_adjust", "Magenta adjustment", SettingPage::defaults},
      {"cyan_adjust", "Cyan adjustment", SettingPage::defaults},
      {"saturation", "Saturation (-50 for grey)", SettingPage::defaults},
      {"color_correction", "Colour correction", SettingPage::defaults},
      {"front_color", "Front: colour panels (yellow, magenta, cyan)", SettingPage::defaults},
      {"front_black", "Front: black panel", SettingPage::defaults},
      {"front_overlay", "Front: overlay", SettingPage::defaults},
      {"back_color", "Back: colour panels (yellow, magenta, cyan)", SettingPage::defaults},
      {"back_black", "Back: black panel", SettingPage::defaults},
      {"back_overlay", "Back: overlay", SettingPage::defaults},
      {"print_rect", "Print area", SettingPage::layout},
      {"overlay_areas", "Overlay areas", SettingPage::layout},
      {"p_command_form", "Print command form (1: D form, any other number: L form)",
       SettingPage::setup},
      {"job_r_value", "Job number that opens every job", SettingPage::setup},
      {"start_doc_value1", "Print parameter 1 of every job", SettingPage::setup},
      {"start_doc_value2", "Print parameter 2 of every job", SettingPage::setup},
      {"start_doc_value3", "Print parameter 3 of every job", SettingPage::setup},
      {"mag_encoder", "Magnetic stripe encoder fitted", SettingPage::setup},
      {"mag_mode", "Magnetic stripe", SettingPage::defaults},
      {"mag_format", "Track format (iso: checked as ISO 7811; raw: your own)",
       SettingPage::defaults},
      {"track1", "Track 1 text", SettingPage::none},
      {"track2", "Track 2 text", SettingPage::none},
      {"track3", "Track 3 text", SettingPage::none},
  };
  return table;
}

const Wording* wording_of(std::string_view key) {
  for (const Wording& wording : wordings()) {
    if (wording.key == key) return &wording;
  }
  return nullptr;
}

// The labels of the choices of a choice row, by its keyword.
std::string choice_label(std::string_view key, std::string_view choice) {
  static const std::pair<std::string_view, std::string_view> kLabels[] = {
      {"Q", "Not written (Q)"},
      {"R", "Written, mode R"},
      {"W", "Written, mode W"},
  };
  if (key == "mag_mode") {
    for (const auto& [letter, label] : kLabels) {
      if (letter == choice) return std::string(label);
    }
  }
  return std::string(choice);
}

std::string rect_text(const print::Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.cx) + "," +
         std::to_string(r.cy);
}

// Overlay areas as one text: "kind,x,y,cx,cy" each, separated by ";".
std::string areas_text(const std::vector<print::OverlayArea>& areas) {
  std::string text;
  for (const print::OverlayArea& a : areas) {
    if (!text.empty()) text += ";";
    text += std::to_string(a.kind) + "," + std::to_string(a.x) + "," + std::to_string(a.y) + "," +
            std::to_string(a.cx) + "," + std::to_string(a.cy);
  }
  return text;
}

bool is_string(ipp_tag_t tag) {
  return tag == IPP_TAG_TEXT || tag == IPP_TAG_NAME || tag == IPP_TAG_KEYWORD ||
         tag == IPP_TAG_TEXTLANG || tag == IPP_TAG_NAMELANG;
}

std::string string_value(ipp_attribute_t* attr, int index) {
  const char* text = ippGetString(attr, index, nullptr);
  return text != nullptr ? text : "";
}

// What an attribute of the row's kind must hold, for messages.
const char* syntax_of(SettingKind kind) {
  switch (kind) {
    case SettingKind::integer:
      return "one integer";
    case SettingKind::boolean:
      return "one boolean";
    case SettingKind::choice:
      return "one keyword";
    case SettingKind::text:
      return "one text";
    case SettingKind::rectangle:
      return "a text \"x,y,cx,cy\" or four integers";
    case SettingKind::overlay_list:
      return "texts \"kind,x,y,cx,cy\" (several joined by \";\") or integers in fives";
  }
  return "a value";
}

// One text value (a string attribute's, or a default as the web form or
// Set-Printer-Attributes gives it) as the texts of the setting's flags: a
// boolean's words, a choice by its keyword, an overlay list's areas
// separated by ";"; any other kind as it is.
std::vector<std::string> texts_of_text(const print::Setting& row, const std::string& value) {
  if (const Wording* wording = wording_of(row.key); wording && !wording->keywords.empty()) {
    // A keyword as its number; a number (an older client's) as it is.
    std::string listed;
    for (std::size_t i = 0; i < wording->keywords.size(); ++i) {
      if (wording->keywords[i] == lower(value)) return {std::to_string(row.min + std::int64_t(i))};
      listed +=
          std::string(listed.empty() ? "\"" : ", \"") + std::string(wording->keywords[i]) + "\"";
    }
    if (!value.empty() && value.find_first_not_of("-0123456789") == std::string::npos)
      return {value};
    throw print::Error(std::string(row.ipp_attribute),
                       "the value must be one of " + listed + ", not \"" + value + "\"");
  }
  switch (row.kind) {
    case SettingKind::boolean: {
      const std::string word = lower(value);
      if (word == "true" || word == "yes" || word == "on") return {"true"};
      if (word == "false" || word == "no" || word == "off") return {"false"};
      return {word};  // refused by the row, which names it
    }
    case SettingKind::choice: {
      // Refused here, so that the message names the IPP keywords rather
      // than the table's own spelling of the choices.
      std::string listed;
      for (std::string_view choice : row.choices) {
        if (keyword_of(choice) == lower(value)) return {std::string(choice)};
        listed += (listed.empty() ? "\"" : ", \"") + keyword_of(choice) + "\"";
      }
      throw print::Error(std::string(row.ipp_attribute),
                         "the value must be one of " + listed + ", not \"" + value + "\"");
    }
    case SettingKind::overlay_list: {
      std::vector<std::string> texts;
      for (std::size_t start = 0; start <= value.size();) {
        const std::size_t end = std::min(value.find(';', start), value.size());
        if (end > start) texts.push_back(value.substr(start, end - start));
        start = end + 1;
      }
      return texts;
    }
    default:
      return {value};
  }
}

// The attribute's values as the texts of the setting's flags, or none when
// its syntax is not one the row takes.
std::optional<std::vector<std::string>> texts_of(const print::Setting& row, ipp_attribute_t* attr) {
  const ipp_tag_t tag = ippGetValueTag(attr);
  const int count = ippGetCount(attr);
  if (count < 1) return std::nullopt;
  switch (row.kind) {
    case SettingKind::integer:
      if (count != 1) return std::nullopt;
      if (tag == IPP_TAG_INTEGER)
        return std::vector<std::string>{std::to_string(ippGetInteger(attr, 0))};
      if (!is_string(tag) || wording_of(row.key) == nullptr ||
          wording_of(row.key)->keywords.empty())
        return std::nullopt;
      return texts_of_text(row, string_value(attr, 0));
    case SettingKind::boolean: {
      if (count != 1) return std::nullopt;
      if (tag == IPP_TAG_BOOLEAN)
        return std::vector<std::string>{ippGetBoolean(attr, 0) ? "true" : "false"};
      if (!is_string(tag)) return std::nullopt;
      return texts_of_text(row, string_value(attr, 0));
    }
    case SettingKind::choice:
      if (!is_string(tag) || count != 1) return std::nullopt;
      return texts_of_text(row, string_value(attr, 0));
    case SettingKind::text:
      if (count != 1) return std::nullopt;
      if (tag == IPP_TAG_INTEGER)  // a track of digits, as command lines send it
        return std::vector<std::string>{std::to_string(ippGetInteger(attr, 0))};
      if (!is_string(tag)) return std::nullopt;
      return std::vector<std::string>{string_value(attr, 0)};
    case SettingKind::rectangle:
    case SettingKind::overlay_list: {
      const int group = row.kind == SettingKind::rectangle ? 4 : 5;
      std::vector<std::string> texts;
      if (tag == IPP_TAG_INTEGER) {
        if (count % group != 0 || (row.kind == SettingKind::rectangle && count != group))
          return std::nullopt;
        for (int i = 0; i < count; i += group) {
          std::string text;
          for (int j = 0; j < group; ++j)
            text += (j ? "," : "") + std::to_string(ippGetInteger(attr, i + j));
          texts.push_back(text);
        }
        return texts;
      }
      if (!is_string(tag)) return std::nullopt;
      if (row.kind == SettingKind::rectangle) {
        if (count != 1) return std::nullopt;
        return std::vector<std::string>{string_value(attr, 0)};
      }
      for (int i = 0; i < count; ++i) {
        const std::vector<std::string> areas = texts_of_text(row, string_value(attr, i));
        texts.insert(texts.end(), areas.begin(), areas.end());
      }
      return texts;
    }
  }
  return std::nullopt;
}

}  // namespace

const std::vector<VendorSetting>& vendor_settings() {
  static const std::vector<VendorSetting> settings = [] {
    std::vector<VendorSetting> found;
    for (const print::Setting& row : print::settings_table()) {
      if (!row.ipp_attribute.starts_with("ymcko-")) continue;
      // A row without words of its own (a new one) keeps its help, on the
      // defaults page unless it is the printer's or a job's alone.
      const Wording* wording = wording_of(row.key);
      std::string label(wording ? wording->label : row.help);
      if (!label.empty()) label[0] = char(std::toupper(static_cast<unsigned char>(label[0])));
      SettingPage page = row.personal ? SettingPage::none
                         : row.target == print::SettingTarget::printer_property
                             ? SettingPage::setup
                             : SettingPage::defaults;
      if (wording && !row.personal) page = wording->page;
      std::vector<std::pair<std::string, std::string>> keywords;
      if (wording) {
        for (std::size_t i = 0; i < wording->keywords.size(); ++i) {
          keywords.emplace_back(std::string(wording->keywords[i]),
                                i < row.ppd_labels.size() ? std::string(row.ppd_labels[i])
                                                          : std::string(wording->keywords[i]));
        }
      }
      found.push_back({&row, std::string(row.ipp_attribute), label, page == SettingPage::setup,
                       page == SettingPage::none, page, std::move(keywords)});
    }
    return found;
  }();
  return settings;
}

const std::vector<const char*>& private_attributes() {
  static const std::vector<const char*> names = [] {
    std::vector<const char*> found;
    for (const VendorSetting& setting : vendor_settings()) {
      if (setting.job_only) found.push_back(setting.name.c_str());
    }
    return found;
  }();
  return names;
}

const VendorSetting* find_vendor_setting(std::string_view name) {
  for (const VendorSetting& setting : vendor_settings()) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

bool default_shown(pappl_printer_t*, const char* name, void*) {
  const VendorSetting* setting = find_vendor_setting(name != nullptr ? name : "");
  return setting == nullptr || setting->page == SettingPage::defaults;
}

void add_vendor_attributes(ipp_t* attrs) {
  for (const VendorSetting& setting : vendor_settings()) {
    if (setting.job_only) continue;
    const print::Setting& row = *setting.row;
    const std::string fallback = setting.name + "-default", supported = setting.name + "-supported";
    const print::SettingValue value = print::default_value(row);
    switch (row.kind) {
      case SettingKind::integer: {
        const auto number = std::get<std::int64_t>(value);
        if (!setting.keywords.empty()) {
          std::vector<const char*> keywords;
          for (const auto& [keyword, label] : setting.keywords) keywords.push_back(keyword.c_str());
          ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, fallback.c_str(), nullptr,
                       keywords.at(std::size_t(number - row.min)));
          ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                        int(keywords.size()), nullptr, keywords.data());
          break;
        }
        // The range an operator chooses from, where the row names one
        // narrower than what it takes (the colour adjustments).
        const bool narrower = row.ppd_min != row.ppd_max;
        ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, fallback.c_str(), int(number));
        ippAddRange(attrs, IPP_TAG_PRINTER, supported.c_str(),
                    int(narrower ? row.ppd_min : row.min), int(narrower ? row.ppd_max : row.max));
        break;
      }
      case SettingKind::boolean: {
        ippAddBoolean(attrs, IPP_TAG_PRINTER, fallback.c_str(), std::get<bool>(value));
        const char both[] = {0, 1};
        ippAddBooleans(attrs, IPP_TAG_PRINTER, supported.c_str(), 2, both);
        break;
      }
      case SettingKind::choice: {
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, fallback.c_str(), nullptr,
                     keyword_of(std::get<std::string>(value)).c_str());
        std::vector<std::string> keywords;
        for (std::string_view choice : row.choices) keywords.push_back(keyword_of(choice));
        std::vector<const char*> pointers;
        for (const std::string& keyword : keywords) pointers.push_back(keyword.c_str());
        ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                      int(pointers.size()), nullptr, pointers.data());
        break;
      }
      case SettingKind::text:
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, fallback.c_str(), nullptr,
                     std::get<std::string>(value).c_str());
        break;
      case SettingKind::rectangle:
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, fallback.c_str(), nullptr,
                     rect_text(std::get<print::Rect>(value)).c_str());
        break;
      case SettingKind::overlay_list:
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, fallback.c_str(), nullptr,
                     areas_text(std::get<std::vector<print::OverlayArea>>(value)).c_str());
        break;
    }
  }
}

std::string vendor_strings() {
  std::string strings;
  auto quoted = [](std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return out + "\"";
  };
  for (const VendorSetting& setting : vendor_settings()) {
    strings += quoted(setting.name) + " = " + quoted(setting.label) + ";\n";
    for (std::string_view choice : setting.row->choices) {
      strings += quoted(setting.name + "." + keyword_of(choice)) + " = " +
                 quoted(choice_label(setting.row->key, choice)) + ";\n";
    }
    for (const auto& [keyword, label] : setting.keywords)
      strings += quoted(setting.name + "." + keyword) + " = " + quoted(label) + ";\n";
  }
  return strings;
}

bool check_defaults(pappl_printer_t*, int count, cups_option_t* defaults, char* message,
                    std::size_t message_size, void*) {
  for (int i = 0; i < count; ++i) {
    const std::string name = defaults[i].name, value = defaults[i].value;
    const auto setting = std::find_if(vendor_settings().begin(), vendor_settings().end(),
                                      [&](const VendorSetting& s) { return s.name == name; });
    try {
      if (setting != vendor_settings().end() && setting->job_only) {
        throw print::Error(name,
                           "a stripe's text is a job's own, never a default: every card would "
                           "carry the same stripe; send it with each job");
      }
      if (setting == vendor_settings().end())
        throw print::Error(name, "is no default of the printer");
      print::CardSettings probe;
      print::Warnings ignored;
      print::set_from_text(probe, setting->row->key, texts_of_text(*setting->row, value), name,
                           ignored);
    } catch (const print::Error& error) {
      std::snprintf(message, message_size, "%s-default: %s", name.c_str(), error.what());
      return false;
    }
  }
  return true;
}

void set_from_attribute(print::CardSettings& settings, const VendorSetting& setting,
                        ipp_attribute_t* attr, print::Warnings& warnings) {
  const std::optional<std::vector<std::string>> texts = texts_of(*setting.row, attr);
  if (!texts) {
    // What was given: its syntax, and how many values when more than one.
    const int count = ippGetCount(attr);
    const std::string tag = ippTagString(ippGetValueTag(attr));
    throw print::Error(setting.name,
                       std::string("takes ") +
                           (setting.keywords.empty() ? syntax_of(setting.row->kind)
                                                     : "one keyword (or its number)") +
                           ", not " +
                           (count == 1 ? tag : std::to_string(count) + " values (" + tag + ")"));
  }
  try {
    print::set_from_text(settings, setting.row->key, *texts, setting.name, warnings);
  } catch (const print::Error& error) {
    throw print::Error(setting.name, error.what());
  }
}

print::CardSettings job_settings(ipp_t* defaults, const AttributeLookup& job,
                                 print::Warnings& warnings) {
  print::CardSettings settings;
  for (const VendorSetting& setting : vendor_settings()) {
    if (defaults != nullptr && !setting.job_only) {
      const std::string name = setting.name + "-default";
      if (ipp_attribute_t* attr = ippFindAttribute(defaults, name.c_str(), IPP_TAG_ZERO)) {
        // Only a default changed from the driver's is given, so that an
        // unchanged printer makes the jobs the tool makes.
        print::CardSettings scratch;
        try {
          set_from_attribute(scratch, setting, attr, warnings);
        } catch (const print::Error& error) {
          throw print::Error("the printer's default " + error.input(), error.what());
        }
        if (*scratch.find(setting.row->key) != print::default_value(*setting.row))
          settings.override_with(scratch);
      }
    }
    if (ipp_attribute_t* attr = job(setting.name)) {
      if (setting.printer_only) {
        throw print::Error(setting.name,
                           "is a setting of the printer: set it on the printer's set-up page");
      }
      set_from_attribute(settings, setting, attr, warnings);
    }
  }
  return settings;
}

std::string value_in_words(const VendorSetting& setting, const print::SettingValue& value,
                           bool landscape) {
  struct Words {
    const VendorSetting& setting;
    bool landscape;
    std::string operator()(std::int64_t number) const {
      const std::size_t index = std::size_t(number - setting.row->min);
      if (!setting.keywords.empty() && number >= setting.row->min &&
          index < setting.keywords.size())
        return setting.keywords[index].second;
      return std::to_string(number);
    }
    std::string operator()(bool flag) const { return flag ? "yes" : "no"; }
    std::string operator()(const print::Rect& rect) const {
      const HeldRect r = as_held(rect, landscape);
      return "from " + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " +
             std::to_string(r.width) + " x " + std::to_string(r.height) + " dots";
    }
    std::string operator()(const std::vector<print::OverlayArea>& areas) const {
      if (areas.empty()) return "none (the whole card)";
      std::string text;
      for (const print::OverlayArea& area : areas) {
        const HeldRect r = area_as_held(area, landscape);
        text += (text.empty() ? "" : "; ") + std::string(area.kind == 2 ? "empty" : "kind ") +
                (area.kind == 2 ? "" : std::to_string(area.kind)) + " from " + std::to_string(r.x) +
                ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + " x " +
                std::to_string(r.height) + " dots";
      }
      return text;
    }
    std::string operator()(const std::string& text) const {
      return choice_label(setting.row->key, text);
    }
  };
  return std::visit(Words{setting, landscape}, value);
}

std::string default_text(const VendorSetting& setting, const print::SettingValue& value) {
  struct Text {
    const VendorSetting& setting;
    std::string operator()(std::int64_t number) const {
      const std::size_t index = std::size_t(number - setting.row->min);
      if (!setting.keywords.empty() && number >= setting.row->min &&
          index < setting.keywords.size())
        return setting.keywords[index].first;
      return std::to_string(number);
    }
    std::string operator()(bool flag) const { return flag ? "true" : "false"; }
    std::string operator()(const print::Rect& rect) const { return rect_text(rect); }
    std::string operator()(const std::vector<print::OverlayArea>& areas) const {
      return areas_text(areas);
    }
    std::string operator()(const std::string& text) const { return keyword_of(text); }
  };
  return std::visit(Text{setting}, value);
}

std::vector<std::pair<std::string, std::string>> setting_choices(const VendorSetting& setting) {
  if (!setting.keywords.empty()) return setting.keywords;
  std::vector<std::pair<std::string, std::string>> choices;
  if (setting.row->kind == SettingKind::choice) {
    for (std::string_view choice : setting.row->choices)
      choices.emplace_back(keyword_of(choice), choice_label(setting.row->key, choice));
  }
  return choices;
}

void set_from_text(print::CardSettings& settings, const VendorSetting& setting,
                   const std::string& text, print::Warnings& warnings) {
  try {
    print::set_from_text(settings, setting.row->key, texts_of_text(*setting.row, text),
                         setting.name, warnings);
  } catch (const print::Error& error) {
    throw print::Error(setting.label, error.what());
  }
}

print::SettingValue printer_default(ipp_t* defaults, const VendorSetting& setting) {
  const std::string name = setting.name + "-default";
  if (ipp_attribute_t* attr =
          defaults != nullptr ? ippFindAttribute(defaults, name.c_str(), IPP_TAG_ZERO) : nullptr) {
    print::CardSettings scratch;
    print::Warnings ignored;
    try {
      set_from_attribute(scratch, setting, attr, ignored);
      return *scratch.find(setting.row->key);
    } catch (const print::Error&) {
      // The driver's own, as a job would fail on it and say so.
    }
  }
  return print::default_value(*setting.row);
}

}  // namespace ymcko::app
