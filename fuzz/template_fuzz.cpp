// Card templates on arbitrary SVG text: parsed, their placeholders filled
// with markup and the result parsed again (the body is shared with the test
// that replays kept inputs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/parser_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!ymcko::testing::run_template({data, size})) std::abort();
  return 0;
}
