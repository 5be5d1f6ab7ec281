// The built-in card description: what the 16 entries make, that builds are
// repeatable, that running out of memory anywhere leaves nothing behind, and
// the keyword table that carries them.
#include "ppd/builtin_card.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine.h"
#include "ppd/description_fixture.h"
#include "ppd/device_handlers.h"
#include "ppd/fonts.h"
#include "ppd/keywords.h"
#include "ppd/media_handlers.h"
#include "ppd/ui_group.h"
#include "ppd/ui_handlers.h"
#include "rt/wide_string.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::DescriptionTest;
using ymcko::testing::EngineTest;

class BuiltInCard : public EngineTest {};

TEST_F(BuiltInCard, OnePageSizeFeatureWithTheCardOption) {
  PPDOBJ* ppd = PPDOBJ_Create(u"CR80.PPD");
  ASSERT_NE(ppd, nullptr);
  EXPECT_EQ(ymcko::rt::wide_compare(ppd->pwstrDataFile, u"CR80.PPD"), 0);

  UIGROUP* feature = ppd->pUiGroups;
  ASSERT_NE(feature, nullptr);
  EXPECT_EQ(feature->pNext, nullptr) << "one feature only";
  EXPECT_STREQ(feature->pstrName, "PageSize");
  EXPECT_STREQ(feature->pstrDefault, "CR_80");
  EXPECT_EQ(feature->pstrTranslation, nullptr);
  EXPECT_EQ(feature->wIndex, 0);
  EXPECT_EQ(feature->wUiType, UITYPE_PICKONE);
  EXPECT_EQ(feature->cbOption, 48u);
  EXPECT_EQ(feature->wFlags, 0);
  EXPECT_EQ(feature->bInstallable, 0u);

  auto* option = static_cast<MEDIAOPTION*>(feature->pOptions);
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->pNext, nullptr) << "one option only";
  EXPECT_STREQ(option->pstrName, "CR_80");
  EXPECT_STREQ(option->pstrTranslation, "CR-80");
  EXPECT_STREQ(option->pstrInvocation, "");
  EXPECT_STREQ(option->pstrPageRegion, "");
  EXPECT_EQ(option->szPaper.width, 40448);
  EXPECT_EQ(option->szPaper.height, 62976);
  EXPECT_EQ(option->rcImageable.left, 0);
  EXPECT_EQ(option->rcImageable.lower, 0);
  EXPECT_EQ(option->rcImageable.right, 40305);
  EXPECT_EQ(option->rcImageable.upper, 62915);

  const ORDERDEP* first = ppd->pOrderDeps;
  ASSERT_NE(first, nullptr);
  const ORDERDEP* second = first->pNext;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->pNext, nullptr);
  EXPECT_STREQ(first->pstrName, "PageSize");
  EXPECT_EQ(first->pstrOption, nullptr);
  EXPECT_EQ(first->order, 7680);
  EXPECT_EQ(first->wSection, 32);
  EXPECT_STREQ(second->pstrName, "PageRegion");
  EXPECT_EQ(second->pstrOption, nullptr);
  EXPECT_EQ(second->order, 10240);
  EXPECT_EQ(second->wSection, 32);

  // Every other field keeps its initial value.
  PPDOBJ expected{};
  PPDOBJ_SetDefaults(&expected);
  expected.pwstrDataFile = ppd->pwstrDataFile;
  expected.pUiGroups = feature;
  expected.pPredefGroups[0] = feature;
  expected.pOrderDeps = ppd->pOrderDeps;
  expected.pHeap = ppd->pHeap;
  EXPECT_EQ(std::memcmp(ppd, &expected, sizeof(PPDOBJ)), 0);
  PPDOBJ_Delete(ppd);
}

// Everything a build makes, as text, to compare two builds.
std::string render(const PPDOBJ* ppd) {
  PPDOBJ scalars = *ppd;
  scalars.pwstrDataFile = nullptr;
  scalars.pUiGroups = nullptr;
  for (UIGROUP*& slot : scalars.pPredefGroups)
    slot = slot ? reinterpret_cast<UIGROUP*>(1) : nullptr;
  scalars.pOrderDeps = nullptr;
  scalars.pHeap = nullptr;
  std::string out(reinterpret_cast<const char*>(&scalars), sizeof scalars);
  auto text = [&out](const char* s) { out += s ? std::string(s) + '|' : std::string("(null)|"); };
  for (const UIGROUP* g = ppd->pUiGroups; g; g = g->pNext) {
    text(g->pstrName);
    text(g->pstrDefault);
    out += std::to_string(g->wIndex) + std::to_string(g->wUiType) + '|';
    for (const UIOPTION* o = g->pOptions; o; o = o->pNext) {
      auto* m = static_cast<const MEDIAOPTION*>(o);
      text(m->pstrName);
      text(m->pstrTranslation);
      text(m->pstrInvocation);
      text(m->pstrPageRegion);
      out.append(reinterpret_cast<const char*>(&m->szPaper), sizeof m->szPaper);
      out.append(reinterpret_cast<const char*>(&m->rcImageable), sizeof m->rcImageable);
    }
  }
  for (const ORDERDEP* d = ppd->pOrderDeps; d; d = d->pNext) {
    text(d->pstrName);
    text(d->pstrOption);
    out += std::to_string(d->order) + ' ' + std::to_string(d->wSection) + '|';
  }
  return out;
}

