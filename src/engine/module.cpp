// Module and file names the engine gives a device's driver.
#include "engine/engine.h"

#include <atomic>
#include <string_view>

#include "engine/hooks.h"
#include "engine/objects.h"

namespace {

// The driver module: one object; a handle is its address, counted per load.
struct DriverModule {
  std::atomic<std::size_t> loads{0};
};

DriverModule g_driver_module;
std::atomic<bool> g_fail_loads{false};

}  // namespace

const WCHAR* EngGetDriverName(HDEV hdev) {
  auto* device = ymcko::engine::HostDevice::from_handle(hdev);
  return device != nullptr ? device->driver_file_name().c_str() : nullptr;
}

const WCHAR* EngGetPrinterDataFileName(HDEV hdev) {
  auto* device = ymcko::engine::HostDevice::from_handle(hdev);
  return device != nullptr ? device->data_file_name() : nullptr;
}

HMODULE EngLoadModule(const WCHAR* pwsz) {
  if (pwsz == nullptr || g_fail_loads.load()) return nullptr;
  if (std::u16string_view(pwsz) != ymcko::engine::DRIVER_MODULE_NAME) return nullptr;
  ++g_driver_module.loads;
  return reinterpret_cast<HMODULE>(&g_driver_module);
}

void EngFreeModule(HMODULE h) {
  if (h == reinterpret_cast<HMODULE>(&g_driver_module)) --g_driver_module.loads;
}

namespace ymcko::engine {

std::size_t loaded_modules() { return g_driver_module.loads.load(); }

void fail_module_loads(bool fail) { g_fail_loads.store(fail); }

}  // namespace ymcko::engine
