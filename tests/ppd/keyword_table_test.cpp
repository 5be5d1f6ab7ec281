// Keyword hashing, the hash table's placement and lookup, and the entry rules,
// over a small table whose keywords collide and wrap like the builder's do.
#include "ppd/keyword_table.h"

#include <gtest/gtest.h>

#include "pool/char_class.h"
#include "ppd/parser.h"
#include "support/test_support.h"

namespace {

DWORD accept(PPDOBJ*, PARSEROBJ*) { return PPDERR_NONE; }

// "End" and "al" share home slot 47; "JCLRes" and "By" share 126, so "By"
// wraps to slot 0 and pushes "Bz" (home 0) on to slot 1.
class KeywordTable : public ::testing::Test {
 protected:
  KEYWORDROW rows_[6] = {
      {"End", accept, KEYWORD_NO_GROUP, VALUE_RULE_ANY | KWF_REPEAT},
      {"al", accept, KEYWORD_NO_GROUP, VALUE_RULE_STRING},
      {"JCLRes", accept, KEYWORD_NO_GROUP, VALUE_RULE_QUOTED_STRING | KWF_OPTION},
      {"By", accept, KEYWORD_NO_GROUP, VALUE_RULE_STRING},
      {"Bz", accept, KEYWORD_NO_GROUP, VALUE_RULE_STRING},
      {"PageSize", accept, 0, VALUE_RULE_QUOTED | KWF_OPTION},
  };
  KEYWORDTABLE table_{rows_};
};

TEST_F(KeywordTable, RowsLandInTheirHomeSlotOrTheNextFreeOne) {
  InitKeywordTable(table_);
  const struct {
    std::size_t slot;
    WORD index;
  } placed[] = {{47, 0}, {48, 1}, {126, 2}, {0, 3}, {1, 4}, {80, 5}};
  std::size_t occupied = 0;
  for (const auto& p : placed) {
    SCOPED_TRACE(rows_[p.index].pstrKeyword);
    EXPECT_EQ(table_.hashTable[p.slot].wIndex, p.index);
    EXPECT_EQ(table_.hashTable[p.slot].dwHash, HashKeyword(rows_[p.index].pstrKeyword));
  }
  for (const HASHSLOT& slot : table_.hashTable) {
    if (slot.wIndex != 6) {
      ++occupied;
    } else {
      EXPECT_EQ(slot.dwHash, 0u);
    }
  }
  EXPECT_EQ(occupied, 6u);
}

TEST_F(KeywordTable, SearchFindsEveryRowAndNothingElse) {
  EXPECT_EQ(SearchKeyword(table_, "End"), nullptr) << "no lookup before the table is built";
  InitKeywordTable(table_);
  for (KEYWORDROW& row : rows_) {
    SCOPED_TRACE(row.pstrKeyword);
    EXPECT_EQ(SearchKeyword(table_, row.pstrKeyword), &row);
  }
  const char* misses[] = {"end", "pagesize", "Cx", "", "PageSize ", "En", nullptr, "\xFF\x80"};
  for (const char* miss : misses) {
    SCOPED_TRACE(miss == nullptr ? "(null)" : miss);
    EXPECT_EQ(SearchKeyword(table_, miss), nullptr);
  }
}

TEST_F(KeywordTable, InitClearsSeenBitsEveryTimeButBuildsOnce) {
  InitKeywordTable(table_);
  for (KEYWORDROW& row : rows_) row.wFlags |= KWF_SEEN;

  // A renamed row is not re-hashed by later calls: the table is built once.
  rows_[5].pstrKeyword = "Renamed";
  InitKeywordTable(table_);
  for (const KEYWORDROW& row : rows_) EXPECT_EQ(row.wFlags & KWF_SEEN, 0);
  EXPECT_EQ(rows_[0].wFlags, VALUE_RULE_ANY | KWF_REPEAT) << "other bits are kept";
  EXPECT_EQ(SearchKeyword(table_, "Renamed"), nullptr);
}

class EntryRules : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    entry_ = PARSEROBJ_Create();
    ASSERT_NE(entry_, nullptr);
  }
  void TearDown() override {
    PARSEROBJ_Delete(entry_);
    EngineTest::TearDown();
  }

  BOOL check(WORD flags, const char* option, DWORD type, const char* value) {
    KEYWORDROW row{"K", accept, KEYWORD_NO_GROUP, flags};
    BUFOBJ_Reset(&entry_->option);
    BUFOBJ_Reset(&entry_->value);
    BUFOBJ_AddString(&entry_->option, option);
    BUFOBJ_AddString(&entry_->value, value);
    entry_->dwValueType = type;
    return CheckKeywordParams(&row, entry_);
  }

  PARSEROBJ* entry_ = nullptr;
};

TEST_F(EntryRules, OptionRuleAndValueRule) {
  const struct {
    const char* name;
    WORD flags;
    const char* option;
    DWORD type;
    const char* value;
    bool accepted;
  } cases[] = {
      {"quoted+option accepts a quoted option entry", 1 | KWF_OPTION, "CR_80", VALUE_QUOTED, "",
       true},
      {"quoted+option refuses no option", 1 | KWF_OPTION, "", VALUE_QUOTED, "x", false},
      {"quoted+option refuses a plain string", 1 | KWF_OPTION, "CR_80", VALUE_STRING, "x", false},
      {"any accepts no value and no option", 0, "", VALUE_NONE, "", true},
      {"any accepts reserved type 1", 0, "", 1, "", true},
      {"any accepts reserved type 3", 0, "", 3, "", true},
      {"no option bit refuses an option", 0, "opt", VALUE_NONE, "", false},
      {"quoted refuses no value", 1, "", VALUE_NONE, "", false},
      {"quoted-or-string accepts quoted", 2, "", VALUE_QUOTED, "", true},
      {"quoted-or-string accepts string", 2, "", VALUE_STRING, "w", true},
      {"quoted-or-string refuses none", 2, "", VALUE_NONE, "", false},
      {"quoted-or-string refuses reserved 3", 2, "", 3, "", false},
      {"string accepts a word", 4, "", VALUE_STRING, "PickOne", true},
      {"string refuses an empty word", 4, "", VALUE_STRING, "", false},
      {"string refuses quoted", 4, "", VALUE_QUOTED, "PickOne", false},
      {"rule 3 accepts nothing", 3, "", VALUE_QUOTED, "x", false},
      {"rule 5 accepts nothing", 5, "", VALUE_STRING, "x", false},
      {"rule 7 accepts nothing", 7, "", VALUE_NONE, "", false},
      {"repeat bit does not change the rules", 2 | KWF_REPEAT, "", VALUE_STRING, "x", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(check(c.flags, c.option, c.type, c.value) != 0, c.accepted);
  }
}

TEST(KeywordDuplicates, OnlyASeenOnceOnlyKeywordIsRefused) {
  const struct {
    const char* name;
    WORD flags;
    bool allowed;
  } cases[] = {
      {"once-only, not seen", VALUE_RULE_STRING, true},
      {"once-only, seen", VALUE_RULE_STRING | KWF_SEEN, false},
      {"option-bearing, seen", VALUE_RULE_QUOTED | KWF_OPTION | KWF_SEEN, true},
      {"repeatable, seen", VALUE_RULE_ANY | KWF_REPEAT | KWF_SEEN, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KEYWORDROW row{"K", accept, KEYWORD_NO_GROUP, c.flags};
    EXPECT_EQ(CheckKeywordDuplicates(&row) != 0, c.allowed);
  }
}

}  // namespace
