// Printer-wide properties from the printer's registry data: the properties
// record (stored or default), the TrueType substitution table and the
// printer's own halftone setup. Every read failure falls back silently.
#pragma once

#include <cstddef>

#include "engine/engine.h"
#include "ppdimage/ppd_image.h"
#include "records/printer_data.h"
#include "settings/device_halftone.h"

// One registry data value that is stored with a companion value giving its size.
struct REGDATAINFO {
  const WCHAR* pwstrSizeName;
  const WCHAR* pwstrDataName;
};

// Rows of printerRegInfo.
inline constexpr DWORD REGINFO_TTSUBST = 0;
inline constexpr DWORD REGINFO_TRAYFORM = 1;
inline constexpr DWORD REGINFO_PRINTERDATA = 2;
inline constexpr std::size_t REGINFO_COUNT = 3;

extern const REGDATAINFO printerRegInfo[REGINFO_COUNT];

// Reads the data value of one printerRegInfo row into new engine memory
// (tag mspD) sized by the row's size value; null when either value cannot be
// read, the size is 0 or memory is short. The buffer is zero-filled first, so
// a value shorter than its stated size leaves zeros, not stale bytes, behind.
// pcbSize (optional) receives the stated size.
PVOID GetPrinterDataFromRegistry(HANDLE hPrinter, DWORD* pcbSize, DWORD index);

// The stored properties record, or a default one when none is stored; null
// only when no record can be allocated. A stored record shorter than 116
// bytes is carried in a zeroed 116-byte record. Stored selections are kept
// as stored when their checksum word is this description's; they are
// replaced by this description's defaults when it is another's or when
// their count is more than the 68-byte array holds. The caller frees the
// record with EngFreeMem.
PRINTERDATA* GetPrinterProperties(HANDLE hPrinter, const ymcko::ppd_view& image);

// A new default properties record from the description and the optional
// "FreeMem" (kilobytes) and "PrinterHT" values; null when memory is short.
PRINTERDATA* DefaultPrinterProperties(HANDLE hPrinter, const ymcko::ppd_view& image);

// The printer's TrueType substitution table as stored, or null; engine memory
// the caller frees.
PVOID CurrentTrueTypeSubstTable(HANDLE hPrinter);

// Copies the printer's stored halftone setup into *pDevHTInfo when the
// printer has one of exactly 132 bytes; otherwise leaves it untouched and
// returns FALSE.
BOOL GetDeviceHalftoneSetup(HANDLE hPrinter, DEVHTINFO* pDevHTInfo);
