// The host's printer queues: what stands behind a printer handle, with
// where its job bytes go, its registry data and forms, and the write faults
// that tests inject.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/objects.h"

namespace ymcko::host {

using engine::HostForm;
using engine::PrinterObject;

// Where a printer's job bytes go: the function takes all of them, or fails.
using SpoolWrite = std::function<bool(std::span<const BYTE> bytes)>;

// A fault injected into a printer's writes: the at_write-th write from now
// (1 = the next) fails, or takes only `accept` bytes when that is set;
// with `persistent` every later write does the same.
struct WriteFault {
  std::size_t at_write = 1;
  bool persistent = false;
  std::optional<DWORD> accept;
};

// A printer queue as the host sees it. Its handle stays valid while the
// object lives; it is what the driver receives as hPrinter. Every member
// holds the printer's lock, so a test thread may change the printer while
// the driver writes to it.
class HostPrinter final : public PrinterObject {
 public:
  HostPrinter(std::u16string name, SpoolWrite write);
  ~HostPrinter() override;

  const std::u16string& name() const { return name_; }  // fixed at construction

  void inject_write_fault(WriteFault fault);
  void clear_write_faults();

  // Write counters: calls made and bytes taken.
  std::size_t write_calls() const;
  std::size_t bytes_written() const;

  // The printer's registry data values, by name.
  void set_value(const std::u16string& name, std::vector<BYTE> bytes);
  void remove_value(const std::u16string& name);
  std::optional<std::vector<BYTE>> value(const std::u16string& name) const override;

  // The spooler's forms database as this printer sees it; empty when new.
  void set_forms(std::vector<HostForm> forms);
  // Every enumeration of the forms fails until cleared.
  void fail_form_enumeration(bool fail);
  std::optional<std::vector<HostForm>> forms() const override;

  // The printer's data file name, handed to the driver and never opened.
  void set_data_file_name(std::u16string name);
  std::u16string data_file_name() const override;

  // EngWritePrinter's work for this printer.
  BOOL write(const void* bytes, DWORD count, DWORD* written) override;

 private:
  const std::u16string name_;
  SpoolWrite write_;
  mutable std::mutex lock_;
  std::optional<WriteFault> fault_;
  std::size_t writes_until_fault_ = 0;
  std::size_t write_calls_ = 0;
  std::size_t bytes_written_ = 0;
  std::map<std::u16string, std::vector<BYTE>> values_;
  std::vector<HostForm> forms_;
  bool forms_fail_ = false;
  std::u16string data_file_name_;
};

}  // namespace ymcko::host
