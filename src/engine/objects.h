// The engine's objects behind printer and device handles, as the host makes
// them: a printer queue (whose job bytes, registry data and forms the host
// keeps) and the device of a loaded driver. The driver never sees these; it
// holds their handles and reaches them through the engine's services.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/ddi.h"
#include "engine/devmode.h"
#include "engine/engine_types.h"

namespace ymcko::engine {

// The file name of the driver module the host loads.
inline constexpr char16_t DRIVER_MODULE_NAME[] = u"ymcko-driver";

// A form of the spooler's forms database, in micrometres; the imageable
// area has its origin at the upper left corner, y downward.
struct HostForm {
  std::u16string name;
  SIZEL size;
  RECTL imageable;
  DWORD flags = 0;
};

// What stands behind a printer handle. The host derives its printer queue
// from it; the handle is valid from construction to destruction.
class PrinterObject {
 public:
  PrinterObject(const PrinterObject&) = delete;
  PrinterObject& operator=(const PrinterObject&) = delete;

  HANDLE handle() const { return handle_; }

  // EngWritePrinter's work: appends the bytes to the job.
  virtual BOOL write(const void* bytes, DWORD count, DWORD* written) = 0;
  // A registry data value by name.
  virtual std::optional<std::vector<BYTE>> value(const std::u16string& name) const = 0;
  // The forms database, or nothing when it cannot be read.
  virtual std::optional<std::vector<HostForm>> forms() const = 0;
  // The printer's data file name, handed to the driver and never opened.
  virtual std::u16string data_file_name() const = 0;

  // Resolves a handle to a live printer, or null.
  static PrinterObject* from_handle(HANDLE handle);

  // EngWritePrinter calls that failed for this printer: the driver does not
  // look at a write's result, so the host learns of a lost write here.
  std::size_t failed_writes() const { return failed_writes_.load(); }
  void count_failed_write() { ++failed_writes_; }

 protected:
  PrinterObject();
  virtual ~PrinterObject();
  // Refuses the handle from now on; a derived printer calls it first in its
  // destructor, so no call reaches a printer that is being taken down.
  void retire();

 private:
  HANDLE handle_;
  std::atomic<std::size_t> failed_writes_{0};
};

// One device as the engine knows it: the function table the driver's
// DrvEnableDriver handed back (borrowed: it must outlive the device) and,
// once DrvEnablePDEV has made it, the driver's instance. Its handle stays
// valid while the object lives and is what the driver receives as hdev.
class HostDevice {
 public:
  explicit HostDevice(std::span<const DRVFN> functions);
  ~HostDevice();
  HostDevice(const HostDevice&) = delete;
  HostDevice& operator=(const HostDevice&) = delete;

  HDEV handle() const { return handle_; }

  void set_instance(DHPDEV dhpdev) { instance_ = dhpdev; }
  DHPDEV instance() const { return instance_; }

  // The printer queue the device prints to (borrowed), and the driver's file name.
  void set_printer(PrinterObject* printer) { printer_ = printer; }
  PrinterObject* printer() const { return printer_; }
  const std::u16string& driver_file_name() const { return driver_file_name_; }

  // The printer's data file name, kept here so that the text the engine
  // hands the driver lives as long as the device.
  const WCHAR* data_file_name();

  // The driver's entry point registered under an engine function index, or null.
  PFN entry_point(ULONG iFunc) const { return find_entry_point(functions_, iFunc); }

  // Resolves a handle to a live device, or null.
  static HostDevice* from_handle(HDEV hdev);

 private:
  std::span<const DRVFN> functions_;
  HDEV handle_;
  DHPDEV instance_ = nullptr;
  PrinterObject* printer_ = nullptr;
  std::u16string driver_file_name_ = DRIVER_MODULE_NAME;
  std::u16string data_file_name_;
};

// The length of a device mode the engine hands to a driver, known to the
// engine's services (devmode_bytes) while the record is in flight.
void begin_devmode_hand_over(const DEVMODEW* devmode, std::size_t bytes);
void end_devmode_hand_over(const DEVMODEW* devmode);

}  // namespace ymcko::engine