TEST_F(BuiltInCard, BuildingTwiceGivesEqualDescriptions) {
  PPDOBJ* first = PPDOBJ_Create(u"A");
  PPDOBJ* second = PPDOBJ_Create(u"A");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(render(first), render(second));
  EXPECT_STREQ(second->pUiGroups->pstrDefault, "CR_80") << "seen bits cleared between builds";
  PPDOBJ_Delete(first);
  PPDOBJ_Delete(second);
}

TEST_F(BuiltInCard, NullDataFileNameIsTheEmptyName) {
  PPDOBJ* ppd = PPDOBJ_Create(nullptr);
  ASSERT_NE(ppd, nullptr);
  ASSERT_NE(ppd->pwstrDataFile, nullptr);
  EXPECT_EQ(ppd->pwstrDataFile[0], 0);
  PPDOBJ_Delete(ppd);
}

TEST_F(BuiltInCard, EveryFailedEngineAllocationGivesNullAndLeavesNothing) {
  const std::size_t before = engine::allocation_attempts();
  PPDOBJ_Delete(PPDOBJ_Create(u"CARD"));
  const std::size_t count = engine::allocation_attempts() - before;
  ASSERT_GE(count, 3u) << "entry, value storage and pool block at least";
  for (std::size_t k = 1; k <= count; ++k) {
    SCOPED_TRACE(k);
    engine::fail_allocation_in(k);
    EXPECT_EQ(PPDOBJ_Create(u"CARD"), nullptr);
    engine::clear_allocation_faults();
    EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 0u);
  }
}

// The pool is left `room` bytes and can grow no further: every piece the
// build takes can be the one that fails.
class BuiltInEntries : public DescriptionTest {
 protected:
  DWORD room_left() const { return ppd_->pHeap->pBlocks->dwAvail; }
};

TEST_F(BuiltInEntries, AnExhaustedPoolFailsTheBuildAtEveryPiece) {
  const DWORD start = room_left();
  ASSERT_TRUE(PPDOBJ_BuildEntries(ppd_, entry_, u""));
  const DWORD needed = start - room_left();
  ASSERT_GT(needed, 0u);

  for (DWORD room = 0; room <= needed; room += POOL_ALIGNMENT) {
    SCOPED_TRACE(room);
    PPDOBJ* ppd = ymcko::ppdobj_in_new_pool();
    ASSERT_NE(ppd, nullptr);
    ASSERT_NE(HEAPOBJ_Alloc(ppd->pHeap, ppd->pHeap->pBlocks->dwAvail - room), nullptr);
    InitKeywordTable(ymcko::keyword_table);
    engine::fail_allocations_with_tag(PPD_POOL_TAG);
    EXPECT_EQ(PPDOBJ_BuildEntries(ppd, entry_, u"") != FALSE, room == needed);
    engine::clear_allocation_faults();
    PPDOBJ_Delete(ppd);
  }
}

