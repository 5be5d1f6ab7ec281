// The spooler's printer data and forms database over the host's printer objects.
#include "engine/engine.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "engine/hooks.h"
#include "engine/objects.h"

using ymcko::engine::HostForm;
using ymcko::engine::PrinterObject;

DWORD EngGetPrinterData(HANDLE hPrinter, const WCHAR* pValueName, DWORD* pType, BYTE* pData,
                        DWORD cjSize, DWORD* pcjNeeded) {
  PrinterObject* printer = PrinterObject::from_handle(hPrinter);
  if (printer == nullptr || pValueName == nullptr) return ERROR_FILE_NOT_FOUND;
  auto value = printer->value(pValueName);
  if (!value) return ERROR_FILE_NOT_FOUND;

  const auto size = static_cast<DWORD>(value->size());
  if (pcjNeeded) *pcjNeeded = size;
  if (pType) *pType = REG_BINARY;
  // An empty value has no bytes (and may have no storage) to copy.
  if (pData != nullptr && size != 0) std::memcpy(pData, value->data(), std::min(size, cjSize));
  return size <= cjSize && (pData != nullptr || size == 0) ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

BOOL EngEnumForms(HANDLE hPrinter, DWORD Level, BYTE* pForm, DWORD cbBuf, DWORD* pcbNeeded,
                  DWORD* pcReturned) {
  if (pcReturned) *pcReturned = 0;
  PrinterObject* printer = PrinterObject::from_handle(hPrinter);
  std::optional<std::vector<HostForm>> database =
      printer != nullptr && Level == 1 ? printer->forms() : std::nullopt;
  if (!database) {
    EngSetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }

  // Records first, then the names, each name zero-terminated.
  const std::vector<HostForm>& forms = *database;
  std::size_t needed = forms.size() * sizeof(FORM_INFO_1);
  for (const HostForm& form : forms) needed += (form.name.size() + 1) * sizeof(WCHAR);
  if (pcbNeeded) *pcbNeeded = static_cast<DWORD>(needed);
  if (needed != 0 && (pForm == nullptr || cbBuf < needed)) {
    EngSetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }

  BYTE* names = pForm + forms.size() * sizeof(FORM_INFO_1);
  for (std::size_t i = 0; i < forms.size(); ++i) {
    const HostForm& form = forms[i];
    std::size_t name_bytes = (form.name.size() + 1) * sizeof(WCHAR);
    std::memcpy(names, form.name.c_str(), name_bytes);
    FORM_INFO_1 record{form.flags, reinterpret_cast<PWSTR>(names), form.size, form.imageable};
    std::memcpy(pForm + i * sizeof(FORM_INFO_1), &record, sizeof record);
    names += name_bytes;
  }
  if (pcReturned) *pcReturned = static_cast<DWORD>(forms.size());
  return TRUE;
}

namespace {

std::atomic<std::size_t> g_write_fault_countdown{0};

// Counts the pending fault down; true when this write is the one to fail.
bool write_fails() {
  std::size_t pending = g_write_fault_countdown.load();
  while (pending != 0) {
    if (g_write_fault_countdown.compare_exchange_weak(pending, pending - 1)) return pending == 1;
  }
  return false;
}

}  // namespace

namespace ymcko::engine {

void fail_printer_write_in(std::size_t n) { g_write_fault_countdown.store(n); }

}  // namespace ymcko::engine

BOOL EngWritePrinter(HANDLE hPrinter, const void* pBuf, DWORD cjBuf, DWORD* pcWritten) {
  if (pcWritten) *pcWritten = 0;
  PrinterObject* printer = PrinterObject::from_handle(hPrinter);
  if (printer == nullptr) return FALSE;
  const BOOL written = !write_fails() && printer->write(pBuf, cjBuf, pcWritten);
  if (!written) printer->count_failed_write();
  return written;
}
