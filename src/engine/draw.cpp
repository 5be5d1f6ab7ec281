// The host's drawing entry.
#include "engine/draw.h"

#include "engine/bit_blt.h"
#include "engine/driver_table.h"
#include "engine/host_device.h"
#include "engine/stretch_blt.h"

namespace ymcko::engine {
namespace {

using StretchBltEntry = BOOL (*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                 COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*, POINTL*, ULONG);
using BitBltEntry = BOOL (*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*,
                             POINTL*, BRUSHOBJ*, POINTL*, ROP4);

// The driver's entry point for a transfer the destination hooks, or null.
PFN hooked_entry(const SURFOBJ* pso, FLONG hook, ULONG iFunc) {
  if (pso == nullptr || (pso->flHooks & hook) == 0) return nullptr;
  const HostDevice* device = HostDevice::from_handle(pso->hdev);
  return device == nullptr ? nullptr : device->entry_point(iFunc);
}

}  // namespace

BOOL draw_stretch(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                  XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                  RECTL* prclSrc, POINTL* pptlMask, ULONG iMode) {
  PFN entry = hooked_entry(psoDest, HOOK_STRETCHBLT, INDEX_DrvStretchBlt);
  auto draw = entry != nullptr ? reinterpret_cast<StretchBltEntry>(entry) : EngStretchBlt;
  return draw(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
              iMode);
}

BOOL draw_bitblt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                 XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                 BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  PFN entry = hooked_entry(psoTrg, HOOK_BITBLT, INDEX_DrvBitBlt);
  auto draw = entry != nullptr ? reinterpret_cast<BitBltEntry>(entry) : EngBitBlt;
  return draw(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush,
              rop4);
}

}  // namespace ymcko::engine
