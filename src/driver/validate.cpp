// Validation of the device instance the engine hands back to the driver.
#include "driver/ddi.h"
#include "engine/last_error.h"

BOOL bValidatePDEV(const PDEV* p) {
  return p != nullptr && p->ulSignature == PDEV_SIGNATURE && p->ulSignatureEnd == PDEV_SIGNATURE;
}

PDEV* validated_instance(SURFOBJ* pso) {
  PDEV* pdev = pso != nullptr ? pdev_from(pso->dhpdev) : nullptr;
  if (!bValidatePDEV(pdev)) {
    EngSetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pdev;
}
