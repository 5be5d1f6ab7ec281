// Cost of drawing a picture onto the card page: every image reaches the printer through a stretch.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/engine.h"

namespace {

constexpr COLORADJUSTMENT kDefault = {24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
constexpr COLORADJUSTMENT kAdjusted = {24, 0, 0, 12000, 10000, 9000, 500, 9500, 10, 5, 20, 0};

// Draws a width x height 24-bpp picture onto a 1024 x 656 bottom-up page.
void stretch_onto_page(benchmark::State& state, LONG width, LONG height,
                       const COLORADJUSTMENT& adjustment) {
  std::vector<BYTE> picture(std::size_t(width) * height * 3);
  std::uint32_t seed = 1;
  for (BYTE& b : picture) b = BYTE((seed = seed * 1664525 + 1013904223) >> 24);
  std::vector<BYTE> page(1024 * 656 * 4, 0xFF);
  HSURF source =
      EngCreateBitmap({width, height}, width * 3, BMF_24BPP, BMF_TOPDOWN, picture.data());
  HSURF target = EngCreateBitmap({1024, 656}, 4096, BMF_32BPP, 0, page.data());
  RECTL to{0, 0, 1024, 656}, from{0, 0, width, height};
  COLORADJUSTMENT ca = adjustment;
  for (auto _ : state) {
    BOOL drawn = EngStretchBlt(EngLockSurface(target), EngLockSurface(source), nullptr, nullptr,
                               nullptr, &ca, nullptr, &to, &from, nullptr, HALFTONE);
    benchmark::DoNotOptimize(drawn);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1024 * 656);
  EngDeleteSurface(source);
  EngDeleteSurface(target);
}

void BM_StretchSameSize(benchmark::State& state) { stretch_onto_page(state, 1024, 656, kDefault); }
void BM_StretchPhotoReduced(benchmark::State& state) {
  stretch_onto_page(state, 4000, 2562, kDefault);
}
void BM_StretchSmallEnlarged(benchmark::State& state) {
  stretch_onto_page(state, 320, 205, kDefault);
}
void BM_StretchAdjusted(benchmark::State& state) { stretch_onto_page(state, 1024, 656, kAdjusted); }

}  // namespace

BENCHMARK(BM_StretchSameSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchPhotoReduced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchSmallEnlarged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchAdjusted)->Unit(benchmark::kMillisecond);
