// Page send. Provisional: the entry point is registered in the function table
// but not built yet, so it returns its failure result.
#include "driver/ddi.h"

BOOL DrvSendPage(SURFOBJ*) { return FALSE; }
