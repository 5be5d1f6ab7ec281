// Validation of the device instance the engine hands back to the driver.
#include "engine/engine.h"
#include "records/pdev.h"

BOOL bValidatePDEV(const PDEV* p) {
  return p != nullptr && p->ulSignature == PDEV_SIGNATURE && p->ulSignatureEnd == PDEV_SIGNATURE;
}

PDEV* validated_instance(DHPDEV dhpdev) {
  PDEV* pdev = pdev_from(dhpdev);
  if (!bValidatePDEV(pdev)) {
    EngSetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pdev;
}

PDEV* validated_instance(SURFOBJ* pso) {
  return validated_instance(pso != nullptr ? pso->dhpdev : nullptr);
}
