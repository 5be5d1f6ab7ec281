// Replays every input kept in fuzz/regressions through the fuzz target its
// name begins with ("<target>-<what>"); an input of no known target fails, so
// none can be kept without being replayed.
#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <span>
#include <string>

#include "cards/images/png_fast_check.h"
#include "fuzz/parser_targets.h"
#include "ppd/entry_script.h"
#include "ppdimage/image_script.h"
#include "support/test_support.h"
#if __has_include(<fuzzer/FuzzedDataProvider.h>)
#include "output/settings_merge.h"
#endif

namespace {

bool settings_merge([[maybe_unused]] const std::string& bytes) {
#if __has_include(<fuzzer/FuzzedDataProvider.h>)
  return ymcko::testing::run_settings_merge(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
#else
  ADD_FAILURE() << "<fuzzer/FuzzedDataProvider.h> was not found (Debian: libclang-rt-14-dev)";
  return false;
#endif
}

// A parser target's body on the kept bytes.
template <bool (*body)(std::span<const std::uint8_t>)>
bool parser(const std::string& bytes) {
  return body({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

struct Target {
  const char* name;
  bool (*run)(const std::string& bytes);
};

const Target targets[] = {
    {"ppd_entry", [](const std::string& bytes) { return ymcko::testing::run_entry_script(bytes); }},
    {"ppd_image", [](const std::string& bytes) { return ymcko::testing::run_image_script(bytes); }},
    {"settings_merge", settings_merge},
    {"png_decode", parser<ymcko::testing::run_png_decode>},
    {"jobstream", parser<ymcko::testing::run_jobstream>},
    {"manifest", parser<ymcko::testing::run_manifest>},
    {"devmode", parser<ymcko::testing::run_devmode>},
    {"settings_json", parser<ymcko::testing::run_settings_json>},
    {"printer_file", parser<ymcko::testing::run_printer_file>},
    {"raster", parser<ymcko::testing::run_raster>},
    {"png_image", parser<ymcko::testing::run_png_image>},
    {"jpeg_image", parser<ymcko::testing::run_jpeg_image>},
    {"template", parser<ymcko::testing::run_template>},
};

TEST(FuzzRegressions, EveryKeptInputPassesItsTarget) {
  const auto folder =
      std::filesystem::path(YMCKO_TEST_DATA_DIR).parent_path() / "fuzz" / "regressions";
  for (const auto& input : ymcko::testing::kept_inputs(folder)) {
    if (input.name == "README.md") continue;
    SCOPED_TRACE(input.name);
    const std::string prefix = input.name.substr(0, input.name.find('-'));
    const Target* target = nullptr;
    for (const Target& t : targets) {
      if (prefix == t.name) target = &t;
    }
    if (target == nullptr) {
      ADD_FAILURE() << "no fuzz target is named " << prefix;
      continue;
    }
    try {
      EXPECT_TRUE(target->run(input.bytes));
    } catch (const std::exception& error) {
      ADD_FAILURE() << "escaped the parser: " << error.what();
    }
  }
}

}  // namespace
