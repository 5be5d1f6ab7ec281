// Cost of sending one full-colour landscape card side: colour correction, the
// four separation passes and the panel writes to a spool sink that discards.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "host/host_printer.h"
#include "output/panel_separation.h"

namespace {

class DiscardSink final : public ymcko::host::SpoolSink {
 public:
  std::optional<std::size_t> write(std::span<const BYTE> bytes) override { return bytes.size(); }
};

// A colourful landscape page: gradients in all three channels, with a band
// of pure black text-like pixels.
void draw_page(std::uint32_t* pixels) {
  for (std::uint32_t row = 0; row < 656; ++row) {
    for (std::uint32_t col = 0; col < 1024; ++col) {
      std::uint32_t r = col * 255 / 1023, g = row * 255 / 655, b = (col + row) & 0xFF;
      bool black = row > 500 && row < 540 && (col / 3) % 4 == 0;
      pixels[row * 1024 + col] = black ? 0 : (r | g << 8 | b << 16);
    }
  }
}

void BM_SendLandscapeColourPage(benchmark::State& state) {
  DiscardSink sink;
  ymcko::host::HostPrinter printer(u"bench", sink);
  HHEAP heap = HEAPCREATE();
  auto* pdev = static_cast<PDEV*>(HEAPALLOC(heap, sizeof(PDEV)));
  std::memset(pdev, 0, sizeof(PDEV));
  pdev->ulSignature = pdev->ulSignatureEnd = PDEV_SIGNATURE;
  pdev->hHeap = heap;
  pdev->hPrinter = printer.handle();
  pdev->cCopies = 1;
  ymcko::write_devmode_defaults(pdev->dm, u"bench", false);
  pdev->curForm.bLandscape = 1;
  pdev->pvBits = EngAllocMem(0, PAGE_BYTES, PAGE_BITS_TAG);
  SURFOBJ surface{};
  surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);

  std::vector<std::uint32_t> page(PANEL_BYTES);
  draw_page(page.data());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pdev->pvBits, page.data(), PAGE_BYTES);
    pdev->flJobState |= PDEV_PAGE_OPEN;
    state.ResumeTiming();
    benchmark::DoNotOptimize(DrvSendPage(&surface));
  }
  state.SetItemsProcessed(state.iterations());

  EngFreeMem(pdev->pvBits);
  HEAPDESTROY(heap);
}
BENCHMARK(BM_SendLandscapeColourPage)->Unit(benchmark::kMillisecond);

}  // namespace
