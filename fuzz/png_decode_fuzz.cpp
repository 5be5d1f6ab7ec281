// The fast PNG path against libpng: whatever the bytes, the fast path either
// declines or gives exactly libpng's pixels, and never reads or writes out
// of bounds (the body is shared with the test that replays kept inputs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cards/images/png_fast_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!ymcko::testing::run_png_decode({data, size})) std::abort();
  return 0;
}
