// Printer-wide properties from the printer's registry data.
#include "settings/printer_properties.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_query.h"

const REGDATAINFO printerRegInfo[REGINFO_COUNT] = {
    {u"TTFontSubTableSize", u"TTFontSubTable"},
    {u"TrayFormSize", u"TrayFormTable"},
    {u"PrinterDataSize", u"PrinterData"},
};

namespace {

constexpr DWORD kKilobyte = 1024;

// Reads a four-byte registry value (little-endian); a shorter value reads
// with its missing high bytes as zero. False when it cannot be read whole.
bool read_dword(HANDLE printer, const WCHAR* name, DWORD* value) {
  BYTE bytes[sizeof(DWORD)] = {};
  DWORD needed = 0;
  if (EngGetPrinterData(printer, name, nullptr, bytes, sizeof bytes, &needed) != ERROR_SUCCESS)
    return false;
  *value = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
  return true;
}

// Printer memory for "FreeMem" kilobytes: the product in 64 bits, held at
// the largest DWORD, and never below the minimum the printer reports.
DWORD free_memory_bytes(DWORD kilobytes) {
  const std::uint64_t bytes = std::uint64_t{kilobytes} * kKilobyte;
  const DWORD held = DWORD(std::min<std::uint64_t>(bytes, std::numeric_limits<DWORD>::max()));
  return std::max(held, MIN_FREE_MEM);
}

// Rebuilds the printer-sticky selections from the description's defaults.
void default_printer_selections(PRINTERDATA& data, const ymcko::ppd_view& image) {
  data.wPpdChecksum = image.checksum();
  data.wFeatureCount = PpdDefaultPrinterStickyFeatures(image, std::span<BYTE>(data.abFeatureSel));
}

// Stored selections made for this description (its checksum word) are kept
// as stored, whatever their count, unless the count is more than the 68-byte
// array can hold.
bool selections_belong_to(const PRINTERDATA& data, const ymcko::ppd_view& image) {
  return data.wPpdChecksum == image.checksum() && data.wFeatureCount <= MAX_PRINTER_STICKY_FEATURES;
}

}  // namespace

PVOID GetPrinterDataFromRegistry(HANDLE hPrinter, DWORD* pcbSize, DWORD index) {
  if (index >= REGINFO_COUNT) return nullptr;
  const REGDATAINFO& row = printerRegInfo[index];

  DWORD size = 0;
  if (!read_dword(hPrinter, row.pwstrSizeName, &size) || size == 0) return nullptr;

  auto* buffer = static_cast<BYTE*>(EngAllocMem(FL_ZERO_MEMORY, size, PPD_POOL_TAG));
  if (buffer == nullptr) return nullptr;
  DWORD needed = 0;
  if (EngGetPrinterData(hPrinter, row.pwstrDataName, nullptr, buffer, size, &needed) !=
      ERROR_SUCCESS) {
    EngFreeMem(buffer);
    return nullptr;
  }
  if (pcbSize != nullptr) *pcbSize = size;
  return buffer;
}

PRINTERDATA* GetPrinterProperties(HANDLE hPrinter, const ymcko::ppd_view& image) {
  DWORD size = 0;
  auto* stored =
      static_cast<BYTE*>(GetPrinterDataFromRegistry(hPrinter, &size, REGINFO_PRINTERDATA));
  if (stored == nullptr) return DefaultPrinterProperties(hPrinter, image);

  // A short record is carried in a whole one, its missing fields zero.
  PRINTERDATA* data = reinterpret_cast<PRINTERDATA*>(stored);
  if (size < sizeof(PRINTERDATA)) {
    data =
        static_cast<PRINTERDATA*>(EngAllocMem(FL_ZERO_MEMORY, sizeof(PRINTERDATA), PPD_POOL_TAG));
    if (data != nullptr) std::memcpy(data, stored, size);
    EngFreeMem(stored);
    if (data == nullptr) return DefaultPrinterProperties(hPrinter, image);
  }

  if (!selections_belong_to(*data, image)) default_printer_selections(*data, image);
  return data;
}

PRINTERDATA* DefaultPrinterProperties(HANDLE hPrinter, const ymcko::ppd_view& image) {
  auto* data =
      static_cast<PRINTERDATA*>(EngAllocMem(FL_ZERO_MEMORY, sizeof(PRINTERDATA), PPD_POOL_TAG));
  if (data == nullptr) return nullptr;

  ymcko::write_printer_data_defaults(*data);
  data->dwFreeMem = image.u32(offsetof(PPDDATA, dwFreeVm));
  data->dwJobTimeout = image.u32(offsetof(PPDDATA, dwJobTimeout));
  data->dwWaitTimeout = image.u32(offsetof(PPDDATA, dwWaitTimeout));
  default_printer_selections(*data, image);

  DWORD value = 0;
  if (read_dword(hPrinter, u"FreeMem", &value)) data->dwFreeMem = free_memory_bytes(value);
  if (read_dword(hPrinter, u"PrinterHT", &value) && value != 0)
    data->flPrinter |= PFLAG_HALFTONE_SETUP;
  return data;
}

PVOID CurrentTrueTypeSubstTable(HANDLE hPrinter) {
  return GetPrinterDataFromRegistry(hPrinter, nullptr, REGINFO_TTSUBST);
}

BOOL GetDeviceHalftoneSetup(HANDLE hPrinter, DEVHTINFO* pDevHTInfo) {
  // Read into a local record so that a wrongly sized value leaves the caller's as it was.
  BYTE bytes[sizeof(DEVHTINFO)] = {};
  DWORD needed = 0;
  if (pDevHTInfo == nullptr ||
      EngGetPrinterData(hPrinter, u"CurDevHTInfo", nullptr, bytes, sizeof bytes, &needed) !=
          ERROR_SUCCESS ||
      needed != sizeof(DEVHTINFO)) {
    return FALSE;
  }
  std::memcpy(pDevHTInfo, bytes, sizeof bytes);
  return TRUE;
}
