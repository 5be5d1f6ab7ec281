// The device instance's lifecycle helpers: filling, freeing and the font bit arrays.
#pragma once

#include "records/pdev.h"

// Fills the instance's data once its description exists: signatures,
// printer properties, settings, form, copies and scaled resolution.
BOOL FillPsDevData(PDEV* pdev, const DEVMODEW* pdmCaller, const WCHAR* pwstrDeviceName);

// Releases everything the instance owns except its palette; the record itself
// goes with its pool and must not be touched afterwards.
void FreePdevMemory(PDEV* pdev);

// A zeroed array of `bits` bits from the pool, or null.
BITARRAY* BitArrayCreate(HHEAP heap, ULONG bits);

// A copy of `source` in the pool; null for a null source or when memory is short.
BITARRAY* BitArrayDuplicate(HHEAP heap, const BITARRAY* source);
