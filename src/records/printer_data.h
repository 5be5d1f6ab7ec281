// The printer-wide properties record, stored in the printer's registry data.
// An exchanged byte layout, little-endian, pinned field by field below.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine.h"

inline constexpr std::size_t MAX_PRINTER_STICKY_FEATURES = 68;

struct PRINTERDATA {
  WORD wVersion;
  WORD wSize;
  DWORD flPrinter;
  DWORD dwFreeMem;  // bytes
  DWORD dwJobTimeout;
  DWORD dwWaitTimeout;
  BYTE abReserved1[16];
  WORD wPpdChecksum;
  WORD wFeatureCount;
  BYTE abFeatureSel[MAX_PRINTER_STICKY_FEATURES];
  DWORD bMagEncoder;  // 1: a magnetic-stripe encoder is fitted
  WORD wJobRValue;    // number sent in the command that opens every document
  WORD wReserved2;
};

inline constexpr WORD PRINTERDATA_VERSION = 0x407;
inline constexpr DWORD MIN_FREE_MEM = 102400;

// flPrinter bits.
inline constexpr DWORD PFLAG_METRIC = 0x1;
inline constexpr DWORD PFLAG_HALFTONE_SETUP = 0x2;

namespace ymcko {

// Writes the defaults that need no printer description: version, size and
// the minimum printer memory; every other field zero (no encoder, R number 0).
void write_printer_data_defaults(PRINTERDATA& data);

}  // namespace ymcko

static_assert(sizeof(PRINTERDATA) == 116);
static_assert(offsetof(PRINTERDATA, wSize) == 2);
static_assert(offsetof(PRINTERDATA, flPrinter) == 4);
static_assert(offsetof(PRINTERDATA, dwFreeMem) == 8);
static_assert(offsetof(PRINTERDATA, dwJobTimeout) == 12);
static_assert(offsetof(PRINTERDATA, dwWaitTimeout) == 16);
static_assert(offsetof(PRINTERDATA, abReserved1) == 20);
static_assert(offsetof(PRINTERDATA, wPpdChecksum) == 36);
static_assert(offsetof(PRINTERDATA, wFeatureCount) == 38);
static_assert(offsetof(PRINTERDATA, abFeatureSel) == 40);
static_assert(offsetof(PRINTERDATA, bMagEncoder) == 108);
static_assert(offsetof(PRINTERDATA, wJobRValue) == 112);
static_assert(offsetof(PRINTERDATA, wReserved2) == 114);
static_assert(std::is_trivially_copyable_v<PRINTERDATA>);
