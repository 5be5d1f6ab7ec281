// The host's job runner.
#include "engine/job_runner.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "engine/bitmap.h"
#include "engine/memory.h"

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

// Holds a copy of the application's device mode in engine memory (aligned
// like any record) and makes its length known while the driver reads it.
class DevmodeInFlight {
 public:
  explicit DevmodeInFlight(std::span<const BYTE> bytes) {
    if (bytes.empty()) return;
    copy_ = EngAllocMem(0, static_cast<ULONG>(bytes.size()), make_pool_tag("dmHo"));
    if (copy_ == nullptr) return;
    std::memcpy(copy_, bytes.data(), bytes.size());
    std::lock_guard guard(devmode_book().lock);
    devmode_book().lengths[copy_] = bytes.size();
  }
  ~DevmodeInFlight() {
    if (copy_ == nullptr) return;
    {
      std::lock_guard guard(devmode_book().lock);
      devmode_book().lengths.erase(copy_);
    }
    EngFreeMem(copy_);
  }
  DevmodeInFlight(const DevmodeInFlight&) = delete;
  DevmodeInFlight& operator=(const DevmodeInFlight&) = delete;

  // False when a device mode was given but could not be copied.
  bool ok(std::span<const BYTE> bytes) const { return bytes.empty() || copy_ != nullptr; }
  void* record() const { return copy_; }

 private:
  void* copy_ = nullptr;
};

using EnablePDEV = DHPDEV (*)(void*, PWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, PWSTR, HANDLE);
using CompletePDEV = void (*)(DHPDEV, HDEV);
using ResetPDEV = BOOL (*)(DHPDEV, DHPDEV);
using DisablePDEV = void (*)(DHPDEV);
using EnableSurface = HSURF (*)(DHPDEV);
using DisableSurface = void (*)(DHPDEV);
using StartDoc = BOOL (*)(SURFOBJ*, PWSTR, DWORD);
using SurfaceCall = BOOL (*)(SURFOBJ*);
using EndDoc = BOOL (*)(SURFOBJ*, FLONG);
using Escape = ULONG (*)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID);

constexpr ULONG kStandardPatterns = 6;

}  // namespace

std::optional<std::size_t> devmode_bytes(const void* devmode) {
  std::lock_guard guard(devmode_book().lock);
  auto found = devmode_book().lengths.find(devmode);
  if (found == devmode_book().lengths.end()) return std::nullopt;
  return found->second;
}

std::optional<LoadedDriver> LoadedDriver::load(DrvEnableDriverFn entry) {
  LoadedDriver driver;
  if (entry == nullptr || !entry(DDI_DRIVER_VERSION, sizeof(DRVENABLEDATA), &driver.data_)) return std::nullopt;
  if (driver.data_.pdrvfn == nullptr) return std::nullopt;
  return driver;
}

PFN LoadedDriver::entry_point(ULONG index) const {
  for (ULONG i = 0; i < data_.c; ++i) {
    if (data_.pdrvfn[i].iFunc == index) return data_.pdrvfn[i].pfn;
  }
  return nullptr;
}

DeviceSession::DeviceSession(const LoadedDriver& driver, HostPrinter& printer)
    : driver_(driver), printer_(printer), device_(driver.data()) {
  device_.set_printer(&printer_);
}

DeviceSession::~DeviceSession() { disable(); }

template <class Fn>
Fn DeviceSession::entry(ULONG index) const {
  return reinterpret_cast<Fn>(driver_.entry_point(index));
}

