// Replays entry scripts through packing and every query: the seeds of the
// image fuzz target and the inputs it once found troublesome.
#include "ppdimage/image_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

TEST(ImageScript, SeedsAndKeptInputsPackSoundly) {
  const char* scripts[] = {
      "",
      "OpenUI|*PageSize||PickOne|4\nPageSize|CR_80|CR-80||2\nDefaultPageSize|||CR_80|4",
      "OpenGroup|||InstallableOptions|4\nOpenUI|*Opt||PickOne|4\nOpt|A||a|2\nOpt|B||b|2\n"
      "CloseUI|||*Opt|4\nCloseGroup|||InstallableOptions|4\nUIConstraints|||*Opt A *Opt B|4\n"
      "UIConstraints|||*Opt *Missing|4",
      "Resolution|600dpi||r|2\nDefaultResolution|||99999999999999999999|4\nFont|Courier|<4D>ono|Standard|4",
      "ImageableArea|X||1 2 3 4|2\nPaperDimension|X||0 9|2\nOrderDependency|||10 Prolog *X Y|4",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    EXPECT_TRUE(ymcko::testing::run_image_script(script));
  }
  const std::filesystem::path kept = std::filesystem::path(YMCKO_TEST_DATA_DIR) / "inputs" / "malformed";
  if (!std::filesystem::exists(kept)) return;
  for (const auto& file : std::filesystem::directory_iterator(kept)) {
    if (file.path().filename().string().rfind("ppd_image_", 0) != 0) continue;
    std::ifstream in(file.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    SCOPED_TRACE(file.path().string());
    EXPECT_TRUE(ymcko::testing::run_image_script(text.str()));
  }
}

}  // namespace
