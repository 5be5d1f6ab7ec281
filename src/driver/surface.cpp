// Drawing surface. Provisional: these entry points are registered in the
// function table but not built yet, so each returns its failure result.
#include "driver/ddi.h"

HSURF DrvEnableSurface(DHPDEV) { return nullptr; }

void DrvDisableSurface(DHPDEV) {}

BOOL DrvBitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*,
               BRUSHOBJ*, POINTL*, ROP4) {
  return FALSE;
}

BOOL DrvStretchBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                   RECTL*, RECTL*, POINTL*, ULONG) {
  return FALSE;
}
