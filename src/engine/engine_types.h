// Fixed-width types and records the graphics engine and the driver exchange.
#pragma once

#include <cstdint>

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using FLONG = std::uint32_t;
using ROP4 = std::uint32_t;
using WCHAR = char16_t;  // UTF-16 code unit, as in every exchanged record.
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using PVOID = void*;
using HANDLE = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Opaque engine handles; the engine resolves them, the driver only holds them.
using HDEV = struct HDEV__*;
using HSURF = struct HSURF__*;
using HPALETTE = struct HPALETTE__*;
using HSEMAPHORE = struct HSEMAPHORE__*;
using HMODULE = struct HMODULE__*;
using DHPDEV = struct DHPDEV__*;  // the driver's device instance, as the engine holds it
using DHSURF = struct DHSURF__*;

struct POINTL {
  LONG x;
  LONG y;
};

struct SIZEL {
  LONG cx;
  LONG cy;
};

struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

// The engine's colour adjustment record (gamma and white in 1/10000).
struct COLORADJUSTMENT {
  WORD caSize;
  WORD caFlags;
  WORD caIlluminantIndex;
  WORD caRedGamma;
  WORD caGreenGamma;
  WORD caBlueGamma;
  WORD caReferenceBlack;
  WORD caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
};

// Pool tags are four characters read as one big-endian number: "mspD" is
// 0x6D737044 and lies in memory as the bytes "Dpsm".
constexpr ULONG make_pool_tag(const char (&text)[5]) {
  return (ULONG(BYTE(text[0])) << 24) | (ULONG(BYTE(text[1])) << 16) | (ULONG(BYTE(text[2])) << 8) |
         ULONG(BYTE(text[3]));
}

// Last-error codes the driver sets or reads.
inline constexpr ULONG ERROR_INVALID_PARAMETER = 87;
inline constexpr ULONG ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr ULONG ERROR_BAD_DRIVER_LEVEL = 119;

static_assert(sizeof(COLORADJUSTMENT) == 24);
