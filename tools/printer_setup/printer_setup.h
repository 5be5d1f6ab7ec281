// A host printer's registry values and forms database from a JSON setup
// file, for the tools: the properties record and the halftone setup are
// written field by field by name into their exact binary records.
//
//   {
//     "PrinterData": {"flPrinter": 1, "bMagEncoder": 1, "wJobRValue": 5, "abFeatureSel": [0]},
//     "FreeMem": 4096, "PrinterHT": 1,
//     "CurDevHTInfo": {"HTFlags": 2, "HTPatternSize": 5,
//                      "ColorInfo": {"Red": [6380, 3350, 0], "RedGamma": 12500}},
//     "forms": [{"name": "CR-80", "size": [85600, 54000], "imageable": [0, 0, 85600, 54000]}],
//     "values": {"TTFontSubTableSize": 2, "TTFontSubTable": "0A0B"}
//   }
//
// Fields of a record that are not named keep the default record's values
// (PrinterData) or zero (CurDevHTInfo); unknown names are refused.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/host_printer.h"
#include "printer_setup/json.h"

namespace ymcko::tools {

struct printer_setup {
  // Registry data values in the order the file gives them.
  std::vector<std::pair<std::u16string, std::vector<BYTE>>> values;
  std::vector<engine::HostForm> forms;
  bool has_forms = false;
};

// A setup that is valid JSON but not a valid setup: names the field.
struct setup_error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads a setup document; throws json_error or setup_error.
printer_setup read_printer_setup(std::string_view json_text);

// Reads a setup file; throws std::runtime_error naming the file when it
// cannot be read, and the errors of read_printer_setup prefixed with its name.
printer_setup load_printer_setup(const std::string& path);

// Gives the printer the setup's values and, when the setup has a forms list, its forms.
void apply_printer_setup(const printer_setup& setup, engine::HostPrinter& printer);

}  // namespace ymcko::tools
