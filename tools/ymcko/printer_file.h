// The host printer's stored values, from a JSON file: the printer properties
// record by field name, the device halftone setup and the forms database.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/printer_data.h"
#include "ymcko/job_settings.h"

namespace ymcko::tool {

// The device halftone setup as the printer stores it: flags, pattern size,
// device pels and 30 colour values, little-endian u32 each.
inline constexpr std::size_t kHalftoneSetupSize = 132;

// One form of the spooler's forms database, in micrometres, origin at the
// paper's upper left corner.
struct StoredForm {
  std::u16string name;
  DWORD flags = 0;
  LONG width = 0;
  LONG height = 0;
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct PrinterStore {
  std::optional<PRINTERDATA> printer_data;  // none: the driver builds its default record
  std::optional<std::array<BYTE, kHalftoneSetupSize>> halftone;
  std::vector<StoredForm> forms;
};

// Parses a printer file. Keys: the PRINTERDATA field names (wVersion, wSize,
// flPrinter, dwFreeMem, dwJobTimeout, dwWaitTimeout, wPpdChecksum,
// wFeatureCount, abFeatureSel, bMagEncoder, wJobRValue) over the record's
// defaults; "halftone" {flags, pattern_size, device_pels, color_info[30]};
// "forms" [{name, width, height, left, top, right, bottom, flags}]. Errors
// name `input` and the key.
PrinterStore parse_printer_file(std::string_view json_text, const std::string& input);

PrinterStore read_printer_file(const std::filesystem::path& path);

// Writes the printer-wide settings (mag_encoder, job_r_value) into the
// stored record, creating it from the defaults when the store has none.
void apply_to_printer_store(const JobSettings& settings, PrinterStore& store);

}  // namespace ymcko::tool
