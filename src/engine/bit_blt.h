// The engine's bit-block transfer into 32-bpp bitmaps.
#pragma once

#include "engine/surface.h"

// Draws prclTrg of psoTrg (32 bpp) with the raster operation rop4, whose two
// bytes must agree (no masks): any ternary operation of the solid brush pbo,
// the source psoSrc (24 or 32 bpp, read from pptlSrc on, colours through
// pxlo) and the destination. The drawn area is prclTrg cut to the clip, to
// the destination bitmap and to what the source bitmap holds; nothing
// outside both bitmaps is read or written. Drawn pixels get byte 3 = 0.
// An empty or inverted rectangle draws nothing and succeeds. FALSE when a
// needed surface, point or brush is missing or not drawable (a pattern
// brush, a mask, a region clip, an unknown translation).
BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
               POINTL* pptlBrush, ROP4 rop4);
