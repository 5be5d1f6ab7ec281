// Printer files: stored properties, halftone setup and forms from JSON.
#include "print/printer_store.h"

#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

#include "print/driver_records.h"
#include "print/files.h"
#include "print/json_value.h"

namespace ymcko::print {
namespace {

using nlohmann::json;

constexpr std::int64_t kU16Max = std::numeric_limits<std::uint16_t>::max();
constexpr std::int64_t kU32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();

void set_record_field(PRINTERDATA& data, const std::string& key, const json& value) {
  auto u16 = [&](WORD& field) { field = WORD(json_integer(value, key, 0, kU16Max)); };
  auto u32 = [&](DWORD& field) { field = DWORD(json_integer(value, key, 0, kU32Max)); };
  if (key == "wVersion") return u16(data.wVersion);
  if (key == "wSize") return u16(data.wSize);
  if (key == "flPrinter") return u32(data.flPrinter);
  if (key == "dwFreeMem") return u32(data.dwFreeMem);
  if (key == "dwJobTimeout") return u32(data.dwJobTimeout);
  if (key == "dwWaitTimeout") return u32(data.dwWaitTimeout);
  if (key == "wPpdChecksum") return u16(data.wPpdChecksum);
  if (key == "wFeatureCount") {
    data.wFeatureCount = WORD(json_integer(value, key, 0, MAX_PRINTER_STICKY_FEATURES));
    return;
  }
  if (key == "bMagEncoder") return u32(data.bMagEncoder);
  if (key == "wJobRValue") return u16(data.wJobRValue);
  if (key == "abFeatureSel") {
    if (!value.is_array() || value.size() > MAX_PRINTER_STICKY_FEATURES) {
      throw Error(key, "the value must be an array of up to 68 option indices, not " +
                           (value.is_array() ? "an array of " + std::to_string(value.size())
                                             : json_type_of(value)));
    }
    std::memset(data.abFeatureSel, 0xFF, sizeof data.abFeatureSel);
    for (std::size_t i = 0; i < value.size(); ++i) {
      data.abFeatureSel[i] = BYTE(json_integer(value[i], key, 0, 255, "each option index"));
    }
    return;
  }
  throw Error(
      key,
      "unknown key; the keys are the printer properties' field names, \"halftone\" and \"forms\"");
}

std::array<std::uint8_t, kHalftoneSetupSize> halftone_setup(const json& value) {
  const std::string key = "halftone";
  if (!value.is_object())
    throw Error(key, "the value must be an object, not " + json_type_of(value));
  std::array<DWORD, kHalftoneSetupSize / 4> words{};
  bool have[4] = {};
  for (const auto& [name, item] : value.items()) {
    if (name == "flags" || name == "pattern_size" || name == "device_pels") {
      std::size_t index = name == "flags" ? 0 : name == "pattern_size" ? 1 : 2;
      words[index] = DWORD(json_integer(item, key + "." + name, 0, kU32Max));
      have[index] = true;
    } else if (name == "color_info") {
      const json& list = json_array(item, key + "." + name, 30, "an array of 30 integers");
      for (std::size_t i = 0; i < 30; ++i) {
        words[3 + i] =
            DWORD(json_integer(list[i], key + "." + name, kI32Min, kU32Max, "each colour value"));
      }
      have[3] = true;
    } else {
      throw Error(key + "." + name,
                  "unknown key; a halftone setup has flags, pattern_size, device_pels "
                  "and color_info");
    }
  }
  for (std::size_t i = 0; i < 4; ++i) {
    static const char* names[] = {"flags", "pattern_size", "device_pels", "color_info"};
    if (!have[i]) throw Error(key, std::string("the setup lacks \"") + names[i] + "\"");
  }
  std::array<std::uint8_t, kHalftoneSetupSize> bytes{};
  for (std::size_t i = 0; i < words.size(); ++i) {
    for (std::size_t b = 0; b < 4; ++b) bytes[i * 4 + b] = BYTE(words[i] >> (8 * b));
  }
  return bytes;
}

std::vector<StoredForm> forms(const json& value) {
  if (!value.is_array())
    throw Error("forms", "the value must be an array of forms, not " + json_type_of(value));
  std::vector<StoredForm> list;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::string key = "forms[" + std::to_string(i) + "]";
    const json& item = value[i];
    if (!item.is_object()) throw Error(key, "a form must be an object, not " + json_type_of(item));
    StoredForm form;
    bool have_name = false, have_size = false;
    for (const auto& [name, field] : item.items()) {
      const std::string where = key + "." + name;
      if (name == "name") {
        const std::string& text = json_string(field, where);
        if (text.empty() || text.size() > 31)
          throw Error(where, "a form name has 1 to 31 characters");
        for (unsigned char c : text) {
          if (c < 0x20 || c > 0x7E) throw Error(where, "a form name is printable ASCII");
          form.name.push_back(char16_t(c));
        }
        have_name = true;
      } else if (name == "flags") {
        form.flags = DWORD(json_integer(field, where, 0, kU32Max));
      } else if (name == "width" || name == "height") {
        (name == "width" ? form.width : form.height) = LONG(json_integer(field, where, 1, kI32Max));
        have_size = true;
      } else if (name == "left" || name == "top" || name == "right" || name == "bottom") {
        LONG& edge = name == "left"    ? form.left
                     : name == "top"   ? form.top
                     : name == "right" ? form.right
                                       : form.bottom;
        edge = LONG(json_integer(field, where, 0, kI32Max));
      } else {
        throw Error(
            where,
            "unknown key; a form has name, width, height, left, top, right, bottom and flags");
      }
    }
    if (!have_name || !have_size || form.width == 0 || form.height == 0) {
      throw Error(key, "a form needs a name, a width and a height");
    }
    // Without a printable area the whole paper is printable.
    if (form.right == 0 && form.bottom == 0) {
      form.right = form.width;
      form.bottom = form.height;
    }
    if (form.left >= form.right || form.top >= form.bottom || form.right > form.width ||
        form.bottom > form.height) {
      throw Error(
          key,
          "the printable area must lie inside the form, left before right and top above bottom");
    }
    list.push_back(std::move(form));
  }
  return list;
}

PRINTERDATA properties_of(const PrinterStore& store) {
  PRINTERDATA data;
  if (store.properties) {
    std::memcpy(&data, store.properties->data(), sizeof data);
  } else {
    write_printer_data_defaults(data);
  }
  return data;
}

void store_properties(PrinterStore& store, const PRINTERDATA& data) {
  store.properties.emplace();
  std::memcpy(store.properties->data(), &data, sizeof data);
}

}  // namespace

