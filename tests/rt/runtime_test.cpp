// Runtime support: 16-bit wide strings, decimal text and 64-bit helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

#include "rt/arith.h"
#include "rt/decimal.h"
#include "rt/wide_string.h"

namespace {

using namespace ymcko::rt;

TEST(WideString, LengthAndBoundedLength) {
  EXPECT_EQ(wide_length(u""), 0u);
  EXPECT_EQ(wide_length(u"CR-80"), 5u);
  const WCHAR unterminated[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(wide_length_bounded(unterminated, 3), 3u);
  EXPECT_EQ(wide_length_bounded(u"ab", 10), 2u);
}

TEST(WideString, BoundedCopyTerminatesAndClearsTheTail) {
  struct Case {
    const char* name;
    const WCHAR* source;
    std::size_t capacity;
    std::u16string expected;  // all `capacity` slots
  };
  const Case cases[] = {
      {"fits", u"ab", 5, std::u16string(u"ab\0\0\0", 5)},
      {"cut", u"abcdef", 4, std::u16string(u"abc\0", 4)},
      {"exact", u"abc", 4, std::u16string(u"abc\0", 4)},
      {"one slot", u"abc", 1, std::u16string(1, u'\0')},
      {"empty", u"", 3, std::u16string(3, u'\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    wide_copy_bounded(buffer, c.source, c.capacity);
    EXPECT_EQ(std::u16string(buffer, c.capacity), c.expected);
    EXPECT_EQ(buffer[c.capacity], u'#');
  }
  WCHAR untouched = u'#';
  wide_copy_bounded(&untouched, u"abc", 0);
  EXPECT_EQ(untouched, u'#');
}

TEST(WideString, CompareIsOrdinal) {
  EXPECT_EQ(wide_compare(u"CR-80", u"CR-80"), 0);
  EXPECT_LT(wide_compare(u"CR", u"CR-80"), 0);
  EXPECT_GT(wide_compare(u"cr-80", u"CR-80"), 0);
  EXPECT_GT(wide_compare(u"\xFFFF", u"a"), 0);
}

TEST(Decimal, SignedAndUnsignedExtremes) {
  EXPECT_EQ(signed_decimal(0).view(), "0");
  EXPECT_EQ(signed_decimal(-1).view(), "-1");
  EXPECT_EQ(signed_decimal(INT32_MIN).view(), "-2147483648");
  EXPECT_EQ(signed_decimal(std::numeric_limits<std::int64_t>::min()).view(),
            "-9223372036854775808");
  EXPECT_EQ(unsigned_decimal(std::numeric_limits<std::uint64_t>::max()).view(),
            "18446744073709551615");
}

TEST(Arith, FitAndSaturate) {
  EXPECT_EQ(fit_ulong(0xFFFFFFFFull), 0xFFFFFFFFu);
  EXPECT_FALSE(fit_ulong(0x100000000ull).has_value());
  EXPECT_EQ(saturate_long(std::int64_t{1} << 40), INT32_MAX);
  EXPECT_EQ(saturate_long(-(std::int64_t{1} << 40)), INT32_MIN);
  EXPECT_EQ(saturate_long(-5), -5);
  EXPECT_EQ(round_up(6, 8), 8u);
  EXPECT_EQ(round_up(0xFFFFFFFFull, 8), 0x100000000ull);
}

}  // namespace
