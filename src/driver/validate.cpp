// Validation of the device instance the engine hands back to the driver.
#include "driver/pdev.h"

BOOL bValidatePDEV(const PDEV* p) {
  return p != nullptr && p->ulSignature == PDEV_SIGNATURE && p->ulSignatureEnd == PDEV_SIGNATURE;
}
