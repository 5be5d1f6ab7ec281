// Cost of sending one card side, along the reference (pass by pass) and the
// fast (one sweep) path, for a photo-like page and an ID card, with and
// without colour correction and in portrait; the panel writes go to a spool
// printer that drops them. Benchmarks are named SendPage/<page>/<path>.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "host/host_printer.h"
#include "output/panel_separation.h"
#include "output/panel_sweep.h"

namespace {

// A photo-like landscape page: gradients in all three channels with grain,
// and a band of pure black text-like pixels.
std::vector<std::uint32_t> photo_page() {
  std::vector<std::uint32_t> pixels(PANEL_BYTES);
  std::uint32_t grain = 1;
  for (std::uint32_t row = 0; row < 656; ++row) {
    for (std::uint32_t col = 0; col < 1024; ++col) {
      grain = grain * 1103515245 + 12345;
      std::uint32_t r = (col * 255 / 1023 + (grain >> 29)) & 0xFF, g = row * 255 / 655,
                    b = (col + row) & 0xFF;
      bool black = row > 500 && row < 540 && (col / 3) % 4 == 0;
      pixels[row * 1024 + col] = black ? 0 : (r | g << 8 | b << 16);
    }
  }
  return pixels;
}

// An ID card: white, a flat-colour band, a photo region, pure-black text
// and a barcode; `width` x `height` in memory order.
std::vector<std::uint32_t> id_page(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint32_t> pixels(PANEL_BYTES, 0x00FFFFFF);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t& p = pixels[std::size_t{y} * width + x];
      if (y < height / 7) p = 0x00B05020;
      if (x > width / 24 && x < width * 3 / 8 && y > height / 5 && y < height * 4 / 5) {
        p = ((x * 3) & 0xFF) | ((y * 2) & 0xFF) << 8 | ((x + y) & 0xFF) << 16;
      }
      const bool text =
          x > width / 2 && y > height / 4 && y < height / 2 && (x / 4 + y / 6) % 3 == 0;
      const bool barcode =
          x > width / 2 && y > height * 2 / 3 && y < height * 9 / 10 && (x / 5) % 3 != 1;
      if (text || barcode) p = 0;
    }
  }
  return pixels;
}

struct Page {
  std::vector<std::uint32_t> pixels;
  bool landscape;
  bool correction;
};

void BM_SendPage(benchmark::State& state, Page page, ymcko::SendPath path) {
  ymcko::set_send_path(path);
  // The printer takes the page's bytes and drops them.
  ymcko::host::HostPrinter printer(u"bench", [](std::span<const BYTE>) { return true; });
  HHEAP heap = HEAPCREATE();
  auto* pdev = static_cast<PDEV*>(HEAPALLOC(heap, sizeof(PDEV)));
  std::memset(pdev, 0, sizeof(PDEV));
  pdev->ulSignature = pdev->ulSignatureEnd = PDEV_SIGNATURE;
  pdev->hHeap = heap;
  pdev->hPrinter = printer.handle();
  pdev->cCopies = 1;
  ymcko::write_devmode_defaults(pdev->dm, u"bench", false);
  pdev->dm.dmPrivate.bColorCorrection = page.correction ? 1 : 0;
  pdev->curForm.bLandscape = page.landscape ? 1 : 0;
  pdev->pvBits = EngAllocMem(0, PAGE_BYTES, PAGE_BITS_TAG);
  SURFOBJ surface{};
  surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);

  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pdev->pvBits, page.pixels.data(), PAGE_BYTES);
    pdev->flJobState |= PDEV_PAGE_OPEN;
    state.ResumeTiming();
    benchmark::DoNotOptimize(DrvSendPage(&surface));
  }
  state.SetItemsProcessed(state.iterations());

  EngFreeMem(pdev->pvBits);
  HEAPDESTROY(heap);
  ymcko::set_send_path(ymcko::SendPath::fast);
}

void register_benchmarks() {
  const std::pair<const char*, Page> pages[] = {
      {"photo", {photo_page(), true, true}},
      {"id", {id_page(1024, 656), true, true}},
      {"photo_nocorrection", {photo_page(), true, false}},
      {"id_portrait", {id_page(656, 1024), false, true}},
  };
  for (const auto& [name, page] : pages) {
    for (auto [path, path_name] : {std::pair{ymcko::SendPath::reference, "reference"},
                                   std::pair{ymcko::SendPath::fast, "fast"}}) {
      benchmark::RegisterBenchmark((std::string("SendPage/") + name + "/" + path_name).c_str(),
                                   BM_SendPage, page, path)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

const bool registered = (register_benchmarks(), true);

}  // namespace
