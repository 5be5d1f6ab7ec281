// The driver's entry point and its function table.
#include "driver/ddi.h"
#include "engine/last_error.h"
#include "engine/semaphore.h"

namespace {

template <typename F>
PFN entry(F* function) {
  return reinterpret_cast<PFN>(function);
}

}  // namespace

DRVFN gadrvfn[DRIVER_FUNCTION_COUNT] = {
    {INDEX_DrvEnablePDEV, entry(DrvEnablePDEV)},
    {INDEX_DrvResetPDEV, entry(DrvResetPDEV)},
    {INDEX_DrvCompletePDEV, entry(DrvCompletePDEV)},
    {INDEX_DrvDisablePDEV, entry(DrvDisablePDEV)},
    {INDEX_DrvEnableSurface, entry(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, entry(DrvDisableSurface)},
    {INDEX_DrvBitBlt, entry(DrvBitBlt)},
    {INDEX_DrvStretchBlt, entry(DrvStretchBlt)},
    {INDEX_DrvSendPage, entry(DrvSendPage)},
    {INDEX_DrvStartPage, entry(DrvStartPage)},
    {INDEX_DrvStartDoc, entry(DrvStartDoc)},
    {INDEX_DrvEscape, entry(DrvEscape)},
    {INDEX_DrvEndDoc, entry(DrvEndDoc)},
};

HSEMAPHORE hPpdSemaphore = nullptr;
HSEMAPHORE hSoftListSemaphore = nullptr;

// The enable data must hold the whole DRVENABLEDATA record (12 bytes on a
// 32-bit target, 16 here with its 64-bit table pointer): a smaller buffer
// would be written past. Semaphores that already exist are kept; when one
// cannot be created, what this call made is destroyed and the call fails.
BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
  if (iEngineVersion < DDI_DRIVER_VERSION || cj < sizeof(DRVENABLEDATA) || pded == nullptr) {
    EngSetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }

  pded->iDriverVersion = DDI_DRIVER_VERSION;
  pded->c = DRIVER_FUNCTION_COUNT;
  pded->pdrvfn = gadrvfn;

  HSEMAPHORE made_ppd = nullptr;
  if (hPpdSemaphore == nullptr) {
    made_ppd = EngCreateSemaphore();
    if (made_ppd == nullptr) return FALSE;
    hPpdSemaphore = made_ppd;
  }
  if (hSoftListSemaphore == nullptr) {
    hSoftListSemaphore = EngCreateSemaphore();
    if (hSoftListSemaphore == nullptr) {
      if (made_ppd != nullptr) {
        EngDeleteSemaphore(made_ppd);
        hPpdSemaphore = nullptr;
      }
      return FALSE;
    }
  }
  return TRUE;
}

PFN find_entry_point(ULONG iFunc) {
  for (const DRVFN& fn : gadrvfn) {
    if (fn.iFunc == iFunc) return fn.pfn;
  }
  return nullptr;
}
