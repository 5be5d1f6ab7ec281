// Value readers at every example of their rules, and every reader fed
// arbitrary bytes in buffers of exactly their size.
#include "ppd/value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "pool/char_class.h"
#include "ppd/keyword_table.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;

// "PickOne" 1, "PickMany" 2, "Boolean" 0, end row 1: a table like the handlers'.
const STRTABLEENTRY uiTypes[] = {{"PickOne", 1}, {"PickMany", 2}, {"Boolean", 0}, {nullptr, 1}};

TEST(EqualWordString, WordMustEndAtNulOrBlank) {
  const struct {
    const char* word;
    const char* text;
    bool equal;
  } cases[] = {
      {"PickOne", "PickOne", true},
      {"PickOne", "PickOne more", true},
      {"PickOne", "PickOne\tmore", true},
      {"PickOne", "PickOnes", false},
      {"PickOne", "pickone", false},
      {"PickOne", "Pick", false},
      {"InstallableOptions", "InstallableOptions/Options", false},
      {"PickOne", "PickOne\r", false},
      {"PickOne", "PickOne\xA0", false},
      {"", "", true},
      {"", " x", true},
      {"", "x", false},
      {nullptr, "x", false},
      {"x", nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.word ? c.word : "(null)") + " / " + (c.text ? c.text : "(null)"));
    EXPECT_EQ(EqualWordString(c.word, c.text) != 0, c.equal);
  }
}

