// The host's drawing entry.
#include "host/draw.h"

#include "engine/engine.h"
#include "engine/objects.h"

namespace ymcko::host {
namespace {

// The driver's entry point under Index for a transfer the destination
// hooks, or null when the engine draws it.
template <ULONG Index>
engine::ddi_function_t<Index> hooked_entry(const SURFOBJ* pso, FLONG hook) {
  if (pso == nullptr || (pso->flHooks & hook) == 0) return nullptr;
  const engine::HostDevice* device = engine::HostDevice::from_handle(pso->hdev);
  return device == nullptr
             ? nullptr
             : reinterpret_cast<engine::ddi_function_t<Index>>(device->entry_point(Index));
}

}  // namespace

BOOL draw_stretch(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                  COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                  POINTL* pptlMask, ULONG iMode) {
  auto draw = hooked_entry<INDEX_DrvStretchBlt>(psoDest, HOOK_STRETCHBLT);
  if (draw == nullptr) draw = EngStretchBlt;
  return draw(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
              iMode);
}

BOOL draw_bitblt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                 RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                 POINTL* pptlBrush, ROP4 rop4) {
  auto draw = hooked_entry<INDEX_DrvBitBlt>(psoTrg, HOOK_BITBLT);
  if (draw == nullptr) draw = EngBitBlt;
  return draw(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
}

}  // namespace ymcko::host
