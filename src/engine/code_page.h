// Conversion between UTF-16 text and the engine's single-byte code page,
// ISO-8859-1: code points up to U+00FF map to the byte of the same value and
// every other character (a surrogate pair counts as one) becomes "?".
#pragma once

#include "engine/engine_types.h"

using NTSTATUS = LONG;
inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);

// Converts cbUnicode bytes of UTF-16 text into at most cbMultiByteMax bytes;
// pcbMultiByte (optional) receives the bytes written. No terminator is added
// beyond what the source holds.
NTSTATUS RtlUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                                const WCHAR* pUnicode, ULONG cbUnicode);

// The bytes the conversion of cbUnicode bytes of UTF-16 text would produce.
NTSTATUS RtlUnicodeToMultiByteSize(ULONG* pcbMultiByte, const WCHAR* pUnicode, ULONG cbUnicode);

// Converts cbMultiByte bytes into at most cbUnicodeMax bytes of UTF-16 text;
// pcbUnicode (optional) receives the bytes written.
void EngMultiByteToUnicodeN(WCHAR* pUnicode, ULONG cbUnicodeMax, ULONG* pcbUnicode,
                            const char* pMultiByte, ULONG cbMultiByte);

// Converts cbUnicode bytes of UTF-16 text into at most cbMultiByteMax bytes;
// pcbMultiByte (optional) receives the bytes written.
void EngUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                            const WCHAR* pUnicode, ULONG cbUnicode);
