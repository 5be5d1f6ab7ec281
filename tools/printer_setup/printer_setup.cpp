// A host printer's registry values and forms database from a JSON setup file.
#include "printer_setup/printer_setup.h"

#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "settings/device_halftone.h"
#include "settings/printer_data.h"

namespace ymcko::tools {
namespace {

[[noreturn]] void refuse(const std::string& field, const std::string& expected) {
  throw setup_error(field + ": expected " + expected);
}

template <class T>
const T& as(const json_value& value, const std::string& field, const std::string& kind) {
  const T* got = std::get_if<T>(&value.data);
  if (got == nullptr) refuse(field, kind);
  return *got;
}

std::int64_t integer_in(const json_value& value, const std::string& field, std::int64_t low,
                        std::int64_t high) {
  const std::int64_t n = as<std::int64_t>(value, field, "an integer");
  if (n < low || n > high)
    refuse(field, "an integer from " + std::to_string(low) + " to " + std::to_string(high));
  return n;
}

std::u16string widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

template <class T>
void put(BYTE* record, std::size_t offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

// A record field by name: where it lies and how wide it is (bytes; signed when negative).
struct field_slot {
  const char* name;
  std::size_t offset;
  int width;
};

void write_slot(BYTE* record, const field_slot& slot, const json_value& value,
                const std::string& path) {
  switch (slot.width) {
    case 2:
      put(record, slot.offset, WORD(integer_in(value, path, 0, std::numeric_limits<WORD>::max())));
      break;
    case 4:
      put(record, slot.offset,
          DWORD(integer_in(value, path, 0, std::numeric_limits<DWORD>::max())));
      break;
    default:
      put(record, slot.offset,
          LONG(integer_in(value, path, std::numeric_limits<LONG>::min(),
                          std::numeric_limits<LONG>::max())));
      break;
  }
}

const field_slot* find_slot(const field_slot* begin, const field_slot* end,
                            const std::string& name) {
  for (const field_slot* slot = begin; slot != end; ++slot) {
    if (name == slot->name) return slot;
  }
  return nullptr;
}

constexpr field_slot kPrinterDataFields[] = {
    {"wVersion", offsetof(PRINTERDATA, wVersion), 2},
    {"wSize", offsetof(PRINTERDATA, wSize), 2},
    {"flPrinter", offsetof(PRINTERDATA, flPrinter), 4},
    {"dwFreeMem", offsetof(PRINTERDATA, dwFreeMem), 4},
    {"dwJobTimeout", offsetof(PRINTERDATA, dwJobTimeout), 4},
    {"dwWaitTimeout", offsetof(PRINTERDATA, dwWaitTimeout), 4},
    {"wPpdChecksum", offsetof(PRINTERDATA, wPpdChecksum), 2},
    {"wFeatureCount", offsetof(PRINTERDATA, wFeatureCount), 2},
    {"bMagEncoder", offsetof(PRINTERDATA, bMagEncoder), 4},
    {"wJobRValue", offsetof(PRINTERDATA, wJobRValue), 2},
};

std::vector<BYTE> printer_data_record(const json_value& value) {
  PRINTERDATA data;
  write_printer_data_defaults(data);
  auto* record = reinterpret_cast<BYTE*>(&data);
  for (const auto& [name, member] : as<json_object>(value, "PrinterData", "an object")) {
    const std::string path = "PrinterData." + name;
    if (name == "abFeatureSel") {
      const json_array& items = as<json_array>(member, path, "an array of selections");
      if (items.size() > MAX_PRINTER_STICKY_FEATURES) refuse(path, "at most 68 selections");
      for (std::size_t i = 0; i < items.size(); ++i) {
        data.abFeatureSel[i] =
            BYTE(integer_in(items[i], path + "[" + std::to_string(i) + "]", 0, 255));
      }
      continue;
    }
    const field_slot* slot =
        find_slot(std::begin(kPrinterDataFields), std::end(kPrinterDataFields), name);
    if (slot == nullptr) refuse(path, "a field of the printer properties record");
    write_slot(record, *slot, member, path);
  }
  return {record, record + sizeof data};
}

constexpr field_slot kHalftoneFields[] = {
    {"HTFlags", offsetof(DEVHTINFO, HTFlags), 4},
    {"HTPatternSize", offsetof(DEVHTINFO, HTPatternSize), 4},
    {"DevPelsDPI", offsetof(DEVHTINFO, DevPelsDPI), 4},
};

constexpr std::size_t kColorInfo = offsetof(DEVHTINFO, ColorInfo);
constexpr field_slot kChromaFields[] = {
    {"Red", kColorInfo + offsetof(COLORINFO, Red), -4},
    {"Green", kColorInfo + offsetof(COLORINFO, Green), -4},
    {"Blue", kColorInfo + offsetof(COLORINFO, Blue), -4},
    {"Cyan", kColorInfo + offsetof(COLORINFO, Cyan), -4},
    {"Magenta", kColorInfo + offsetof(COLORINFO, Magenta), -4},
    {"Yellow", kColorInfo + offsetof(COLORINFO, Yellow), -4},
    {"AlignmentWhite", kColorInfo + offsetof(COLORINFO, AlignmentWhite), -4},
};
constexpr field_slot kColorScalars[] = {
    {"RedGamma", kColorInfo + offsetof(COLORINFO, RedGamma), -4},
    {"GreenGamma", kColorInfo + offsetof(COLORINFO, GreenGamma), -4},
    {"BlueGamma", kColorInfo + offsetof(COLORINFO, BlueGamma), -4},
    {"MagentaInCyanDye", kColorInfo + offsetof(COLORINFO, MagentaInCyanDye), -4},
    {"YellowInCyanDye", kColorInfo + offsetof(COLORINFO, YellowInCyanDye), -4},
    {"CyanInMagentaDye", kColorInfo + offsetof(COLORINFO, CyanInMagentaDye), -4},
    {"YellowInMagentaDye", kColorInfo + offsetof(COLORINFO, YellowInMagentaDye), -4},
    {"CyanInYellowDye", kColorInfo + offsetof(COLORINFO, CyanInYellowDye), -4},
    {"MagentaInYellowDye", kColorInfo + offsetof(COLORINFO, MagentaInYellowDye), -4},
};

void write_color_info(BYTE* record, const json_value& value) {
  for (const auto& [name, member] : as<json_object>(value, "CurDevHTInfo.ColorInfo", "an object")) {
    const std::string path = "CurDevHTInfo.ColorInfo." + name;
    if (const field_slot* chroma =
            find_slot(std::begin(kChromaFields), std::end(kChromaFields), name)) {
      const json_array& xyY = as<json_array>(member, path, "[x, y, Y]");
      if (xyY.size() != 3) refuse(path, "[x, y, Y]");
      for (std::size_t i = 0; i < 3; ++i) {
        write_slot(record, {chroma->name, chroma->offset + 4 * i, -4}, xyY[i],
                   path + "[" + std::to_string(i) + "]");
      }
    } else if (const field_slot* scalar =
                   find_slot(std::begin(kColorScalars), std::end(kColorScalars), name)) {
      write_slot(record, *scalar, member, path);
    } else {
      refuse(path, "a field of the colour information");
    }
  }
}

std::vector<BYTE> halftone_record(const json_value& value) {
  DEVHTINFO info{};
  auto* record = reinterpret_cast<BYTE*>(&info);
  for (const auto& [name, member] : as<json_object>(value, "CurDevHTInfo", "an object")) {
    if (name == "ColorInfo") {
      write_color_info(record, member);
    } else if (const field_slot* slot =
                   find_slot(std::begin(kHalftoneFields), std::end(kHalftoneFields), name)) {
      write_slot(record, *slot, member, "CurDevHTInfo." + name);
    } else {
      refuse("CurDevHTInfo." + name, "a field of the halftone setup");
    }
  }
  return {record, record + sizeof info};
}

std::vector<BYTE> dword_value(const json_value& value, const std::string& path) {
  const auto n = DWORD(integer_in(value, path, 0, std::numeric_limits<DWORD>::max()));
  return {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)};
}

// A raw value: an integer (four bytes, little-endian) or a string of hex digit pairs.
std::vector<BYTE> raw_value(const json_value& value, const std::string& path) {
  if (std::holds_alternative<std::int64_t>(value.data)) return dword_value(value, path);
  const std::u16string& digits =
      as<std::u16string>(value, path, "an integer or a string of hex digit pairs");
  auto nibble = [&](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    refuse(path, "a string of hex digit pairs");
  };
  if (digits.size() % 2 != 0) refuse(path, "a string of hex digit pairs");
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(BYTE(nibble(digits[i]) << 4 | nibble(digits[i + 1])));
  return bytes;
}

engine::HostForm form_entry(const json_value& value, const std::string& path) {
  engine::HostForm form{};
  bool named = false, sized = false;
  auto longs = [&](const json_value& member, const std::string& at, std::size_t count) {
    const json_array& items = as<json_array>(member, at, std::to_string(count) + " integers");
    if (items.size() != count) refuse(at, std::to_string(count) + " integers");
    std::vector<LONG> out;
    for (std::size_t i = 0; i < count; ++i) {
      out.push_back(
          LONG(integer_in(items[i], at + "[" + std::to_string(i) + "]",
                          std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max())));
    }
    return out;
  };
  for (const auto& [name, member] : as<json_object>(value, path, "an object")) {
    const std::string at = path + "." + name;
    if (name == "name") {
      form.name = as<std::u16string>(member, at, "a string");
      named = true;
    } else if (name == "size") {
      auto size = longs(member, at, 2);
      form.size = {size[0], size[1]};
      sized = true;
    } else if (name == "imageable") {
      auto area = longs(member, at, 4);
      form.imageable = {area[0], area[1], area[2], area[3]};
    } else if (name == "flags") {
      form.flags = DWORD(integer_in(member, at, 0, std::numeric_limits<DWORD>::max()));
    } else {
      refuse(at, "name, size, imageable or flags");
    }
  }
  if (!named) refuse(path + ".name", "the form's name");
  if (!sized) refuse(path + ".size", "the form's size [width, height] in micrometres");
  return form;
}

}  // namespace

printer_setup read_printer_setup(std::string_view json_text) {
  const json_value document = parse_json(json_text);
  printer_setup setup;
  for (const auto& [name, member] : as<json_object>(document, "the document", "an object")) {
    if (name == "PrinterData") {
      std::vector<BYTE> record = printer_data_record(member);
      setup.values.emplace_back(u"PrinterDataSize",
                                dword_value(json_value{std::int64_t(record.size())}, name));
      setup.values.emplace_back(u"PrinterData", std::move(record));
    } else if (name == "CurDevHTInfo") {
      setup.values.emplace_back(u"CurDevHTInfo", halftone_record(member));
    } else if (name == "FreeMem" || name == "PrinterHT") {
      setup.values.emplace_back(widen(name), dword_value(member, name));
    } else if (name == "forms") {
      const json_array& forms = as<json_array>(member, name, "an array of forms");
      for (std::size_t i = 0; i < forms.size(); ++i) {
        setup.forms.push_back(form_entry(forms[i], "forms[" + std::to_string(i) + "]"));
      }
      setup.has_forms = true;
    } else if (name == "values") {
      for (const auto& [value_name, value] : as<json_object>(member, name, "an object of values")) {
        setup.values.emplace_back(widen(value_name), raw_value(value, "values." + value_name));
      }
    } else {
      refuse(name, "PrinterData, FreeMem, PrinterHT, CurDevHTInfo, forms or values");
    }
  }
  return setup;
}

printer_setup load_printer_setup(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  try {
    return read_printer_setup(text.str());
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(path + ": " + error.what());
  }
}

void apply_printer_setup(const printer_setup& setup, engine::HostPrinter& printer) {
  for (const auto& [name, bytes] : setup.values) printer.set_value(name, bytes);
  if (setup.has_forms) printer.set_forms(setup.forms);
}

}  // namespace ymcko::tools
