// The host's printer objects and the spooler write.
#include "engine/host_printer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>

namespace ymcko::engine {
namespace {

// Live printers, so that a stale or foreign handle is refused rather than followed.
struct Registry {
  std::mutex lock;
  std::set<const HostPrinter*> live;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

std::optional<std::size_t> MemorySink::write(std::span<const BYTE> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return bytes.size();
}

std::optional<std::size_t> FileDescriptorSink::write(std::span<const BYTE> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

HostPrinter::HostPrinter(std::u16string name, SpoolSink& sink) : name_(std::move(name)), sink_(sink) {
  std::lock_guard guard(registry().lock);
  registry().live.insert(this);
}

HostPrinter::~HostPrinter() {
  std::lock_guard guard(registry().lock);
  registry().live.erase(this);
}

HostPrinter* HostPrinter::from_handle(HANDLE handle) {
  auto* printer = static_cast<HostPrinter*>(handle);
  std::lock_guard guard(registry().lock);
  return registry().live.count(printer) ? printer : nullptr;
}

void HostPrinter::inject_write_fault(WriteFault fault) {
  std::lock_guard guard(lock_);
  writes_until_fault_ = std::max<std::size_t>(fault.at_write, 1);
  fault_ = fault;
}

void HostPrinter::clear_write_faults() {
  std::lock_guard guard(lock_);
  fault_.reset();
}

std::size_t HostPrinter::write_calls() const {
  std::lock_guard guard(lock_);
  return write_calls_;
}

std::size_t HostPrinter::bytes_written() const {
  std::lock_guard guard(lock_);
  return bytes_written_;
}

void HostPrinter::set_value(const std::u16string& name, std::vector<BYTE> bytes) {
  std::lock_guard guard(lock_);
  values_[name] = std::move(bytes);
}

void HostPrinter::remove_value(const std::u16string& name) {
  std::lock_guard guard(lock_);
  values_.erase(name);
}

std::optional<std::vector<BYTE>> HostPrinter::value(const std::u16string& name) const {
  std::lock_guard guard(lock_);
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void HostPrinter::set_forms(std::vector<HostForm> forms) {
  std::lock_guard guard(lock_);
  forms_ = std::move(forms);
}

std::vector<HostForm> HostPrinter::forms() const {
  std::lock_guard guard(lock_);
  return forms_;
}

void HostPrinter::fail_form_enumeration(bool fail) {
  std::lock_guard guard(lock_);
  forms_fail_ = fail;
}

bool HostPrinter::form_enumeration_fails() const {
  std::lock_guard guard(lock_);
  return forms_fail_;
}

void HostPrinter::set_data_file_name(std::u16string name) { data_file_name_ = std::move(name); }

BOOL HostPrinter::write(const void* bytes, DWORD count, DWORD* written) {
  std::lock_guard guard(lock_);
  ++write_calls_;
  if (written) *written = 0;
  if (bytes == nullptr && count != 0) return FALSE;

  std::size_t take = count;
  if (fault_ && --writes_until_fault_ == 0) {
    if (fault_->persistent) {
      writes_until_fault_ = 1;
    }
    std::optional<DWORD> accept = fault_->accept;
    if (!fault_->persistent) fault_.reset();
    if (!accept) return FALSE;
    take = std::min<std::size_t>(*accept, count);
  }

  auto taken = sink_.write({static_cast<const BYTE*>(bytes), take});
  if (!taken) return FALSE;
  bytes_written_ += *taken;
  if (written) *written = static_cast<DWORD>(*taken);
  return TRUE;
}

}  // namespace ymcko::engine

BOOL EngWritePrinter(HANDLE hPrinter, const void* pBuf, DWORD cjBuf, DWORD* pcWritten) {
  auto* printer = ymcko::engine::HostPrinter::from_handle(hPrinter);
  if (printer == nullptr) {
    if (pcWritten) *pcWritten = 0;
    return FALSE;
  }
  return printer->write(pBuf, cjBuf, pcWritten);
}
