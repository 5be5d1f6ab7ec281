// Features, options, order dependencies and constraints as entries make them,
// and the interpreter's routing and rules.
#include "ppd/ui_handlers.h"

#include <gtest/gtest.h>

#include "ppd/description_fixture.h"
#include "ppd/ui_group.h"

namespace {

using Features = ymcko::testing::DescriptionTest;

TEST_F(Features, PageRegionAndDuplexOpenNoFeatureOfTheirOwn) {
  EXPECT_EQ(insert("OpenUI", "*PageRegion", "", "Boolean", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(insert("OpenUI", "*Duplex", "", "Boolean", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(feature("PageRegion"), nullptr);
  ASSERT_NE(feature("PageSize"), nullptr);
  EXPECT_EQ(feature("PageSize")->wUiType, UITYPE_BOOLEAN);
  EXPECT_EQ(feature("Duplex"), nullptr) << "the Duplex OpenUI is ignored";
  EXPECT_EQ(ppd_->pOpenUiGroup, nullptr) << "predefined features are never opened";

  EXPECT_EQ(quoted("Duplex", "DuplexNoTumble", "<1B>D"), PPDERR_NONE);
  UIGROUP* duplex = feature("Duplex");
  ASSERT_NE(duplex, nullptr);
  EXPECT_EQ(duplex->wUiType, UITYPE_PICKONE);
  EXPECT_EQ(duplex, ppd_->pPredefGroups[UIGRP_DUPLEX]);
  EXPECT_STREQ(option("Duplex", "DuplexNoTumble")->pstrInvocation, "<1B>D") << "not JCL";
}

TEST_F(Features, GenericFeatureFromOpenToClose) {
  ASSERT_EQ(insert("OpenUI", "*Laminate", "Lam<69>nate", "Boolean", VALUE_STRING), PPDERR_NONE);
  UIGROUP* laminate = feature("Laminate");
  ASSERT_NE(laminate, nullptr);
  EXPECT_EQ(ppd_->pOpenUiGroup, laminate);
  EXPECT_STREQ(laminate->pstrTranslation, "Laminate");
  EXPECT_EQ(laminate->wIndex, UIGRP_GENERIC);
  EXPECT_EQ(laminate->cbOption, 20u);

  // Routed entries skip the table's rules: a plain string is accepted.
  EXPECT_EQ(insert("Laminate", "True", "On", "lam on", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(quoted("Laminate", "False", "lam off"), PPDERR_NONE);
  EXPECT_EQ(words("DefaultLaminate", "False"), PPDERR_NONE);
  EXPECT_EQ(words("DefaultLaminate", "True"), PPDERR_NONE) << "accepted, first stays";
  EXPECT_EQ(words("CloseUI", "*Laminate \t "), PPDERR_NONE);

  EXPECT_EQ(ppd_->pOpenUiGroup, nullptr);
  EXPECT_EQ(LISTOBJ_Count(laminate->pOptions), 2u);
  EXPECT_STREQ(laminate->pstrDefault, "False");
  EXPECT_STREQ(option("Laminate", "True")->pstrTranslation, "On");
  EXPECT_STREQ(option("Laminate", "True")->pstrInvocation, "lam on");
  EXPECT_EQ(words("Laminate", "x"), PPDERR_NONE) << "closed: no table keyword, ignored";
  EXPECT_EQ(LISTOBJ_Count(laminate->pOptions), 2u);
}

TEST_F(Features, JclFeaturesDecodeTheirInvocations) {
  ASSERT_EQ(insert("JCLOpenUI", "*JCLTray", "", "PickOne", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(quoted("JCLTray", "Upper", "@PJL<0A>"), PPDERR_NONE);
  EXPECT_EQ(words("JCLCloseUI", "*JCLTray"), PPDERR_NONE);
  ASSERT_EQ(insert("OpenUI", "*Tray", "", "PickOne", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(quoted("Tray", "Upper", "@PJL<0A>"), PPDERR_NONE);

  EXPECT_EQ(feature("JCLTray")->wFlags, UIGF_JCL);
  EXPECT_STREQ(option("JCLTray", "Upper")->pstrInvocation, "@PJL\n");
  EXPECT_EQ(feature("Tray")->wFlags, 0);
  EXPECT_STREQ(option("Tray", "Upper")->pstrInvocation, "@PJL<0A>");
}

TEST_F(Features, OpenAndCloseRules) {
  EXPECT_EQ(insert("OpenUI", "*", "", "PickOne", VALUE_STRING), PPDERR_SYNTAX);
  ASSERT_EQ(insert("OpenUI", "*A", "", "PickOne", VALUE_STRING), PPDERR_NONE);
  ASSERT_EQ(insert("OpenUI", "*B", "", "Unknown", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(ppd_->pOpenUiGroup, feature("B")) << "a new OpenUI closes the previous one";
  EXPECT_EQ(feature("B")->wUiType, UITYPE_PICKONE) << "an unknown UI type is PickOne";
  EXPECT_EQ(words("CloseUI", "*"), PPDERR_SYNTAX);
  EXPECT_EQ(words("CloseUI", "*A"), PPDERR_SYNTAX) << "neither open nor a keyword";
  EXPECT_EQ(words("CloseUI", "*Duplex"), PPDERR_NONE) << "a table keyword";
  EXPECT_EQ(ppd_->pOpenUiGroup, feature("B"));
}

TEST_F(Features, InstallableOptionsGroup) {
  EXPECT_EQ(words("CloseGroup", "InstallableOptions"), PPDERR_SYNTAX);
  EXPECT_EQ(words("OpenGroup", "InstallableOptions/Options Installed"), PPDERR_NONE)
      << "no blank after the name: another group, ignored";
  EXPECT_EQ(ppd_->bInstallableOptions, 0u);
  ASSERT_EQ(words("OpenGroup", "InstallableOptions"), PPDERR_NONE);
  EXPECT_EQ(words("OpenGroup", "InstallableOptions"), PPDERR_SYNTAX);
  EXPECT_EQ(insert("OpenUI", "*Encoder", "", "Boolean", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(quoted("Resolution", "300dpi", ""), PPDERR_NONE);
  EXPECT_EQ(words("CloseGroup", "InstallableOptions"), PPDERR_NONE);
  EXPECT_EQ(insert("OpenUI", "*Overlay", "", "Boolean", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(quoted("InstalledMemory", "16MB", "mem"), PPDERR_NONE);

  EXPECT_EQ(feature("Encoder")->bInstallable, 1u);
  EXPECT_EQ(feature("Resolution")->bInstallable, 0u);
  EXPECT_EQ(feature("Overlay")->bInstallable, 0u);
  EXPECT_EQ(feature("VMOption")->bInstallable, 1u) << "memory is installable, always";
}

TEST_F(Features, MemoryDefaultReachesTheMemoryFeature) {
  EXPECT_EQ(words("DefaultInstalledMemory", "16MB"), PPDERR_NONE);
  EXPECT_EQ(quoted("InstalledMemory", "16MB", "mem"), PPDERR_NONE);
  EXPECT_EQ(feature("InstalledMemory"), nullptr);
  ASSERT_NE(feature("VMOption"), nullptr);
  EXPECT_STREQ(feature("VMOption")->pstrDefault, "16MB");
  EXPECT_EQ(LISTOBJ_Count(ppd_->pUiGroups), 1u);
}

TEST_F(Features, OptionRecordsHoldTheirFeaturesFields) {
  // Two options in each predefined feature, the first one's extra fields
  // written last: a record smaller than its kind would run into the second.
  const struct {
    const char* keyword;
    const char* value;
    const char* feature;
    DWORD cbOption;
  } kinds[] = {
      {"PaperDimension", "1 2", "PageSize", 48}, {"ImageableArea", "1 2 3 4", "PageSize", 48},
      {"InputSlot", "slot", "InputSlot", 24},    {"ResScreenFreq", "85", "Resolution", 36},
      {"SetResolution", "x", "Resolution", 36},  {"VMOption", "4096", "VMOption", 24},
      {"Collate", "c", "Collate", 20},           {"ManualFeed", "m", "ManualFeed", 20},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.keyword);
    EXPECT_EQ(quoted(kind.keyword, "First", kind.value), PPDERR_NONE);
    EXPECT_EQ(quoted(kind.keyword, "Second", kind.value), PPDERR_NONE);
    EXPECT_EQ(quoted(kind.keyword, "First", kind.value), PPDERR_NONE);
    UIGROUP* group = feature(kind.feature);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->cbOption, kind.cbOption);
    ASSERT_EQ(LISTOBJ_Count(group->pOptions), 2u);
    EXPECT_STREQ(group->pOptions->pNext->pstrName, "Second");
    EXPECT_EQ(group->pOptions->pNext->pNext, nullptr);
  }
  EXPECT_EQ(option<MEDIAOPTION>("PageSize", "First")->rcImageable.upper, 4 * 256);
  EXPECT_EQ(option<VMOPTION>("VMOption", "Second")->dwFreeVm, 4096u);
}

TEST_F(Features, TranslationsFillOnceAndMalformedOnesFail) {
  EXPECT_EQ(quoted("PageSize", "A", "a"), PPDERR_NONE);
  EXPECT_EQ(quoted("PageRegion", "A", "r", "Card <41>"), PPDERR_NONE);
  EXPECT_EQ(quoted("PaperDimension", "A", "1 1", "Other"), PPDERR_NONE);
  EXPECT_STREQ(option("PageSize", "A")->pstrTranslation, "Card A");

  EXPECT_EQ(quoted("PageSize", "B", "b", "<4G>"), PPDERR_MEMORY) << "the option cannot be made";
  EXPECT_EQ(option("PageSize", "B"), nullptr);
  EXPECT_EQ(quoted("PageSize", "C", "c"), PPDERR_NONE);
  EXPECT_EQ(quoted("PageRegion", "C", "c", "<4>"), PPDERR_SYNTAX);
  EXPECT_EQ(option("PageSize", "C")->pstrTranslation, nullptr);
  EXPECT_EQ(insert("OpenUI", "*Foil", "<ZZ>", "PickOne", VALUE_STRING), PPDERR_SYNTAX);
  EXPECT_EQ(feature("Foil")->pstrTranslation, nullptr);
}

TEST_F(Features, OrderDependencies) {
  const struct {
    const char* value;
    DWORD result;
    PSREAL order = 0;
    WORD section = 0;
    const char* keyword = nullptr;
    const char* option = nullptr;
  } cases[] = {
      {"30 AnySetup *PageSize", PPDERR_NONE, 7680, 32, "PageSize", nullptr},
      {"10.5\tProlog  *Duplex DuplexTumble", PPDERR_NONE, 2688, 2, "Duplex", "DuplexTumble"},
      {"20 Nowhere *InputSlot", PPDERR_NONE, 5120, 32, "InputSlot", nullptr},
      {"50 JCLSetup **Twice", PPDERR_NONE, 12800, 16, "*Twice", nullptr},
      {"first AnySetup *PageSize", PPDERR_SYNTAX},
      {"30", PPDERR_SYNTAX},
      {"30 AnySetup", PPDERR_SYNTAX},
      {"30 AnySetup *", PPDERR_SYNTAX},
  };
  for (const auto& c : cases) EXPECT_EQ(words("OrderDependency", c.value), c.result) << c.value;

  const ORDERDEP* dependency = ppd_->pOrderDeps;
  for (const auto& c : cases) {
    if (c.result != PPDERR_NONE) continue;
    SCOPED_TRACE(c.value);
    ASSERT_NE(dependency, nullptr);
    EXPECT_EQ(dependency->order, c.order);
    EXPECT_EQ(dependency->wSection, c.section);
    EXPECT_STREQ(dependency->pstrName, c.keyword);
    EXPECT_EQ(reinterpret_cast<const void*>(dependency->pstrName),
              reinterpret_cast<const void*>(dependency + 1));
    if (c.option == nullptr) {
      EXPECT_EQ(dependency->pstrOption, nullptr);
    } else {
      EXPECT_STREQ(dependency->pstrOption, c.option);
    }
    dependency = dependency->pNext;
  }
  EXPECT_EQ(dependency, nullptr) << "refused entries add nothing";
}

TEST_F(Features, Constraints) {
  const struct {
    const char* value;
    DWORD result;
    const char* parts[4] = {};  // feature 1, option 1, feature 2, option 2
  } cases[] = {
      {"*Duplex DuplexTumble *PageSize CR_80",
       PPDERR_NONE,
       {"Duplex", "DuplexTumble", "PageSize", "CR_80"}},
      {"*Duplex *Collate", PPDERR_NONE, {"Duplex", nullptr, "Collate", nullptr}},
      {"*Duplex None Collate", PPDERR_NONE, {"Duplex", "None", "Collate", nullptr}},
      {"*Duplex *Collate True", PPDERR_NONE, {"Duplex", nullptr, "Collate", "True"}},
      {"*Duplex", PPDERR_SYNTAX},
      {"*Duplex None", PPDERR_SYNTAX},
      {"* *Collate", PPDERR_SYNTAX},
      {"*Duplex *", PPDERR_SYNTAX},
  };
  for (const auto& c : cases) EXPECT_EQ(words("UIConstraints", c.value), c.result) << c.value;

  const UICONSTRAINT* constraint = ppd_->pUiConstraints;
  auto same = [](const char* expected, const char* actual) {
    return expected == nullptr ? actual == nullptr
                               : actual != nullptr && std::string(expected) == actual;
  };
  for (const auto& c : cases) {
    if (c.result != PPDERR_NONE) continue;
    SCOPED_TRACE(c.value);
    ASSERT_NE(constraint, nullptr);
    EXPECT_TRUE(same(c.parts[0], constraint->pstrName));
    EXPECT_TRUE(same(c.parts[1], constraint->pstrOption1));
    EXPECT_TRUE(same(c.parts[2], constraint->pstrFeature2));
    EXPECT_TRUE(same(c.parts[3], constraint->pstrOption2));
    constraint = constraint->pNext;
  }
  EXPECT_EQ(constraint, nullptr);
}

using Interpreter = ymcko::testing::DescriptionTest;

TEST_F(Interpreter, QueriesUnknownKeywordsAndRules) {
  EXPECT_EQ(words("?DefaultPageSize", "A"), PPDERR_NONE);
  EXPECT_EQ(words("pagesize", "A"), PPDERR_NONE);
  EXPECT_EQ(words("DefaultPageRegion", "A"), PPDERR_NONE);
  EXPECT_EQ(ppd_->pUiGroups, nullptr) << "queries and unknown keywords have no effect";

  EXPECT_EQ(quoted("PageSize", "", "x"), PPDERR_SYNTAX) << "no option";
  EXPECT_EQ(insert("PageSize", "A", "", "x", VALUE_STRING), PPDERR_SYNTAX);
  EXPECT_EQ(insert("End", "", "", "", VALUE_NONE), PPDERR_NONE);
  EXPECT_EQ(insert("End", "", "", "", VALUE_NONE), PPDERR_NONE);
  EXPECT_EQ(ppd_->pUiGroups, nullptr) << "refused entries reach no handler";

  // Once-only keywords: seen only when accepted, then ignored.
  EXPECT_EQ(words("LanguageLevel", "two"), PPDERR_SYNTAX);
  EXPECT_EQ(words("LanguageLevel", "2"), PPDERR_NONE);
  EXPECT_EQ(words("LanguageLevel", "3"), PPDERR_NONE);
  EXPECT_EQ(ppd_->dwLangLevel, 2u);
  EXPECT_EQ(words("DefaultPageSize", "A"), PPDERR_NONE);
  EXPECT_EQ(words("DefaultPageSize", "B"), PPDERR_NONE);
  EXPECT_EQ(quoted("PageSize", "A", "a"), PPDERR_NONE);
  EXPECT_EQ(quoted("PageSize", "B", "b"), PPDERR_NONE) << "option keywords repeat";
  EXPECT_STREQ(feature("PageSize")->pstrDefault, "A");
  EXPECT_EQ(LISTOBJ_Count(feature("PageSize")->pOptions), 2u);

  InitKeywordTable(ymcko::keyword_table);
  EXPECT_EQ(words("LanguageLevel", "3"), PPDERR_NONE);
  EXPECT_EQ(ppd_->dwLangLevel, 3u) << "a new build clears the seen bits";
}

TEST_F(Interpreter, OverlongTextsAreCut) {
  const std::string option(60, 'O');
  const std::string value(2000, '7');
  EXPECT_EQ(quoted("PageSize", option.c_str(), value.c_str()), PPDERR_NONE);
  const UIOPTION* made = feature("PageSize")->pOptions;
  EXPECT_EQ(std::string(made->pstrName), option.substr(0, 40));
  EXPECT_EQ(std::string(made->pstrInvocation), value.substr(0, 1024));
}

}  // namespace
