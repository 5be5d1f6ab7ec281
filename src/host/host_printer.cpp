// The host's printer queues and spool sinks.
#include "host/host_printer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ymcko::host {

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

HostPrinter::HostPrinter(std::u16string name, SpoolSink& sink)
    : name_(std::move(name)), sink_(sink) {}

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

  auto taken = sink_.write({static_cast<const BYTE*>(bytes), take});
  if (!taken) return FALSE;
  bytes_written_ += *taken;
  if (written) *written = static_cast<DWORD>(*taken);
  return TRUE;
}

}  // namespace ymcko::host
