// The engine's stretched transfer into 32-bpp bitmaps, with area-averaging resampling and colour adjustment.
#pragma once

#include "engine/surface.h"

inline constexpr ULONG ENGINE_STRETCH_TAG = make_pool_tag("Estr");  // per-call scratch

// Draws prclSrc of psoSrc (24 or 32 bpp) scaled onto prclDest of psoDest
// (32 bpp), colours through pxlo. A rectangle whose left exceeds its right
// (or top its bottom) mirrors the picture on that axis. In HALFTONE mode a
// reduction averages the covered source area, an enlargement interpolates
// linearly, and the colour adjustment pca (null: none) is applied; the
// other modes take the nearest source pixel unadjusted. Only the part of
// prclDest within the clip and the destination bitmap is drawn, and only
// from source pixels within the source bitmap: destination pixels with no
// source pixel under them are left as they are. Drawn pixels get byte 3 = 0.
// The halftone origin is not used: the result keeps 8 bits per channel.
// An empty rectangle draws nothing and succeeds. FALSE for a missing or
// undrawable surface or rectangle, a mask, a region clip, an unknown
// translation or mode, a side longer than 2^30, or short memory.
BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                   RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
