// Device instance lifecycle. Provisional: these entry points are registered in
// the function table but not built yet, so each returns its failure result.
#include "driver/ddi.h"

DHPDEV DrvEnablePDEV(DEVMODEW*, PWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, PWSTR,
                     HANDLE) {
  return nullptr;
}

BOOL DrvResetPDEV(DHPDEV, DHPDEV) { return FALSE; }

void DrvCompletePDEV(DHPDEV, HDEV) {}

void DrvDisablePDEV(DHPDEV) {}
