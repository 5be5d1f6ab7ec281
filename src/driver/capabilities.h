// The device capabilities and device information an enabled instance reports
// to the engine, from its settings, its form and the printer's halftone setup.
#pragma once

#include "engine/engine.h"
#include "records/pdev.h"

// The halftone data used when the printer stores none of its own.
extern const DEVHTINFO DefDevHTInfo;

// Fills a GDIINFO and copies as much of it as the caller's buffer holds; also
// fills the instance's colour setup.
void FillPsDevCaps(PDEV* pdev, ULONG cjCaps, ULONG* pdevcaps);

// Fills a DEVINFO, creates the default palette (replacing an earlier one) and
// copies as much of the record as the caller's buffer holds; FALSE, with
// nothing copied, when the palette cannot be made.
BOOL FillPsDevInfo(PDEV* pdev, ULONG cjDevInfo, DEVINFO* pdi);
