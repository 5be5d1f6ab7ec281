// The driver's entry point and its function table.
#include "driver/ddi.h"
#include "engine/engine.h"

using ymcko::engine::ddi_entry;

// Each entry is checked at compile time against the engine's signature for its index.
DRVFN gadrvfn[DRIVER_FUNCTION_COUNT] = {
    ddi_entry<INDEX_DrvEnablePDEV>(DrvEnablePDEV),
    ddi_entry<INDEX_DrvResetPDEV>(DrvResetPDEV),
    ddi_entry<INDEX_DrvCompletePDEV>(DrvCompletePDEV),
    ddi_entry<INDEX_DrvDisablePDEV>(DrvDisablePDEV),
    ddi_entry<INDEX_DrvEnableSurface>(DrvEnableSurface),
    ddi_entry<INDEX_DrvDisableSurface>(DrvDisableSurface),
    ddi_entry<INDEX_DrvBitBlt>(DrvBitBlt),
    ddi_entry<INDEX_DrvStretchBlt>(DrvStretchBlt),
    ddi_entry<INDEX_DrvSendPage>(DrvSendPage),
    ddi_entry<INDEX_DrvStartPage>(DrvStartPage),
    ddi_entry<INDEX_DrvStartDoc>(DrvStartDoc),
    ddi_entry<INDEX_DrvEscape>(DrvEscape),
    ddi_entry<INDEX_DrvEndDoc>(DrvEndDoc),
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
