// Device instance lifecycle: enabling an instance for a printer queue,
// completing it, carrying a running document over to a replacement, and
// tearing it down.
#include "driver/lifecycle.h"

#include <cstring>

#include "driver/capabilities.h"
#include "driver/ddi.h"
#include "driver/form_metrics.h"
#include "engine/engine.h"
#include "output/devmode_merge.h"
#include "ppdimage/ppd_pack.h"
#include "settings/printer_properties.h"

namespace {

// Job-state bits a replacement instance takes over from the one it replaces:
// document started and the font bits of the original mask, plus the card in
// the printer, whose card end would otherwise be lost.
constexpr ULONG kResetCarriedBits = 0x94104 | PDEV_CARD_IN;

// The byte length of the caller's device mode: what the engine knows it to
// be, else what the record says of itself.
std::size_t devmode_length(const DEVMODEW* pdm) {
  if (auto known = ymcko::engine::devmode_bytes(pdm)) return *known;
  return std::size_t{pdm->dmSize} + pdm->dmDriverExtra;
}

}  // namespace

BITARRAY* BitArrayCreate(HHEAP heap, ULONG bits) {
  auto* array = static_cast<BITARRAY*>(HEAPALLOC(heap, static_cast<ULONG>(bit_array_size(bits))));
  if (array == nullptr) return nullptr;
  std::memset(array, 0, bit_array_size(bits));
  array->cBits = bits;
  return array;
}

BITARRAY* BitArrayDuplicate(HHEAP heap, const BITARRAY* source) {
  if (source == nullptr) return nullptr;
  const std::size_t size = bit_array_size(source->cBits);
  auto* copy = static_cast<BITARRAY*>(HEAPALLOC(heap, static_cast<ULONG>(size)));
  if (copy != nullptr) std::memcpy(copy, source, size);
  return copy;
}

namespace ymcko {

PPDDATA* build_description(const WCHAR* data_file, DWORD* size) {
  *size = 0;
  if (hPpdSemaphore == nullptr) return nullptr;
  engine::SemaphoreLock lock(hPpdSemaphore);
  return PpdCreate(data_file, size);
}

BOOL instance_settings(HANDLE printer, const ppd_view& image, const DEVMODEW* caller,
                       const WCHAR* device_name, PRINTERDATA** properties, DRVDEVMODE* dm,
                       PRINTERFORM* form) {
  *properties = GetPrinterProperties(printer, image);
  if (*properties == nullptr) return FALSE;

  // Defaults, then what the caller's device mode validly sets; a refused
  // device mode leaves the defaults and does not fail the instance.
  const BOOL metric = ((*properties)->flPrinter & PFLAG_METRIC) != 0;
  SetDefaultDevMode(dm, device_name, image, metric);
  if (caller != nullptr) ValidateSetDevMode(dm, caller, devmode_length(caller), image);

  if (!choose_printer_form(printer, *dm, image, metric, *form)) {
    EngFreeMem(*properties);
    *properties = nullptr;
    return FALSE;
  }
  return TRUE;
}

}  // namespace ymcko

BOOL FillPsDevData(PDEV* pdev, const DEVMODEW* pdmCaller, const WCHAR* pwstrDeviceName) {
  pdev->ulSignature = pdev->ulSignatureEnd = PDEV_SIGNATURE;
  pdev->flJobState = 0;

  if (!ymcko::instance_settings(pdev->hPrinter, ymcko::ppd_view(pdev->pPpdData, pdev->cbPpdData),
                                pdmCaller, pwstrDeviceName, &pdev->pPrinterData, &pdev->dm,
                                &pdev->curForm)) {
    return FALSE;
  }

  pdev->cPages = 0;
  pdev->cCopies = pdev->dm.dmPublic.dmCopies;
  pdev->pTTSubstTable = CurrentTrueTypeSubstTable(pdev->hPrinter);
  pdev->iScaledDpi = LONG{pdev->dm.dmPublic.dmPrintQuality} * pdev->dm.dmPublic.dmScale / 100;
  return TRUE;
}

