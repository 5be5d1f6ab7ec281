// The host's job runner: what the graphics engine does with a loaded driver.
// It reaches every entry point through the function table the driver hands
// back, and drives one printer queue in the engine's calling order: enable,
// complete, surface, documents (start, pages, end, escapes at any time),
// surface disable, disable; and a device reset between two instances.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "engine/engine.h"
#include "engine/objects.h"
#include "host/host_printer.h"

namespace ymcko::host {

// A copy of an application's device mode in engine memory (aligned like any
// record) whose length the engine knows while the driver reads it. Empty
// bytes give no record.
class DevmodeHandOver {
 public:
  explicit DevmodeHandOver(std::span<const BYTE> bytes);
  ~DevmodeHandOver();
  DevmodeHandOver(const DevmodeHandOver&) = delete;
  DevmodeHandOver& operator=(const DevmodeHandOver&) = delete;

  // False when bytes were given but no engine memory could be had for them.
  bool ok() const { return ok_; }
  DEVMODEW* record() const { return copy_; }

 private:
  DEVMODEW* copy_ = nullptr;
  bool ok_ = true;
};

// A driver module after its entry point handed back its function table.
class LoadedDriver {
 public:
  // Calls the entry point with this engine's interface version; nothing when it refuses.
  static std::optional<LoadedDriver> load(PFN_DrvEnableDriver entry);

  const DRVENABLEDATA& data() const { return data_; }
  std::span<const DRVFN> functions() const { return engine::function_table(data_); }

 private:
  DRVENABLEDATA data_{};
};

// One device instance of one printer queue, with its page surface.
class DeviceSession {
 public:
  DeviceSession(const LoadedDriver& driver, HostPrinter& printer);
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Enables an instance with the application's device mode (empty: none),
  // completes it and enables its surface. False when any step fails; what
  // was made is then taken down again.
  bool enable(std::span<const BYTE> devmode);

  // Replaces the instance, as an application changing its settings in the
  // middle of a document does: a new instance with `devmode`, the driver's
  // reset from old to new, then the old instance is disabled.
  bool reset(std::span<const BYTE> devmode);

  // Disables the surface and the instance; also done by the destructor.
  void disable();

  bool enabled() const { return current_.dhpdev != nullptr; }
  const GDIINFO& capabilities() const { return current_.caps; }
  const DEVINFO& device_info() const { return current_.devinfo; }
  DHPDEV instance() const { return current_.dhpdev; }
  // The page surface to draw into (null while not enabled).
  SURFOBJ* surface() const { return current_.surface; }

  BOOL start_doc(const WCHAR* name, DWORD job_id = 1);
  BOOL start_page();
  BOOL send_page();
  BOOL end_doc(FLONG fl = 0);
  ULONG escape(ULONG iEsc, std::span<const BYTE> in, std::span<BYTE> out);

 private:
  struct Instance {
    DHPDEV dhpdev = nullptr;
    HSURF hsurf = nullptr;
    SURFOBJ* surface = nullptr;
    GDIINFO caps{};
    DEVINFO devinfo{};
  };
  bool make_instance(std::span<const BYTE> devmode, Instance* made);
  void drop_instance(Instance& gone);
  template <ULONG Index>
  engine::ddi_function_t<Index> entry() const;

  const LoadedDriver& driver_;
  HostPrinter& printer_;
  engine::HostDevice device_;
  Instance current_;
};

}  // namespace ymcko::host
