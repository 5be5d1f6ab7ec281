// The host's device object.
#include "engine/host_device.h"

#include "engine/handle_registry.h"

namespace ymcko::engine {

HostDevice::HostDevice(std::span<const DRVFN> functions) : functions_(functions) {
  // The book only fails to grow when the process is out of memory; such a
  // device then resolves to nothing and every hook falls back to the engine.
  register_handle(this, HandleKind::device);
}

HostDevice::HostDevice(const DRVENABLEDATA& enabled)
    : HostDevice(std::span<const DRVFN>(enabled.pdrvfn, enabled.pdrvfn ? enabled.c : 0)) {}

HostDevice::~HostDevice() { unregister_handle(this); }

PFN HostDevice::entry_point(ULONG iFunc) const {
  for (const DRVFN& fn : functions_) {
    if (fn.iFunc == iFunc) return fn.pfn;
  }
  return nullptr;
}

HostDevice* HostDevice::from_handle(HDEV hdev) {
  auto* device = reinterpret_cast<HostDevice*>(hdev);
  return is_live_handle(device, HandleKind::device) ? device : nullptr;
}

}  // namespace ymcko::engine
