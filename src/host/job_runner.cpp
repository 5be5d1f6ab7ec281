// The host's job runner.
#include "host/job_runner.h"

#include <cstring>

namespace ymcko::host {
namespace {

constexpr ULONG kStandardPatterns = 6;

}  // namespace

DevmodeHandOver::DevmodeHandOver(std::span<const BYTE> bytes) {
  if (bytes.empty()) return;
  copy_ = static_cast<DEVMODEW*>(
      EngAllocMem(0, static_cast<ULONG>(bytes.size()), make_pool_tag("dmHo")));
  ok_ = copy_ != nullptr;
  if (copy_ == nullptr) return;
  std::memcpy(copy_, bytes.data(), bytes.size());
  engine::begin_devmode_hand_over(copy_, bytes.size());
}

DevmodeHandOver::~DevmodeHandOver() {
  if (copy_ == nullptr) return;
  engine::end_devmode_hand_over(copy_);
  EngFreeMem(copy_);
}

std::optional<LoadedDriver> LoadedDriver::load(PFN_DrvEnableDriver entry) {
  LoadedDriver driver;
  if (entry == nullptr || !entry(DDI_DRIVER_VERSION, sizeof(DRVENABLEDATA), &driver.data_))
    return std::nullopt;
  if (driver.data_.pdrvfn == nullptr) return std::nullopt;
  return driver;
}

DeviceSession::DeviceSession(const LoadedDriver& driver, HostPrinter& printer)
    : driver_(driver), printer_(printer), device_(driver.functions()) {
  device_.set_printer(&printer_);
}

DeviceSession::~DeviceSession() { disable(); }

template <ULONG Index>
engine::ddi_function_t<Index> DeviceSession::entry() const {
  return engine::find_entry<Index>(driver_.functions());
}

bool DeviceSession::make_instance(std::span<const BYTE> devmode, Instance* made) {
  auto enable_pdev = entry<INDEX_DrvEnablePDEV>();
  auto complete = entry<INDEX_DrvCompletePDEV>();
  auto enable_surface = entry<INDEX_DrvEnableSurface>();
  if (enable_pdev == nullptr || complete == nullptr || enable_surface == nullptr) return false;

  DevmodeHandOver record(devmode);
  if (!record.ok()) return false;
  HSURF patterns[kStandardPatterns] = {};
  std::u16string name = printer_.name();
  made->dhpdev =
      enable_pdev(record.record(), nullptr, kStandardPatterns, patterns, sizeof made->caps,
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
  if (auto disable_surface = entry<INDEX_DrvDisableSurface>()) disable_surface(gone.dhpdev);
  if (auto disable_pdev = entry<INDEX_DrvDisablePDEV>()) disable_pdev(gone.dhpdev);
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
  auto reset_pdev = entry<INDEX_DrvResetPDEV>();
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
  auto call = entry<INDEX_DrvStartDoc>();
  if (call == nullptr || current_.surface == nullptr) return FALSE;
  std::u16string copy = name != nullptr ? std::u16string(name) : std::u16string();
  return call(current_.surface, name != nullptr ? copy.data() : nullptr, job_id);
}

BOOL DeviceSession::start_page() {
  auto call = entry<INDEX_DrvStartPage>();
  return call != nullptr && current_.surface != nullptr ? call(current_.surface) : FALSE;
}

BOOL DeviceSession::send_page() {
  auto call = entry<INDEX_DrvSendPage>();
  return call != nullptr && current_.surface != nullptr ? call(current_.surface) : FALSE;
}

BOOL DeviceSession::end_doc(FLONG fl) {
  auto call = entry<INDEX_DrvEndDoc>();
  return call != nullptr && current_.surface != nullptr ? call(current_.surface, fl) : FALSE;
}

ULONG DeviceSession::escape(ULONG iEsc, std::span<const BYTE> in, std::span<BYTE> out) {
  auto call = entry<INDEX_DrvEscape>();
  if (call == nullptr) return 0;
  return call(current_.surface, iEsc, static_cast<ULONG>(in.size()),
              in.empty() ? nullptr : const_cast<BYTE*>(in.data()), static_cast<ULONG>(out.size()),
              out.empty() ? nullptr : out.data());
}

}  // namespace ymcko::host
