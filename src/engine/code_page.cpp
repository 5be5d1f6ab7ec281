// Conversion between UTF-16 and ISO-8859-1.
#include "engine/engine.h"

namespace {

constexpr bool is_high_surrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool is_low_surrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Walks `units` code units, producing one byte per character into out (when
// given, at most `room` bytes); returns the bytes produced.
ULONG narrow(char* out, ULONG room, const WCHAR* text, ULONG units) {
  ULONG produced = 0;
  for (ULONG i = 0; i < units; ++i) {
    if (out != nullptr && produced == room) break;
    WCHAR c = text[i];
    char byte = c <= 0xFF ? static_cast<char>(c) : '?';
    if (is_high_surrogate(c) && i + 1 < units && is_low_surrogate(text[i + 1])) ++i;
    if (out != nullptr) out[produced] = byte;
    ++produced;
  }
  return produced;
}

}  // namespace

NTSTATUS RtlUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                                const WCHAR* pUnicode, ULONG cbUnicode) {
  if (pMultiByte == nullptr || (pUnicode == nullptr && cbUnicode != 0))
    return STATUS_INVALID_PARAMETER;
  ULONG written = narrow(pMultiByte, cbMultiByteMax, pUnicode, cbUnicode / 2);
  if (pcbMultiByte) *pcbMultiByte = written;
  return STATUS_SUCCESS;
}

NTSTATUS RtlUnicodeToMultiByteSize(ULONG* pcbMultiByte, const WCHAR* pUnicode, ULONG cbUnicode) {
  if (pcbMultiByte == nullptr || (pUnicode == nullptr && cbUnicode != 0))
    return STATUS_INVALID_PARAMETER;
  *pcbMultiByte = narrow(nullptr, 0, pUnicode, cbUnicode / 2);
  return STATUS_SUCCESS;
}

void EngMultiByteToUnicodeN(WCHAR* pUnicode, ULONG cbUnicodeMax, ULONG* pcbUnicode,
                            const char* pMultiByte, ULONG cbMultiByte) {
  ULONG units = 0;
  if (pUnicode != nullptr && pMultiByte != nullptr) {
    ULONG room = cbUnicodeMax / 2;
    for (; units < cbMultiByte && units < room; ++units) {
      pUnicode[units] = static_cast<WCHAR>(static_cast<unsigned char>(pMultiByte[units]));
    }
  }
  if (pcbUnicode) *pcbUnicode = units * 2;
}

void EngUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                            const WCHAR* pUnicode, ULONG cbUnicode) {
  ULONG written = 0;
  if (pMultiByte != nullptr && pUnicode != nullptr) {
    written = narrow(pMultiByte, cbMultiByteMax, pUnicode, cbUnicode / 2);
  }
  if (pcbMultiByte) *pcbMultiByte = written;
}
