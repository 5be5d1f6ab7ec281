// Drawing surface: the 32-bpp page bitmap the engine draws a card side into, and the two transfers
// the driver hooks.
#include "records/page.h"

#include <cstring>

#include "driver/ddi.h"
#include "engine/engine.h"

namespace {

constexpr ULONG kColorTableBytes = COLORSETUP_TABLE_ENTRIES * 4;

// Releases the page bitmap and its pixels, if any.
void release_page(PDEV* pdev) {
  if (pdev->hSurface != nullptr) {
    EngDeleteSurface(pdev->hSurface);
    pdev->hSurface = nullptr;
    EngFreeMem(pdev->pvBits);
    pdev->pvBits = nullptr;
  }
}

}  // namespace

// Makes the page bitmap: 1024 x 656 stored lower edge first for a landscape
// form, else 656 x 1024 stored upper edge first, white in every byte.
// Deviations for safety: an instance without a COLORSETUP record skips the
// colour table; a surface still enabled is released first rather than
// leaked; and when the engine cannot associate the bitmap with the device
// (so the hooks would never reach the driver), the bitmap and its pixels are
// released and the call fails.
HSURF DrvEnableSurface(DHPDEV dhpdev) {
  PDEV* pdev = validated_instance(dhpdev);
  if (pdev == nullptr) return nullptr;

  // The colour table exists exactly while the colour mode has two planes.
  if (COLORSETUP* setup = pdev->pColorSetup; setup != nullptr) {
    if (setup->cPlanes == 2 && setup->pulTable == nullptr) {
      setup->pulTable = static_cast<ULONG*>(HEAPALLOC(pdev->hHeap, kColorTableBytes));
      if (setup->pulTable == nullptr) return nullptr;
      std::memset(setup->pulTable, 0, kColorTableBytes);
    } else if (setup->cPlanes != 2 && setup->pulTable != nullptr) {
      HEAPFREE(pdev->hHeap, setup->pulTable);
      setup->pulTable = nullptr;
    }
    setup->bState = 0;
    setup->bFill = 0xFF;
    setup->ulReserved = 0;
  }

  release_page(pdev);
  const bool landscape = pdev->curForm.bLandscape == 1;
  const SIZEL size =
      landscape ? SIZEL{PAGE_LONG_SIDE, PAGE_SHORT_SIDE} : SIZEL{PAGE_SHORT_SIDE, PAGE_LONG_SIDE};
  const ULONG order = landscape ? 0 : BMF_TOPDOWN;

  pdev->pvBits = EngAllocMem(FL_ZERO_MEMORY, PAGE_BYTES, PAGE_BITS_TAG);
  if (pdev->pvBits == nullptr) return nullptr;
  std::memset(pdev->pvBits, 0xFF, PAGE_BYTES);

  pdev->hSurface = EngCreateBitmap(size, size.cx * 4, BMF_32BPP, order, pdev->pvBits);
  if (pdev->hSurface == nullptr ||
      !EngAssociateSurface(pdev->hSurface, pdev->hdev, HOOK_BITBLT | HOOK_STRETCHBLT)) {
    EngDeleteSurface(pdev->hSurface);
    pdev->hSurface = nullptr;
    EngFreeMem(pdev->pvBits);
    pdev->pvBits = nullptr;
    return nullptr;
  }
  return pdev->hSurface;
}

// Releases the colour table, the page bitmap and its pixels; an invalid
// instance or one without a surface is left as it is.
void DrvDisableSurface(DHPDEV dhpdev) {
  PDEV* pdev = pdev_from(dhpdev);
  if (!bValidatePDEV(pdev)) return;
  if (COLORSETUP* setup = pdev->pColorSetup; setup != nullptr && setup->pulTable != nullptr) {
    HEAPFREE(pdev->hHeap, setup->pulTable);
    setup->pulTable = nullptr;
  }
  release_page(pdev);
}

// Hands a bit-block transfer back to the engine unchanged.
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
               ROP4 rop4) {
  return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush,
                   rop4);
}

// Hands a stretched transfer back to the engine halftoned with the job's own
// colour adjustment, whatever mode and adjustment the caller asked for.
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL* pptlHTOrg, RECTL* prclDest,
                   RECTL* prclSrc, POINTL* pptlMask, ULONG) {
  PDEV* pdev = validated_instance(psoDest);
  if (pdev == nullptr) return FALSE;
  return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, &pdev->dm.dmPrivate.coloradj, pptlHTOrg,
                       prclDest, prclSrc, pptlMask, HALFTONE);
}
