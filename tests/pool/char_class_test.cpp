// Character classes, hex digit values and the keyword hash, all of which must
// take every byte as unsigned.
#include "pool/char_class.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

TEST(CharTable, HighBytesHaveNoClass) {
  // A signed index would read before the table for these.
  for (int c = 0x7F; c < 256; ++c) EXPECT_EQ(ymcko::char_class(static_cast<char>(c)), 0) << c;
  EXPECT_TRUE(ymcko::is_blank('\t'));
  EXPECT_FALSE(ymcko::is_blank('\r'));
  EXPECT_TRUE(ymcko::is_digit('7'));
  EXPECT_FALSE(ymcko::is_digit('a'));
  EXPECT_TRUE(ymcko::is_hex_digit('a'));
  EXPECT_FALSE(ymcko::is_hex_digit('g'));
}

TEST(HexValue, EveryHexDigit) {
  const std::string digits = "0123456789abcdef";
  for (int v = 0; v < 16; ++v) {
    EXPECT_EQ(HexValue(digits[v]), v) << digits[v];
    EXPECT_EQ(HexValue(static_cast<char>(std::toupper(digits[v]))), v) << digits[v];
  }
}

TEST(HashKeyword, KnownValues) {
  const struct {
    const char* name;
    const char* text;
    DWORD hash;
  } cases[] = {
      {"empty", "", 0},
      {"null", nullptr, 0},
      {"End", "End", 0x1AC},
      {"PageSize", "PageSize", 0x395D},
      {"byte above 0x7F counts unsigned", "\xC9", 0xC9},
      {"high byte after a letter", "A\xFF", (0x41u << 1) ^ 0xFFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HashKeyword(c.text), c.hash);
  }
}

TEST(HashKeyword, BitsShiftedOutAreLost) {
  // The first of 33 bytes is shifted left 32 times and leaves no trace; the
  // first of 32 keeps its lowest bit as bit 31.
  std::string tail(32, 'a');
  EXPECT_EQ(HashKeyword(("A" + tail).c_str()), HashKeyword(tail.c_str()));
  tail.pop_back();
  EXPECT_EQ(HashKeyword(("A" + tail).c_str()), HashKeyword(tail.c_str()) ^ 0x80000000u);
}

}  // namespace
