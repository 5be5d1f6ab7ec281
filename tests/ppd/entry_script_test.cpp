// Scripts of entries as the fuzz target runs them, with the engine failing an
// allocation at each point in turn: every run leaves a whole description and
// no memory behind.
#include "ppd/entry_script.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

using EntryScripts = ymcko::testing::EngineTest;

TEST_F(EntryScripts, FailedAllocationsAnywhereLeaveNothingBehind) {
  // Long enough values that the pool grows several blocks.
  std::string script = "OpenGroup|||InstallableOptions|4\nJCLOpenUI|*Tray|T<72>ay|PickOne|4\n";
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    script += "Tray|Slot" + n + "|Slot <41>" + n + "|" + std::string(300, 'x') + "|2\n";
    script += "Font|Courier||Standard \"(1)\" Standard|4\n";
    script += "UIConstraints|||*Tray Slot" + n + " *Duplex|4\n";
    script += "OrderDependency|||" + n + " AnySetup *Tray Slot" + n + "|4\n";
    script += "PageSize|Card" + n + "|Card|" + std::string(200, 'p') + "|2\n";
  }
  script += "JCLCloseUI|||*Tray|4\nDefaultInstalledMemory|||16MB|4\n";
  for (int fail_at = 1; fail_at <= 12; ++fail_at) {
    SCOPED_TRACE(fail_at);
    EXPECT_TRUE(ymcko::testing::run_entry_script("!" + std::to_string(fail_at) + "\n" + script));
  }
  EXPECT_TRUE(ymcko::testing::run_entry_script(script));
}

TEST_F(EntryScripts, HostileShapes) {
  const char* scripts[] = {
      "OpenUI|*||PickOne|4\nCloseUI||||4",
      "OpenUI|*X||PickOne|4\nX\nDefaultX\nDefault\nCloseUI|||*X|4",
      "UIConstraints||||4\nOrderDependency|||\t\t|4\nFont|Symbol||\"\"\"|4",
      "ImageableArea|A||-1 -.5 99999999999 .|2\nParamCustomPageSize|Width||1 int|4",
      "?PageSize|A||x|2\nPageSize|A|<|x|2\nPageSize|A|<4>|x|2\nPageSize|B|<4|x|2",
  };
  for (const char* script : scripts)
    EXPECT_TRUE(ymcko::testing::run_entry_script(script)) << script;
}

}  // namespace
