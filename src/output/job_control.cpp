// Job and page control. Provisional: these entry points are registered in the
// function table but not built yet, so each returns its failure result.
#include "driver/ddi.h"

BOOL DrvStartDoc(SURFOBJ*, PWSTR, DWORD) { return FALSE; }

BOOL DrvStartPage(SURFOBJ*) { return FALSE; }

BOOL DrvEndDoc(SURFOBJ*, FLONG) { return FALSE; }
