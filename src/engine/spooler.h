// The spooler's printer data and forms database, as the driver reads them.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine_types.h"

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD REG_BINARY = 3;

// A level-1 form record: name, size and imageable area in micrometres, the
// area with its origin at the upper left corner and y downward.
struct FORM_INFO_1 {
  DWORD Flags;
  PWSTR pName;
  SIZEL Size;
  RECTL ImageableArea;
};

inline constexpr DWORD FORM_USER = 0;
inline constexpr DWORD FORM_BUILTIN = 1;

// Reads one registry data value of the printer. Writes up to cjSize bytes of
// it into pData and its whole size into pcjNeeded; ERROR_SUCCESS when it all
// fit, ERROR_MORE_DATA when the buffer is short, ERROR_FILE_NOT_FOUND when
// the printer or the value does not exist. pType (optional) gets REG_BINARY.
DWORD EngGetPrinterData(HANDLE hPrinter, const WCHAR* pValueName, DWORD* pType, BYTE* pData,
                        DWORD cjSize, DWORD* pcjNeeded);

// Enumerates the forms database at level 1: FORM_INFO_1 records followed by
// their names, all inside pForm. When pForm is null or cbBuf short, fails
// with last error ERROR_INSUFFICIENT_BUFFER (122) and the needed size in
// pcbNeeded. Only level 1 is known.
BOOL EngEnumForms(HANDLE hPrinter, DWORD Level, BYTE* pForm, DWORD cbBuf, DWORD* pcbNeeded,
                  DWORD* pcReturned);

static_assert(std::is_trivially_copyable_v<FORM_INFO_1>);
