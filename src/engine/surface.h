// The engine's surface record and the objects that travel with drawing calls.
#pragma once

#include "engine/draw_objects.h"
#include "engine/engine_types.h"

// Bitmap formats and flags the driver uses.
inline constexpr ULONG BMF_24BPP = 5;
inline constexpr ULONG BMF_32BPP = 6;
inline constexpr ULONG BMF_TOPDOWN = 0x1;     // first scan line is the upper edge
inline constexpr ULONG BMF_NOZEROINIT = 0x2;  // engine-allocated pixels need not be zeroed

// Surface hooks: which transfers the engine hands to the driver.
inline constexpr FLONG HOOK_BITBLT = 0x1;
inline constexpr FLONG HOOK_STRETCHBLT = 0x2;

inline constexpr ULONG STYPE_BITMAP = 0;

// A drawing surface. For an engine-managed bitmap pvBits is the start of its
// memory, pvScan0 the page's upper scan line and lDelta the signed step in
// bytes to the next line down the page (negative for a bottom-up bitmap);
// dhpdev leads to the device instance once the surface is associated with a
// device, and flHooks says which transfers go to the driver.
struct SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
  FLONG flHooks;
};
