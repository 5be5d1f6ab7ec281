// Replays entry scripts through packing and every query: the seeds of the
// image fuzz target and the inputs it once found troublesome.
#include "ppdimage/image_script.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace {

TEST(ImageScript, SeedsAndKeptInputsPackSoundly) {
  const char* scripts[] = {
      "",
      "OpenUI|*PageSize||PickOne|4\nPageSize|CR_80|CR-80||2\nDefaultPageSize|||CR_80|4",
      "OpenGroup|||InstallableOptions|4\nOpenUI|*Opt||PickOne|4\nOpt|A||a|2\nOpt|B||b|2\n"
      "CloseUI|||*Opt|4\nCloseGroup|||InstallableOptions|4\nUIConstraints|||*Opt A *Opt B|4\n"
      "UIConstraints|||*Opt *Missing|4",
      "Resolution|600dpi||r|2\nDefaultResolution|||99999999999999999999|4\nFont|Courier|<4D>ono|"
      "Standard|4",
      "ImageableArea|X||1 2 3 4|2\nPaperDimension|X||0 9|2\nOrderDependency|||10 Prolog *X Y|4",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    EXPECT_TRUE(ymcko::testing::run_image_script(script));
  }
  int replayed = 0;
  for (const auto& input : ymcko::testing::kept_inputs(std::filesystem::path(YMCKO_TEST_DATA_DIR) /
                                                       "inputs" / "malformed")) {
    if (input.name.rfind("ppd_image_", 0) != 0) continue;
    SCOPED_TRACE(input.name);
    EXPECT_TRUE(ymcko::testing::run_image_script(input.bytes));
    ++replayed;
  }
  EXPECT_GT(replayed, 0) << "no kept ppd_image_ inputs";
}

}  // namespace
