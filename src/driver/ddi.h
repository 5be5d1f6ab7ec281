// The driver's entry point, its function table and the DDI entry points the
// engine reaches through that table.
#pragma once

#include "engine/engine.h"
#include "output/entry_points.h"
#include "records/pdev.h"

inline constexpr ULONG DRIVER_FUNCTION_COUNT = 13;

extern DRVFN gadrvfn[DRIVER_FUNCTION_COUNT];

// Module-wide semaphores, created by DrvEnableDriver and kept while the
// module is loaded. hPpdSemaphore serialises description builds.
extern HSEMAPHORE hPpdSemaphore;
extern HSEMAPHORE hSoftListSemaphore;

// Checks the engine's interface version and the enable-data size, hands back
// the function table and creates the module semaphores.
BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);

// Device instance lifecycle.
DHPDEV DrvEnablePDEV(DEVMODEW* pdm, PWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                     ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                     PWSTR pwszDeviceName, HANDLE hDriver);
BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
void DrvDisablePDEV(DHPDEV dhpdev);

// Drawing surface.
HSURF DrvEnableSurface(DHPDEV dhpdev);
void DrvDisableSurface(DHPDEV dhpdev);
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
               ROP4 rop4);
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                   RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