void FreePdevMemory(PDEV* pdev) {
  if (pdev->hModule != nullptr) EngFreeModule(pdev->hModule);
  if (pdev->pTTSubstTable != nullptr) EngFreeMem(pdev->pTTSubstTable);
  if (pdev->pPrinterData != nullptr) EngFreeMem(pdev->pPrinterData);
  if (pdev->pPpdData != nullptr) PpdDelete(pdev->pPpdData);
  HEAPDESTROY(pdev->hHeap);
}

DHPDEV DrvEnablePDEV(DEVMODEW* pdm, PWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                     ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                     PWSTR pwszDeviceName, HANDLE hDriver) {
  // Descriptions are built under the module semaphore; without it no
  // instance can be made safely.
  if (hPpdSemaphore == nullptr) return nullptr;

  HHEAP heap = HEAPCREATE();
  if (heap == nullptr) return nullptr;
  auto* pdev = static_cast<PDEV*>(HEAPALLOC(heap, sizeof(PDEV)));
  if (pdev == nullptr) {
    HEAPDESTROY(heap);
    return nullptr;
  }
  std::memset(pdev, 0, sizeof(PDEV));
  pdev->hHeap = heap;
  pdev->hPrinter = hDriver;

  auto fail = [pdev]() -> DHPDEV {
    if (pdev->hPalette != nullptr) EngDeletePalette(pdev->hPalette);
    FreePdevMemory(pdev);
    return nullptr;
  };

  const WCHAR* driver_name = EngGetDriverName(hdev);
  pdev->hModule = driver_name != nullptr ? EngLoadModule(driver_name) : nullptr;
  if (pdev->hModule == nullptr) return fail();

  pdev->pPpdData = ymcko::build_description(EngGetPrinterDataFileName(hdev), &pdev->cbPpdData);
  if (pdev->pPpdData == nullptr) return fail();

  pdev->pColorSetup = static_cast<COLORSETUP*>(HEAPALLOC(heap, sizeof(COLORSETUP)));
  if (pdev->pColorSetup == nullptr) return fail();
  std::memset(pdev->pColorSetup, 0, sizeof(COLORSETUP));

  if (!FillPsDevData(pdev, pdm, pwszDeviceName)) return fail();
  FillPsDevCaps(pdev, cjCaps, pdevcaps);
  pdev->cDeviceFonts = 0;
  if (!FillPsDevInfo(pdev, cjDevInfo, pdi)) return fail();

  const ULONG fonts = pdev->cDeviceFonts + pdev->cSoftFonts;
  pdev->pJobFontBits = BitArrayCreate(heap, fonts);
  pdev->pInstFontBits = pdev->pJobFontBits != nullptr ? BitArrayCreate(heap, fonts) : nullptr;
  if (pdev->pInstFontBits == nullptr) return fail();

  // The driver offers no pattern surfaces.
  if (phsurfPatterns != nullptr) {
    for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;
  }
  return reinterpret_cast<DHPDEV>(pdev);
}

void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  if (PDEV* pdev = validated_instance(dhpdev)) pdev->hdev = hdev;
}

BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
  PDEV* old_pdev = validated_instance(dhpdevOld);
  PDEV* new_pdev = old_pdev != nullptr ? validated_instance(dhpdevNew) : nullptr;
  if (new_pdev == nullptr) return FALSE;
  if (!(old_pdev->flJobState & PDEV_DOC_STARTED)) return TRUE;

  new_pdev->flJobState |= PDEV_RESET_IN_DOC;
  new_pdev->cPages = old_pdev->cPages;
  new_pdev->flJobState |= old_pdev->flJobState & kResetCarriedBits;
  if (old_pdev->cDeviceFonts == new_pdev->cDeviceFonts &&
      old_pdev->cSoftFonts == new_pdev->cSoftFonts) {
    // Replace the new instance's bits only with a copy that could be made.
    if (BITARRAY* copy = BitArrayDuplicate(new_pdev->hHeap, old_pdev->pJobFontBits)) {
      HEAPFREE(new_pdev->hHeap, new_pdev->pJobFontBits);
      new_pdev->pJobFontBits = copy;
    }
  }
  return TRUE;
}

void DrvDisablePDEV(DHPDEV dhpdev) {
  PDEV* pdev = validated_instance(dhpdev);
  if (pdev == nullptr) return;
  if (pdev->hPalette != nullptr) EngDeletePalette(pdev->hPalette);
  FreePdevMemory(pdev);
}
