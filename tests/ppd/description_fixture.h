// A description under construction for handler tests: a fresh object with its
// initial values, an entry, and the module keyword table ready, with helpers
// that insert entries and find what they made.
#pragma once

#include <gtest/gtest.h>

#include "ppd/interpreter.h"
#include "ppd/keywords.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "support/test_support.h"

namespace ymcko::testing {

class DescriptionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    entry_ = PARSEROBJ_Create();
    ASSERT_NE(entry_, nullptr);
    ppd_ = ppdobj_in_new_pool();
    ASSERT_NE(ppd_, nullptr);
    PPDOBJ_SetDefaults(ppd_);
    InitKeywordTable(keyword_table);
  }

  void TearDown() override {
    PPDOBJ_Delete(ppd_);
    PARSEROBJ_Delete(entry_);
    EngineTest::TearDown();
  }

  // One entry through the interpreter.
  DWORD insert(const char* keyword, const char* option, const char* translation,
               const char* value, WORD type) {
    return PPDOBJ_InsertEntry(ppd_, entry_, keyword, option, translation, value, type);
  }
  // The common shapes: a plain-word value without option, and a quoted value with option.
  DWORD words(const char* keyword, const char* value) {
    return insert(keyword, "", "", value, VALUE_STRING);
  }
  DWORD quoted(const char* keyword, const char* option, const char* value,
               const char* translation = "") {
    return insert(keyword, option, translation, value, VALUE_QUOTED);
  }

  UIGROUP* feature(const char* name) { return LISTOBJ_Find(ppd_->pUiGroups, name); }

  template <class Option = UIOPTION>
  Option* option(const char* feature_name, const char* name) {
    UIGROUP* group = feature(feature_name);
    return group == nullptr ? nullptr
                            : static_cast<Option*>(LISTOBJ_Find(group->pOptions, name));
  }

  PARSEROBJ* entry_ = nullptr;
  PPDOBJ* ppd_ = nullptr;
};

}  // namespace ymcko::testing
