// A device instance built by hand for tests of the entry points.
#include "support/instance.h"

#include <cstring>
#include <stdexcept>

#include "engine/engine.h"

namespace ymcko::testing {

HandBuiltInstance::HandBuiltInstance() : printer_(u"Card printer", spool_into(sink_)) {
  HHEAP heap = HEAPCREATE();
  if (heap == nullptr) throw std::runtime_error("no instance heap");
  pdev_ = static_cast<PDEV*>(HEAPALLOC(heap, sizeof(PDEV)));
  if (pdev_ == nullptr) {
    HEAPDESTROY(heap);
    throw std::runtime_error("no PDEV");
  }
  std::memset(pdev_, 0, sizeof(PDEV));
  pdev_->ulSignature = pdev_->ulSignatureEnd = PDEV_SIGNATURE;
  pdev_->hHeap = heap;
  pdev_->hPrinter = printer_.handle();
  write_devmode_defaults(pdev_->dm, u"Card printer", false);
  pdev_->cCopies = 1;
  pdev_->iScaledDpi = 300;

  pdev_->pPrinterData =
      static_cast<PRINTERDATA*>(EngAllocMem(0, sizeof(PRINTERDATA), PPD_POOL_TAG));
  if (pdev_->pPrinterData == nullptr) {
    HEAPDESTROY(heap);
    throw std::runtime_error("no printer data");
  }
  write_printer_data_defaults(*pdev_->pPrinterData);

  surface_.dhpdev = reinterpret_cast<DHPDEV>(pdev_);
}

HandBuiltInstance::~HandBuiltInstance() {
  EngFreeMem(pdev_->pPrinterData);
  HEAPDESTROY(pdev_->hHeap);
}

void InstanceTest::SetUp() {
  EngineTest::SetUp();
  instance_.emplace();
  EngSetLastError(0);
}

void InstanceTest::TearDown() {
  instance_.reset();
  EngineTest::TearDown();
}

}  // namespace ymcko::testing
