// Cost of composing the commands of a card: the composer runs for every command.
#include <benchmark/benchmark.h>

#include "output/command_format.h"

static void BM_DocumentStartCommands(benchmark::State& state) {
  char digits[32];
  char command[64];
  for (auto _ : state) {
    FormatIntegerList(digits, "4234", 300, 6, 0, 193);
    ULONG n = myprintf(command, "%cD%s%c", 27, digits, 13);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(command);
  }
}
BENCHMARK(BM_DocumentStartCommands);

static void BM_PanelHeader(benchmark::State& state) {
  char digits[32];
  char command[64];
  BYTE length[6];
  for (auto _ : state) {
    ConvertIntegerToHex(length, 671744);
    FormatIntegerList(digits, "34", 0, 0);
    ULONG n = myprintf(command, "%ceY%s11%c%c%c%c%cS", 27, digits, length[2], length[1], length[0],
                       2, 0x90);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_PanelHeader);
