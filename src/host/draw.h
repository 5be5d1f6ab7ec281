// The host's drawing entry: transfers routed as the engine routes them, through the driver when its
// surface hooks them.
#pragma once

#include "engine/engine.h"

namespace ymcko::host {

// A stretched transfer as an application's drawing reaches the engine: when
// the destination hooks stretches (HOOK_STRETCHBLT) and its device's driver
// has an entry point under INDEX_DrvStretchBlt, that entry point draws it
// (and calls back into EngStretchBlt); otherwise EngStretchBlt draws it.
BOOL draw_stretch(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                  COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                  POINTL* pptlMask, ULONG iMode);

// A bit-block transfer routed the same way, through INDEX_DrvBitBlt when the
// destination hooks HOOK_BITBLT, otherwise drawn by EngBitBlt.
BOOL draw_bitblt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                 RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                 POINTL* pptlBrush, ROP4 rop4);

}  // namespace ymcko::host
