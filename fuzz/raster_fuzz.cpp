// The CUPS filter on an arbitrary raster stream; stops where
// the parser neither accepts nor refuses with its own error (the body is
// shared with the test that replays kept inputs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/parser_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!ymcko::testing::run_raster({data, size})) std::abort();
  return 0;
}