PrinterStore parse_printer_file(std::string_view json_text, const std::string& input) {
  json document = parse_json_object(json_text, input, "the printer file");
  PrinterStore store;
  try {
    for (const auto& [key, value] : document.items()) {
      if (key == "halftone") {
        store.halftone = halftone_setup(value);
      } else if (key == "forms") {
        store.forms = forms(value);
      } else {
        PRINTERDATA data = properties_of(store);
        set_record_field(data, key, value);
        store_properties(store, data);
      }
    }
  } catch (const Error& error) {
    throw Error(input, printable_text(error.input()) + ": " + error.what());
  }
  return store;
}

PrinterStore read_printer_file(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = read_file(path, kPrinterFileLimit);
  return parse_printer_file(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path.string());
}

bool has_mag_encoder(const PrinterStore& store) { return properties_of(store).bMagEncoder == 1; }

void apply_to_printer_store(const CardSettings& settings, PrinterStore& store) {
  bool any = false;
  for (const auto& [key, value] : settings.values()) {
    any = any || find_setting(key)->target == SettingTarget::printer_property;
  }
  if (!any) return;
  DriverRecords records = default_records();
  records.printer = properties_of(store);
  write_settings(settings, SettingTarget::printer_property, records);
  store_properties(store, records.printer);
}

}  // namespace ymcko::print
