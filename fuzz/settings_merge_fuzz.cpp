// Feeds arbitrary bytes as the printer's registry values and as an
// application's device mode through the printer properties, the settings
// defaults and merge, and the form choice; stops on a broken promise or
// engine memory left behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "output/settings_merge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!ymcko::testing::run_settings_merge({data, size})) std::abort();
  return 0;
}
