// The engine's printer and device objects.
#include "engine/objects.h"

#include <map>
#include <mutex>

#include "engine/engine.h"
#include "engine/handles.h"

namespace ymcko::engine {
namespace {

// Device modes in flight to a driver, with their byte lengths.
struct DevmodeBook {
  std::mutex lock;
  std::map<const void*, std::size_t> lengths;
};

DevmodeBook& devmode_book() {
  static DevmodeBook book;
  return book;
}

}  // namespace

void begin_devmode_hand_over(const DEVMODEW* devmode, std::size_t bytes) {
  std::lock_guard guard(devmode_book().lock);
  devmode_book().lengths[devmode] = bytes;
}

void end_devmode_hand_over(const DEVMODEW* devmode) {
  std::lock_guard guard(devmode_book().lock);
  devmode_book().lengths.erase(devmode);
}

std::optional<std::size_t> devmode_bytes(const DEVMODEW* devmode) {
  std::lock_guard guard(devmode_book().lock);
  auto found = devmode_book().lengths.find(devmode);
  if (found == devmode_book().lengths.end()) return std::nullopt;
  return found->second;
}

// The book only fails to grow when the process is out of memory; such an
// object then has a null handle, which every service refuses.
PrinterObject::PrinterObject() : handle_(register_handle(this, HandleKind::printer)) {}

PrinterObject::~PrinterObject() { retire(); }

void PrinterObject::retire() { unregister_handle(handle_); }

PrinterObject* PrinterObject::from_handle(HANDLE handle) {
  return static_cast<PrinterObject*>(resolve_handle(handle, HandleKind::printer));
}

HostDevice::HostDevice(std::span<const DRVFN> functions)
    : functions_(functions),
      handle_(static_cast<HDEV>(register_handle(this, HandleKind::device))) {}

HostDevice::~HostDevice() { unregister_handle(handle_); }

const WCHAR* HostDevice::data_file_name() {
  if (printer_ == nullptr) return nullptr;
  data_file_name_ = printer_->data_file_name();
  return data_file_name_.c_str();
}

HostDevice* HostDevice::from_handle(HDEV hdev) {
  return static_cast<HostDevice*>(resolve_handle(hdev, HandleKind::device));
}

}  // namespace ymcko::engine
