// A device instance built by hand for tests of the entry points: pool, PDEV
// with default settings and printer properties, a host printer on a memory
// spool sink, and a surface record that leads to the instance.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/surface.h"
#include "host/host_printer.h"
#include "records/pdev.h"
#include "support/test_support.h"

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
  host::HostPrinter& printer() { return printer_; }

  // Bytes spooled so far, and a way to start afresh.
  const std::vector<std::uint8_t>& spooled() const { return sink_.bytes(); }
  void clear_spool() { sink_.discard(); }

 private:
  print::MemorySink sink_;
  host::HostPrinter printer_;
  PDEV* pdev_ = nullptr;
  SURFOBJ surface_{};
};

// A test around one hand-built instance, made fresh for every case (with the
// last error cleared) and gone before the leak check.
class InstanceTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  HandBuiltInstance& card() { return *instance_; }
  PDEV* pdev() { return card().pdev(); }
  DRVPRIVATE& settings() { return card().settings(); }
  SURFOBJ* pso() { return card().surface(); }
  const std::vector<std::uint8_t>& spooled() { return card().spooled(); }

  std::optional<HandBuiltInstance> instance_;
};

}  // namespace ymcko::testing