TEST(BuiltInKeywords, RowsAsListed) {
  const struct {
    const char* name;
    KEYWORDPROC proc;
    WORD group;
    WORD flags;
  } expected[KEYWORD_COUNT] = {
      {"Include", IncludeProc, 7, 0x12},
      {"ColorDevice", ColorDeviceProc, 7, 0x04},
      {"Protocols", ProtocolsProc, 7, 0x14},
      {"NickName", NickNameProc, 7, 0x02},
      {"LanguageLevel", LanguageLevelProc, 7, 0x02},
      {"LanguageEncoding", LanguageEncodingProc, 7, 0x04},
      {"LanguageVersion", LanguageVersionProc, 7, 0x04},
      {"TTRasterizer", TTRasterizerProc, 7, 0x04},
      {"ExitServer", ExitServerProc, 7, 0x01},
      {"Password", PasswordProc, 7, 0x01},
      {"SuggestedJobTimeout", JobTimeoutProc, 7, 0x02},
      {"SuggestedWaitTimeout", WaitTimeoutProc, 7, 0x02},
      {"PrintPSError", PrintPsErrorProc, 7, 0x04},
      {"JCLBegin", JclBeginProc, 7, 0x02},
      {"JCLToPSInterpreter", JclToPsProc, 7, 0x02},
      {"JCLEnd", JclEndProc, 7, 0x02},
      {"LandscapeOrientation", LsOrientationProc, 7, 0x04},
      {"Font", FontProc, 7, 0x0C},
      {"CustomPageSize", CustomPageSizeProc, 7, 0x09},
      {"ParamCustomPageSize", ParamCustomPageProc, 7, 0x0C},
      {"MaxMediaWidth", MaxMediaWidthProc, 7, 0x02},
      {"MaxMediaHeight", MaxMediaHeightProc, 7, 0x02},
      {"HWMargins", HwMarginsProc, 7, 0x04},
      {"PageSize", PageSizeProc, 0, 0x09},
      {"DefaultPageSize", CommonUiDefaultProc, 7, 0x04},
      {"PageRegion", PageRegionProc, 0, 0x09},
      {"ImageableArea", ImageableAreaProc, 0, 0x09},
      {"PaperDimension", PaperDimensionProc, 0, 0x09},
      {"InputSlot", InputSlotProc, 1, 0x09},
      {"DefaultInputSlot", CommonUiDefaultProc, 7, 0x04},
      {"RequiresPageRegion", RequiresPageRgnProc, 1, 0x0C},
      {"Collate", CommonUiOptionProc, 7, 0x09},
      {"DefaultCollate", CommonUiDefaultProc, 7, 0x04},
      {"Duplex", CommonUiOptionProc, 7, 0x09},
      {"DefaultDuplex", CommonUiDefaultProc, 7, 0x04},
      {"ManualFeed", CommonUiOptionProc, 7, 0x09},
      {"DefaultManualFeed", CommonUiDefaultProc, 7, 0x04},
      {"Resolution", ResolutionProc, 5, 0x09},
      {"JCLResolution", JclResolutionProc, 5, 0x0A},
      {"DefaultResolution", CommonUiDefaultProc, 7, 0x04},
      {"DefaultJCLResolution", DefaultJclResProc, 7, 0x04},
      {"SetResolution", SetResolutionProc, 5, 0x09},
      {"ScreenAngle", ScreenAngleProc, 7, 0x02},
      {"ScreenFreq", ScreenFreqProc, 7, 0x02},
      {"ResScreenAngle", ResScreenAngleProc, 7, 0x0A},
      {"ResScreenFreq", ResScreenFreqProc, 7, 0x0A},
      {"FreeVM", FreeVmProc, 7, 0x02},
      {"InstalledMemory", InstalledMemProc, 6, 0x09},
      {"DefaultInstalledMemory", CommonUiDefaultProc, 7, 0x04},
      {"VMOption", VmOptionProc, 6, 0x0A},
      {"OpenGroup", OpenGroupProc, 7, 0x14},
      {"CloseGroup", CloseGroupProc, 7, 0x14},
      {"OpenUI", OpenUiProc, 7, 0x0C},
      {"CloseUI", CloseUiProc, 7, 0x14},
      {"JCLOpenUI", OpenUiProc, 7, 0x0C},
      {"JCLCloseUI", CloseUiProc, 7, 0x14},
      {"OrderDependency", OrderDepProc, 7, 0x14},
      {"UIConstraints", UiConstraintsProc, 7, 0x14},
      {"Extensions", ExtensionsProc, 7, 0x14},
      {"End", NullProc, 7, 0x10},
      {"JCLRes", NullProc, 7, 0x0A},
  };
  InitKeywordTable(ymcko::keyword_table);
  for (std::size_t i = 0; i < KEYWORD_COUNT; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_STREQ(keywordTable[i].pstrKeyword, expected[i].name);
    EXPECT_EQ(keywordTable[i].pfnProc, expected[i].proc);
    EXPECT_EQ(keywordTable[i].wGroup, expected[i].group);
    EXPECT_EQ(keywordTable[i].wFlags, expected[i].flags) << "seen bits clear after init";
  }
}

TEST(BuiltInKeywords, HashSlots) {
  InitKeywordTable(ymcko::keyword_table);
  const auto& slots = ymcko::keyword_table.hashTable;
  EXPECT_EQ(slots[54].wIndex, 59) << "End, home 47";
  EXPECT_EQ(slots[0].wIndex, 60) << "JCLRes wraps from its home 126";
  int away = 0;
  for (std::size_t slot = 0; slot < HASH_TABLE_SLOTS; ++slot) {
    if (slots[slot].wIndex == KEYWORD_COUNT) continue;
    if (slots[slot].dwHash % HASH_TABLE_SLOTS != slot) ++away;
    EXPECT_EQ(SearchKeyword(ymcko::keyword_table, keywordTable[slots[slot].wIndex].pstrKeyword),
              &keywordTable[slots[slot].wIndex]);
  }
  EXPECT_EQ(away, 12);
}

}  // namespace
