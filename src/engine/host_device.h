// The host's device object: what stands behind an HDEV, holding the driver's function table and its instance.
#pragma once

#include <span>
#include <string>

#include "engine/driver_table.h"
#include "engine/engine_types.h"

namespace ymcko::engine {

class HostPrinter;

// The file name of the driver module the host loads.
inline constexpr char16_t DRIVER_MODULE_NAME[] = u"ymcko-driver";

// One device as the engine knows it: the function table the driver's
// DrvEnableDriver handed back (borrowed: it must outlive the device) and,
// once DrvEnablePDEV has made it, the driver's instance. Its handle stays
// valid while the object lives and is what the driver receives as hdev.
class HostDevice {
 public:
  explicit HostDevice(std::span<const DRVFN> functions);
  explicit HostDevice(const DRVENABLEDATA& enabled);
  ~HostDevice();
  HostDevice(const HostDevice&) = delete;
  HostDevice& operator=(const HostDevice&) = delete;

  HDEV handle() { return reinterpret_cast<HDEV>(this); }

  void set_instance(DHPDEV dhpdev) { instance_ = dhpdev; }
  DHPDEV instance() const { return instance_; }

  // The printer queue the device prints to (borrowed), and the driver's file name.
  void set_printer(HostPrinter* printer) { printer_ = printer; }
  HostPrinter* printer() const { return printer_; }
  const std::u16string& driver_file_name() const { return driver_file_name_; }

  // The driver's entry point registered under an engine function index, or null.
  PFN entry_point(ULONG iFunc) const;

  // Resolves a handle to a live device, or null.
  static HostDevice* from_handle(HDEV hdev);

 private:
  std::span<const DRVFN> functions_;
  DHPDEV instance_ = nullptr;
  HostPrinter* printer_ = nullptr;
  std::u16string driver_file_name_ = DRIVER_MODULE_NAME;
};

}  // namespace ymcko::engine
