// Packs descriptions built from arbitrary entries (the entry-script format)
// and runs every query over the image; stops on an unsound image or engine
// memory left behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ppdimage/image_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view script(reinterpret_cast<const char*>(data), size);
  if (!ymcko::testing::run_image_script(script)) std::abort();
  return 0;
}
