// The device instance's lifecycle helpers: filling, freeing and the font bit arrays.
#pragma once

#include "ppdimage/ppd_image.h"
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

namespace ymcko {

// The printer description an instance builds from the printer's data file
// name, made under the description semaphore; its length goes to *size.
// Null when it cannot be made (or the module is not enabled).
PPDDATA* build_description(const WCHAR* data_file, DWORD* size);

// The settings an instance takes, as FillPsDevData makes them: the printer
// properties (engine memory the caller frees), the defaults with what the
// caller's device mode validly sets, and the form. FALSE, with nothing to
// free, when the properties or the form cannot be had.
BOOL instance_settings(HANDLE printer, const ppd_view& image, const DEVMODEW* caller,
                       const WCHAR* device_name, PRINTERDATA** properties, DRVDEVMODE* dm,
                       PRINTERFORM* form);

}  // namespace ymcko