bool DeviceSession::make_instance(std::span<const BYTE> devmode, Instance* made) {
  auto enable_pdev = entry<EnablePDEV>(INDEX_DrvEnablePDEV);
  auto complete = entry<CompletePDEV>(INDEX_DrvCompletePDEV);
  auto enable_surface = entry<EnableSurface>(INDEX_DrvEnableSurface);
  if (enable_pdev == nullptr || complete == nullptr || enable_surface == nullptr) return false;

  DevmodeInFlight record(devmode);
  if (!record.ok(devmode)) return false;
  HSURF patterns[kStandardPatterns] = {};
  std::u16string name = printer_.name();
  made->dhpdev = enable_pdev(record.record(), nullptr, kStandardPatterns, patterns, sizeof made->caps,
                             reinterpret_cast<ULONG*>(&made->caps), sizeof made->devinfo, &made->devinfo,
                             device_.handle(), name.data(), printer_.handle());
  if (made->dhpdev == nullptr) return false;

  device_.set_instance(made->dhpdev);
  complete(made->dhpdev, device_.handle());
  made->hsurf = enable_surface(made->dhpdev);
  made->surface = made->hsurf != nullptr ? EngLockSurface(made->hsurf) : nullptr;
  if (made->surface == nullptr) {
    drop_instance(*made);
    return false;
  }
  return true;
}

void DeviceSession::drop_instance(Instance& gone) {
  if (gone.dhpdev == nullptr) return;
  if (gone.surface != nullptr) EngUnlockSurface(gone.surface);
  if (auto disable_surface = entry<DisableSurface>(INDEX_DrvDisableSurface)) disable_surface(gone.dhpdev);
  if (auto disable_pdev = entry<DisablePDEV>(INDEX_DrvDisablePDEV)) disable_pdev(gone.dhpdev);
  gone = Instance{};
}

bool DeviceSession::enable(std::span<const BYTE> devmode) {
  disable();
  Instance made;
  if (!make_instance(devmode, &made)) {
    device_.set_instance(nullptr);
    return false;
  }
  current_ = made;
  return true;
}

bool DeviceSession::reset(std::span<const BYTE> devmode) {
  auto reset_pdev = entry<ResetPDEV>(INDEX_DrvResetPDEV);
  if (current_.dhpdev == nullptr || reset_pdev == nullptr) return false;
  Instance made;
  if (!make_instance(devmode, &made)) {
    device_.set_instance(current_.dhpdev);
    return false;
  }
  BOOL carried = reset_pdev(current_.dhpdev, made.dhpdev);
  drop_instance(current_);
  current_ = made;
  return carried != FALSE;
}

void DeviceSession::disable() {
  drop_instance(current_);
  device_.set_instance(nullptr);
}

BOOL DeviceSession::start_doc(const WCHAR* name, DWORD job_id) {
  auto call = entry<StartDoc>(INDEX_DrvStartDoc);
  if (call == nullptr || current_.surface == nullptr) return FALSE;
  std::u16string copy = name != nullptr ? std::u16string(name) : std::u16string();
  return call(current_.surface, name != nullptr ? copy.data() : nullptr, job_id);
}

BOOL DeviceSession::start_page() {
  auto call = entry<SurfaceCall>(INDEX_DrvStartPage);
  return call != nullptr && current_.surface != nullptr ? call(current_.surface) : FALSE;
}

BOOL DeviceSession::send_page() {
  auto call = entry<SurfaceCall>(INDEX_DrvSendPage);
  return call != nullptr && current_.surface != nullptr ? call(current_.surface) : FALSE;
}

BOOL DeviceSession::end_doc(FLONG fl) {
  auto call = entry<EndDoc>(INDEX_DrvEndDoc);
  return call != nullptr && current_.surface != nullptr ? call(current_.surface, fl) : FALSE;
}

ULONG DeviceSession::escape(ULONG iEsc, std::span<const BYTE> in, std::span<BYTE> out) {
  auto call = entry<Escape>(INDEX_DrvEscape);
  if (call == nullptr) return 0;
  return call(current_.surface, iEsc, static_cast<ULONG>(in.size()), in.empty() ? nullptr : const_cast<BYTE*>(in.data()),
              static_cast<ULONG>(out.size()), out.empty() ? nullptr : out.data());
}

}  // namespace ymcko::engine
