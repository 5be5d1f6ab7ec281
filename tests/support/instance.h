// A device instance built by hand for tests of the entry points: pool, PDEV
// with default settings and printer properties, a host printer on a memory
// spool sink, and a surface record that leads to the instance.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/pdev.h"
#include "engine/host_printer.h"
#include "engine/surface.h"

namespace ymcko::testing {

class HandBuiltInstance {
 public:
  HandBuiltInstance();
  ~HandBuiltInstance();
  HandBuiltInstance(const HandBuiltInstance&) = delete;
  HandBuiltInstance& operator=(const HandBuiltInstance&) = delete;

  PDEV* pdev() { return pdev_; }
  DRVPRIVATE& settings() { return pdev_->dm.dmPrivate; }
  PRINTERDATA& printer_data() { return *pdev_->pPrinterData; }
  SURFOBJ* surface() { return &surface_; }
  engine::HostPrinter& printer() { return printer_; }

  // Bytes spooled so far, and a way to start afresh.
  const std::vector<std::uint8_t>& spooled() const { return sink_.bytes(); }
  void clear_spool() { sink_.clear(); }

 private:
  engine::MemorySink sink_;
  engine::HostPrinter printer_;
  PDEV* pdev_ = nullptr;
  SURFOBJ surface_{};
};

}  // namespace ymcko::testing
