// The job output's DDI entry points: document and page control, the page
// send and the escapes. The driver's function table lists them.
#pragma once

#include "engine/engine.h"

BOOL DrvStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId);
BOOL DrvStartPage(SURFOBJ* pso);
BOOL DrvSendPage(SURFOBJ* pso);
BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl);
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
