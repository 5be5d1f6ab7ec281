// Module and file names the engine gives a device's driver.
#pragma once

#include <cstddef>

#include "engine/engine_types.h"

// The file name of the driver loaded for the device, or null for an unknown
// device. Valid while the device lives.
const WCHAR* EngGetDriverName(HDEV hdev);

// The data file name of the device's printer (copied by the driver, never
// opened), or null when the device or its printer is unknown.
const WCHAR* EngGetPrinterDataFileName(HDEV hdev);

// A handle to the named module: only the driver's own module is known here;
// any other name, or a test fault, gives null.
HMODULE EngLoadModule(const WCHAR* pwsz);

// Releases a handle from EngLoadModule; null is ignored.
void EngFreeModule(HMODULE h);

namespace ymcko::engine {

// Module handles loaded and not yet freed.
std::size_t loaded_modules();

// Test hook: every load fails until cleared.
void fail_module_loads(bool fail);

}  // namespace ymcko::engine
