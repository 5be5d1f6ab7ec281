// The host's printer queues.
#include "host/host_printer.h"

#include <algorithm>

namespace ymcko::host {

HostPrinter::HostPrinter(std::u16string name, SpoolWrite write)
    : name_(std::move(name)), write_(std::move(write)) {}

HostPrinter::~HostPrinter() { retire(); }

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

std::optional<std::vector<HostForm>> HostPrinter::forms() const {
  std::lock_guard guard(lock_);
  if (forms_fail_) return std::nullopt;
  return forms_;
}

void HostPrinter::fail_form_enumeration(bool fail) {
  std::lock_guard guard(lock_);
  forms_fail_ = fail;
}

void HostPrinter::set_data_file_name(std::u16string name) {
  std::lock_guard guard(lock_);
  data_file_name_ = std::move(name);
}

std::u16string HostPrinter::data_file_name() const {
  std::lock_guard guard(lock_);
  return data_file_name_;
}

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

  if (!write_({static_cast<const BYTE*>(bytes), take})) return FALSE;
  bytes_written_ += take;
  if (written) *written = static_cast<DWORD>(take);
  return TRUE;
}

}  // namespace ymcko::host
