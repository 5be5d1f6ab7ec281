// Page sizes, regions, areas, slots, custom page parameters, resolutions,
// screens and memory as entries make them. Reals are PSREAL (1/256 point).
#include "ppd/media_handlers.h"

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "ppd/description_fixture.h"
#include "ppd/ui_group.h"

namespace {

using Media = ymcko::testing::DescriptionTest;

TEST_F(Media, PageSizeOptionsFromAnyOfTheirKeywords) {
  EXPECT_EQ(quoted("PageRegion", "Wide", "region"), PPDERR_NONE);
  MEDIAOPTION* wide = option<MEDIAOPTION>("PageSize", "Wide");
  ASSERT_NE(wide, nullptr);
  EXPECT_STREQ(wide->pstrPageRegion, "region");
  EXPECT_EQ(wide->pstrInvocation, nullptr) << "only its page-region code is set";

  EXPECT_EQ(quoted("PageSize", "Wide", "first"), PPDERR_NONE);
  EXPECT_EQ(quoted("PageSize", "Wide", "second"), PPDERR_NONE);
  EXPECT_STREQ(wide->pstrInvocation, "first");
  EXPECT_EQ(quoted("PaperDimension", "Wide", "100 200"), PPDERR_NONE);
  EXPECT_EQ(quoted("PaperDimension", "Wide", "300 400"), PPDERR_NONE);
  EXPECT_EQ(wide->szPaper.width, 300 * 256);
  EXPECT_EQ(wide->szPaper.height, 400 * 256) << "sizes are replaced";

  EXPECT_EQ(quoted("PaperDimension", "Wide", "5 x"), PPDERR_SYNTAX);
  EXPECT_EQ(wide->szPaper.width, 5 * 256) << "the width is stored before the height fails";
  EXPECT_EQ(wide->szPaper.height, 400 * 256);
  EXPECT_EQ(quoted("PaperDimension", "Wide", ""), PPDERR_SYNTAX);
  EXPECT_EQ(wide->szPaper.width, 5 * 256);

  EXPECT_EQ(quoted("ImageableArea", "Wide", "1 2 3 4"), PPDERR_NONE);
  EXPECT_EQ(quoted("ImageableArea", "Wide", "9 9 9"), PPDERR_SYNTAX);
  EXPECT_EQ(quoted("ImageableArea", "Wide", "9 9 9 z"), PPDERR_SYNTAX);
  EXPECT_EQ(wide->rcImageable.left, 256);
  EXPECT_EQ(wide->rcImageable.upper, 1024) << "all four or nothing";
}

TEST_F(Media, InputSlotsAndTheirPageRegionNeed) {
  EXPECT_EQ(insert("RequiresPageRegion", "All", "", "False", VALUE_STRING), PPDERR_NONE);
  UIGROUP* slots = feature("InputSlot");
  ASSERT_NE(slots, nullptr) << "made before any slot exists";
  EXPECT_EQ(slots->wFlags, UIGF_REQPAGERGN_FALSE);
  EXPECT_EQ(insert("RequiresPageRegion", "All", "", "True", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(slots->wFlags, UIGF_REQPAGERGN_FALSE | UIGF_REQPAGERGN_TRUE);
  EXPECT_EQ(insert("RequiresPageRegion", "All", "", "Maybe", VALUE_STRING), PPDERR_SYNTAX);

  EXPECT_EQ(quoted("InputSlot", "Hopper", "feed"), PPDERR_NONE);
  EXPECT_EQ(option<SLOTOPTION>("InputSlot", "Hopper")->bReqPageRgn, 1u);
  EXPECT_EQ(insert("RequiresPageRegion", "Hopper", "", "False", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(option<SLOTOPTION>("InputSlot", "Hopper")->bReqPageRgn, 0u);
  EXPECT_EQ(insert("RequiresPageRegion", "Manual", "", "Maybe", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(option<SLOTOPTION>("InputSlot", "Manual")->bReqPageRgn, 0u);
  EXPECT_EQ(option<SLOTOPTION>("InputSlot", "Manual")->pstrInvocation, nullptr);
}

TEST_F(Media, CustomPageSizes) {
  EXPECT_EQ(quoted("CustomPageSize", "False", "no"), PPDERR_NONE);
  EXPECT_EQ(quoted("CustomPageSize", "Yes", "no"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bCustomPageSize, 0u);
  EXPECT_EQ(quoted("CustomPageSize", "True", "custom"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bCustomPageSize, 1u);
  EXPECT_STREQ(ppd_->pstrCustomPageSize, "custom");

  const struct {
    const char* parameter;
    const char* value;
    DWORD result;
  } cases[] = {
      {"Width", "1 points 10 158", PPDERR_NONE}, {"Height", "2 real 20.5 246", PPDERR_NONE},
      {"Width", "6 points 0 1", PPDERR_SYNTAX},  {"Width", "0 points 0 1", PPDERR_SYNTAX},
      {"Width", "x points 0 1", PPDERR_SYNTAX},  {"Width", "3 inches 0 1", PPDERR_NONE},
      {"Width", "3 int 0", PPDERR_SYNTAX},       {"Width", "3 int 0 -", PPDERR_SYNTAX},
      {"Depth", "3 int 0 1", PPDERR_NONE},       {"Orientation", "5 int 0 3", PPDERR_NONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(insert("ParamCustomPageSize", c.parameter, "", c.value, VALUE_STRING), c.result);
  }
  const CUSTOMPARAM expected[CUSTOM_PARAM_COUNT] = {
      {1, 2, 10 * 256, 158 * 256}, {2, 1, 20 * 256 + 128, 246 * 256}, {}, {}, {5, 0, 0, 3 * 256}};
  for (std::size_t i = 0; i < CUSTOM_PARAM_COUNT; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ppd_->customParams[i].dwOrder, expected[i].dwOrder);
    EXPECT_EQ(ppd_->customParams[i].wType, expected[i].wType);
    EXPECT_EQ(ppd_->customParams[i].minVal, expected[i].minVal);
    EXPECT_EQ(ppd_->customParams[i].maxVal, expected[i].maxVal);
  }
}

TEST_F(Media, DeviceWideMeasures) {
  EXPECT_EQ(words("ScreenAngle", "abc"), PPDERR_SYNTAX);
  EXPECT_EQ(ppd_->screenAngle, 45 * 256) << "the default stays";
  EXPECT_EQ(quoted("ScreenFreq", "", "85.5"), PPDERR_NONE);
  EXPECT_EQ(ppd_->screenFreq, 85 * 256 + 128);
  EXPECT_EQ(words("MaxMediaWidth", "158"), PPDERR_NONE);
  EXPECT_EQ(words("MaxMediaHeight", "246"), PPDERR_NONE);
  EXPECT_EQ(ppd_->maxMediaWidth, 158 * 256);
  EXPECT_EQ(ppd_->maxMediaHeight, 246 * 256);
  EXPECT_EQ(words("FreeVM", "412345"), PPDERR_NONE);
  EXPECT_EQ(ppd_->dwFreeVm, 412345u);

  EXPECT_EQ(words("HWMargins", "1 2 3"), PPDERR_SYNTAX);
  EXPECT_EQ(ppd_->bHwMargins, 0u);
  EXPECT_EQ(words("HWMargins", "1 2 3 4.5"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bHwMargins, 1u);
  EXPECT_EQ(ppd_->hwMargins[0], 256);
  EXPECT_EQ(ppd_->hwMargins[3], 4 * 256 + 128);
}

TEST_F(Media, ResolutionsAndMemory) {
  EXPECT_EQ(quoted("Resolution", "300dpi", "res"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wResType, 0);
  EXPECT_EQ(quoted("JCLResolution", "300dpi", "@PJL<0A>"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wResType, 1);
  EXPECT_EQ(quoted("SetResolution", "300dpi", "set"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wResType, 2);
  EXPECT_EQ(quoted("ResScreenAngle", "300dpi", "15"), PPDERR_NONE);
  EXPECT_EQ(quoted("ResScreenFreq", "300dpi", "x"), PPDERR_SYNTAX);
  EXPECT_EQ(words("DefaultJCLResolution", "300dpi"), PPDERR_NONE);
  EXPECT_EQ(words("DefaultResolution", "600dpi"), PPDERR_NONE);

  const RESOPTION* res = option<RESOPTION>("Resolution", "300dpi");
  ASSERT_NE(res, nullptr);
  EXPECT_STREQ(res->pstrInvocation, "res");
  EXPECT_STREQ(res->pstrJclResolution, "@PJL\n");
  EXPECT_STREQ(res->pstrSetResolution, "set");
  EXPECT_EQ(res->screenAngle, 15 * 256);
  EXPECT_EQ(res->screenFreq, 0);
  EXPECT_STREQ(feature("Resolution")->pstrDefault, "300dpi") << "the first default stays";

  EXPECT_EQ(quoted("VMOption", "16MB", "-4"), PPDERR_NONE);
  EXPECT_EQ(quoted("InstalledMemory", "16MB", "mem"), PPDERR_NONE);
  EXPECT_EQ(option<VMOPTION>("VMOption", "16MB")->dwFreeVm, 0u) << "negative reads as 0";
  EXPECT_STREQ(option<VMOPTION>("VMOption", "16MB")->pstrInvocation, "mem");
}

TEST_F(Media, ResolutionMarkChangesEvenWhenTheOptionCannotBeMade) {
  for (BLOCKOBJ* block = ppd_->pHeap->pBlocks; block; block = block->pNextBlock) {
    ASSERT_NE(HEAPOBJ_Alloc(ppd_->pHeap, block->dwAvail), nullptr);
  }
  ymcko::engine::fail_allocations_with_tag(PPD_POOL_TAG);
  EXPECT_EQ(quoted("JCLResolution", "600dpi", "x"), PPDERR_MEMORY);
  EXPECT_EQ(ppd_->wResType, 1);
  EXPECT_EQ(quoted("PageSize", "A", "x"), PPDERR_MEMORY);
  EXPECT_EQ(ppd_->pUiGroups, nullptr);
}

}  // namespace
