// Engine-managed bitmaps: creation over given or engine pixel memory, device association, and handle lookup.
#pragma once

#include "engine/engine_types.h"
#include "engine/surface.h"

inline constexpr ULONG ENGINE_SURFACE_TAG = make_pool_tag("Esrf");  // surface records
inline constexpr ULONG ENGINE_BITS_TAG = make_pool_tag("Ebit");     // pixels the engine allocates

// Creates a bitmap of sizl pixels in BMF_24BPP or BMF_32BPP. lWidth is the
// step in bytes from one scan line to the next in memory (0: the row size
// rounded up to four bytes). fl holds BMF_TOPDOWN when the first scan line in
// memory is the upper edge, else it is the lower edge. pvBits is the pixel
// memory, borrowed and kept by the caller; when null the engine allocates it
// (zeroed unless fl has BMF_NOZEROINIT) and frees it with the surface.
// Null for a bad format, size or step, or when memory is short.
HSURF EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);

// Records the device, the device's driver instance and the hooked transfers
// in the surface. FALSE for an unknown surface or device.
BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);

// Deletes a surface made by EngCreateBitmap, and the pixels the engine
// allocated for it; caller memory is left alone. FALSE for an unknown handle.
BOOL EngDeleteSurface(HSURF hsurf);

// The surface record behind a handle, or null for an unknown handle.
SURFOBJ* EngLockSurface(HSURF hsurf);

// Ends a use begun by EngLockSurface; the record stays with its handle.
void EngUnlockSurface(SURFOBJ* pso);
