// Feeds arbitrary description entries, one to a line
// ("keyword|option|translation|value|type", "!N" to fail the N-th engine
// allocation), to a fresh description; stops on a result outside 0, 3 and 4,
// a description that is not whole, or engine memory left behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ppd/entry_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view script(reinterpret_cast<const char*>(data), size);
  if (!ymcko::testing::run_entry_script(script)) std::abort();
  return 0;
}
