// The printer's stored values, as a printer queue keeps them: the printer
// properties record, the device halftone setup and the forms database, and
// how they are read from a JSON printer file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "print/card_settings.h"

namespace ymcko::print {

// The device halftone setup as the printer stores it: flags, pattern size,
// device pels and 30 colour values, little-endian u32 each.
inline constexpr std::size_t kHalftoneSetupSize = 132;

// The printer properties record's size in bytes.
inline constexpr std::size_t kPrinterPropertiesSize = 116;

// One form of the spooler's forms database, in micrometres, origin at the
// paper's upper left corner.
struct StoredForm {
  std::u16string name;
  std::uint32_t flags = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct PrinterStore {
  // The properties record's little-endian bytes; none: the driver builds its default record.
  std::optional<std::array<std::uint8_t, kPrinterPropertiesSize>> properties;
  std::optional<std::array<std::uint8_t, kHalftoneSetupSize>> halftone;
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

// Whether the stored record (or the default one) says an encoder is fitted.
bool has_mag_encoder(const PrinterStore& store);

// Writes the printer-wide settings (mag_encoder, job_r_value) into the
// stored record, creating it from the defaults when the store has none.
void apply_to_printer_store(const CardSettings& settings, PrinterStore& store);

}  // namespace ymcko::print