TEST(SearchStringTable, FirstMatchingRowOrTheEndRowsValue) {
  const struct {
    const char* text;
    bool found;
    WORD value;
  } cases[] = {
      {"PickMany", true, 2}, {"Boolean trailing words", true, 0},
      {"Pick", false, 1},    {"PickOneX", false, 1},
      {"", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WORD value = 0xBEEF;
    EXPECT_EQ(SearchStringTable(uiTypes, c.text, &value) != 0, c.found);
    EXPECT_EQ(value, c.value);
  }
}

TEST(GetBooleanValue, TrueFalseOrMalformedWithZero) {
  const struct {
    const char* text;
    DWORD result;
    DWORD value;
  } cases[] = {
      {"True", PPDERR_NONE, 1},   {"False", PPDERR_NONE, 0}, {"True ", PPDERR_NONE, 1},
      {"true", PPDERR_SYNTAX, 0}, {"", PPDERR_SYNTAX, 0},    {"1", PPDERR_SYNTAX, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DWORD value = 77;
    EXPECT_EQ(GetBooleanValue(&value, c.text), c.result);
    EXPECT_EQ(value, c.value);
  }
}

constexpr DWORD UNTOUCHED = 0xDEADBEEF;

TEST(GetIntegerValue, DigitsAfterAnOptionalMinus) {
  const struct {
    const char* text;
    DWORD result;
    DWORD value;
  } cases[] = {
      {"240", PPDERR_NONE, 240},
      {"-5", PPDERR_NONE, 0},
      {"12abc", PPDERR_NONE, 12},
      {"007", PPDERR_NONE, 7},
      {"4294967295", PPDERR_NONE, 4294967295u},
      {"4294967296", PPDERR_NONE, 0},
      {"4294967297", PPDERR_NONE, 1},
      {"", PPDERR_SYNTAX, UNTOUCHED},
      {"x1", PPDERR_SYNTAX, UNTOUCHED},
      {" 1", PPDERR_SYNTAX, UNTOUCHED},
      {"+1", PPDERR_SYNTAX, UNTOUCHED},
      {"-", PPDERR_SYNTAX, UNTOUCHED},
      {"--1", PPDERR_SYNTAX, UNTOUCHED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DWORD value = UNTOUCHED;
    EXPECT_EQ(GetIntegerValue(&value, c.text), c.result);
    EXPECT_EQ(value, c.value);
  }
}

TEST(GetRealValue, FixedPointToTheNearest256th) {
  constexpr PSREAL untouched = -12345;
  const struct {
    const char* text;
    DWORD result;
    PSREAL value;
  } cases[] = {
      {"157.4399", PPDERR_NONE, 40305},
      {"245.7598", PPDERR_NONE, 62915},
      {"158", PPDERR_NONE, 40448},
      {"246", PPDERR_NONE, 62976},
      {"0.0000", PPDERR_NONE, 0},
      {"30", PPDERR_NONE, 7680},
      {".5", PPDERR_NONE, 128},
      {"5.", PPDERR_NONE, 1280},
      {"1.999999", PPDERR_NONE, 512},
      {"1.99999", PPDERR_NONE, 512},
      {"0.00196", PPDERR_NONE, 1},   // just above half of 1/256
      {"0.00195", PPDERR_NONE, 0},   // just below
      {"0.001959", PPDERR_NONE, 0},  // the sixth digit is ignored
      {"1.5 2 3", PPDERR_NONE, 384},
      {"45.0", PPDERR_NONE, 11520},
      {"-2.5", PPDERR_NONE, 0},
      {"8388607.99", PPDERR_NONE, 2147483645},
      {"8388608", PPDERR_NONE, std::numeric_limits<PSREAL>::min()},  // wraps in 32 bits
      {".", PPDERR_SYNTAX, untouched},
      {"-", PPDERR_SYNTAX, untouched},
      {"-.", PPDERR_SYNTAX, untouched},
      {"", PPDERR_SYNTAX, untouched},
      {" 1", PPDERR_SYNTAX, untouched},
      {"x", PPDERR_SYNTAX, untouched},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    PSREAL value = untouched;
    EXPECT_EQ(GetRealValue(&value, c.text), c.result);
    EXPECT_EQ(value, c.value);
  }
}

TEST(GetWordStr, SplitsOnBlanksAndKeepsAtMost39Characters) {
  const char* text = " \t30 AnySetup\t*PageSize  ";
  const char* cursor = text;
  char word[WORD_BUFFER_SIZE];
  const char* expected[] = {"30", "AnySetup", "*PageSize"};
  for (const char* want : expected) {
    EXPECT_EQ(GetWordStr(&cursor, WORD_BUFFER_SIZE, word), std::strlen(want));
    EXPECT_STREQ(word, want);
  }
  EXPECT_EQ(GetWordStr(&cursor, WORD_BUFFER_SIZE, word), 0);
  EXPECT_STREQ(word, "");
  EXPECT_EQ(*cursor, 0);

  std::string spaces = "     ";
  cursor = spaces.c_str();
  EXPECT_EQ(GetWordStr(&cursor, WORD_BUFFER_SIZE, word), 0);
  EXPECT_EQ(cursor, spaces.c_str() + spaces.size());

  std::string longer = std::string(45, 'w') + " next";
  cursor = longer.c_str();
  EXPECT_EQ(GetWordStr(&cursor, WORD_BUFFER_SIZE, word), 39);
  EXPECT_EQ(std::string(word), std::string(39, 'w'));
  EXPECT_EQ(cursor, longer.c_str() + 45);

  // The smallest buffers: one byte holds only the terminator, none holds nothing.
  cursor = longer.c_str();
  EXPECT_EQ(GetWordStr(&cursor, 1, word), 0);
  EXPECT_EQ(word[0], 0);
  EXPECT_EQ(cursor, longer.c_str() + 45);
  word[0] = 'q';
  cursor = longer.c_str();
  EXPECT_EQ(GetWordStr(&cursor, 0, word), 0);
  EXPECT_EQ(word[0], 'q');
}

TEST(StripKeywordChar, OneLeadingAsteriskAtMost) {
  const struct {
    const char* text;
    const char* rest;  // null: nothing left
  } cases[] = {
      {"*PageSize", "PageSize"},
      {"PageSize", "PageSize"},
      {"**Twice", "*Twice"},
      {"*", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    char* rest = StripKeywordChar(text.data());
    if (c.rest == nullptr) {
      EXPECT_EQ(rest, nullptr);
    } else {
      ASSERT_NE(rest, nullptr);
      EXPECT_STREQ(rest, c.rest);
    }
  }
  EXPECT_EQ(StripKeywordChar(nullptr), nullptr);
}

class StringValue : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    pool_ = HEAPOBJ_Create();
    ASSERT_NE(pool_, nullptr);
    BUFOBJ_Initialize(&source_, storage_, 1024);
  }
  void TearDown() override {
    HEAPOBJ_Delete(pool_);
    EngineTest::TearDown();
  }
  void set(const char* text) {
    BUFOBJ_Reset(&source_);
    BUFOBJ_AddString(&source_, text);
  }

  HEAPOBJ* pool_ = nullptr;
  char storage_[1025] = {};
  BUFOBJ source_{};
};

TEST_F(StringValue, CopiesIntoThePoolAndKeepsTheFirst) {
  char* field = nullptr;
  set("<41>bc");
  EXPECT_EQ(GetStringValue(&field, &source_, pool_, CONVERT_INVOCATION), PPDERR_NONE);
  ASSERT_NE(field, nullptr);
  EXPECT_STREQ(field, "<41>bc") << "only the hex conversion decodes";
  char* first = field;

  set("second");
  EXPECT_EQ(GetStringValue(&field, &source_, pool_, CONVERT_HEX), PPDERR_NONE);
  EXPECT_EQ(field, first);
  EXPECT_STREQ(field, "<41>bc");

  char* decoded = nullptr;
  set("<41>bc");
  EXPECT_EQ(GetStringValue(&decoded, &source_, pool_, CONVERT_HEX), PPDERR_NONE);
  EXPECT_STREQ(decoded, "Abc");

  char* empty = nullptr;
  set("");
  EXPECT_EQ(GetStringValue(&empty, &source_, pool_, CONVERT_KEYWORD), PPDERR_NONE);
  ASSERT_NE(empty, nullptr) << "an empty value is an empty string, not null";
  EXPECT_STREQ(empty, "");
}

TEST_F(StringValue, BadHexRunLeavesTheFieldNull) {
  char* field = nullptr;
  set("<4 1>");
  EXPECT_EQ(GetStringValue(&field, &source_, pool_, CONVERT_HEX), PPDERR_SYNTAX);
  EXPECT_EQ(field, nullptr);
}

TEST_F(StringValue, ExhaustedPoolReportsMemory) {
  // Use up the first block so that the copy needs a block the engine refuses.
  ASSERT_NE(HEAPOBJ_Alloc(pool_, pool_->pBlocks->dwAvail), nullptr);
  char* field = nullptr;
  set("CR_80");
  engine::fail_allocation_in(1);
  EXPECT_EQ(GetStringValue(&field, &source_, pool_, CONVERT_KEYWORD), PPDERR_MEMORY);
  EXPECT_EQ(field, nullptr);
}

// Random texts of bytes 0x01-0xFF, biased toward the characters the readers
// react to, each in a heap block of exactly its size (terminator included).
class ArbitraryBytes : public EngineTest {
 protected:
  std::unique_ptr<char[]> next_text(std::size_t* length) {
    static constexpr char interesting[] = " \t<>*-.0123456789aFgTrueFalse";
    std::uniform_int_distribution<int> size(0, 70), pick(0, 3), any(1, 255),
        special(0, sizeof(interesting) - 2);
    *length = static_cast<std::size_t>(size(random_));
    auto text = std::make_unique<char[]>(*length + 1);
    for (std::size_t i = 0; i < *length; ++i) {
      text[i] =
          pick(random_) == 0 ? static_cast<char>(any(random_)) : interesting[special(random_)];
    }
    text[*length] = 0;
    return text;
  }

  std::mt19937 random_{20240605};
};

TEST_F(ArbitraryBytes, NoReaderLeavesItsInput) {
  HEAPOBJ* pool = HEAPOBJ_Create();
  ASSERT_NE(pool, nullptr);
  auto value_storage = std::make_unique<char[]>(VALUE_BUFFER_MAX + 1);
  BUFOBJ value{};
  BUFOBJ_Initialize(&value, value_storage.get(), VALUE_BUFFER_MAX);

  for (int round = 0; round < 4000; ++round) {
    std::size_t length = 0;
    auto text = next_text(&length);
    const char* t = text.get();
    SCOPED_TRACE(round);

    DWORD number = 0;
    PSREAL real = 0;
    WORD code = 0;
    GetIntegerValue(&number, t);
    GetRealValue(&real, t);
    GetBooleanValue(&number, t);
    SearchStringTable(uiTypes, t, &code);
    EqualWordString(t, "PickOne");
    EqualWordString("PickOne", t);
    HashKeyword(t);
    char* rest = StripKeywordChar(text.get());
    if (rest != nullptr) {
      EXPECT_LE(rest, t + length);
    }

    // Words: each kept word fits its buffer, and the cursor only moves forward
    // to at most the terminator.
    const char* cursor = t;
    char word[WORD_BUFFER_SIZE];
    for (WORD kept; (kept = GetWordStr(&cursor, WORD_BUFFER_SIZE, word)) != 0;) {
      EXPECT_LE(kept, WORD_BUFFER_SIZE - 1);
      EXPECT_EQ(std::strlen(word), kept);
    }
    EXPECT_EQ(cursor, t + length);

    // Buffers: an exactly sized destination for the decoded copy.
    BUFOBJ_Reset(&value);
    EXPECT_EQ(BUFOBJ_AddString(&value, t), PPDERR_NONE);
    auto decoded = std::make_unique<char[]>(value.cbLen + 1);
    if (BUFOBJ_CopyStringHex(&value, decoded.get()) == PPDERR_NONE) {
      EXPECT_LE(std::strlen(decoded.get()), value.cbLen);
    }
    char* copy = nullptr;
    GetStringValue(&copy, &value, pool, round % 2 == 0 ? CONVERT_HEX : CONVERT_INVOCATION);
    BUFOBJ_StripTrailingSpaces(&value);
    if (value.cbLen > 0) {
      EXPECT_FALSE(ymcko::is_blank(value.pBuf[value.cbLen - 1]));
    }
  }
  HEAPOBJ_Delete(pool);
}

TEST_F(ArbitraryBytes, KeywordLookupOnlyFindsItsRows) {
  KEYWORDROW rows[] = {
      {"PageSize", nullptr, 0, VALUE_RULE_QUOTED | KWF_OPTION},
      {"End", nullptr, KEYWORD_NO_GROUP, VALUE_RULE_ANY | KWF_REPEAT},
  };
  KEYWORDTABLE table{rows};
  InitKeywordTable(table);
  for (int round = 0; round < 4000; ++round) {
    std::size_t length = 0;
    auto text = next_text(&length);
    KEYWORDROW* row = SearchKeyword(table, text.get());
    if (row != nullptr) {
      EXPECT_STREQ(row->pstrKeyword, text.get());
    }
  }
}

}  // namespace
