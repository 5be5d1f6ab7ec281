// The command composer and its number formatters.
#include "output/command_format.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string compose(ULONG* count, const char* format, auto... args) {
  char buffer[64];
  *count = myprintf(buffer, format, args...);
  return std::string(buffer, *count);
}

struct IntegerCase {
  const char* name;
  const char* format;
  LONG value;
  const char* expected;
};

TEST(Myprintf, FormatsIntegersByDirective) {
  const IntegerCase cases[] = {
      {"decimal", "%d", 300, "300"},
      {"negative decimal", "%d", -12, "-12"},
      {"long is decimal", "%l", -7, "-7"},
      {"most negative", "%d", INT_MIN, "-2147483648"},
      {"unsigned", "%u", -1, "4294967295"},
      {"hex zero keeps two digits", "%x", 0, "00"},
      {"hex one digit padded", "%x", 0x5, "05"},
      {"hex three digits", "%X", 0xABC, "ABC"},
      {"hex no padding past two", "%x", 0x1000, "1000"},
      {"hex of negative is unsigned", "%x", -1, "FFFFFFFF"},
      {"boolean true", "%b", 7, "true"},
      {"boolean false", "%b", 0, "false"},
      {"fixed minus one and a half", "%f", -384, "-1.5"},
      {"fixed one", "%f", 256, "1"},
      {"fixed quarter", "%f", 64, "0.25"},
      {"fixed smallest fraction", "%f", 1, "0.004"},
      {"fixed most negative", "%f", INT_MIN, "-8388608"},
      {"fixed three decimals", "%f", 256 + 255, "1.996"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ULONG count = 0;
    EXPECT_EQ(compose(&count, c.format, c.value), c.expected);
  }
}

TEST(Myprintf, FixedDecimalsStopAtTrailingZeroPlaces) {
  // d = 500 gives 5, 250 gives 25, 5 gives 005: low bytes chosen to land there.
  ULONG count = 0;
  EXPECT_EQ(compose(&count, "%f", 0x80), "0.5");
  EXPECT_EQ(compose(&count, "%f", 0x40), "0.25");
  EXPECT_EQ(compose(&count, "%f", 0x01), "0.004");
  EXPECT_EQ(compose(&count, "%f", 0x02), "0.008");
  EXPECT_EQ(compose(&count, "%f", 0x03), "0.012");
}

TEST(Myprintf, ControlBytesAndZeroBytesCount) {
  char buffer[8];
  ULONG count = myprintf(buffer, "%c%c%c", 27, 1, 13);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(std::string(buffer, 4), std::string("\x1B\x01\x0D\0", 4));

  count = myprintf(buffer, "A%cB", 0);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(std::string(buffer, 3), std::string("A\0B", 3));
}

TEST(Myprintf, StringsAndOtherDirectives) {
  ULONG count = 0;
  EXPECT_EQ(compose(&count, "%cR%s%c", 27, "00", 13), "\x1BR00\r");
  EXPECT_EQ(compose(&count, "[%s]", ""), "[]");
  EXPECT_EQ(compose(&count, "[%s]", static_cast<const char*>(nullptr)), "[]");
  EXPECT_EQ(compose(&count, "100%%"), "100%");
  EXPECT_EQ(compose(&count, "%q"), "q");
  EXPECT_EQ(compose(&count, "end%"), "end");
  EXPECT_EQ(count, 3u);
}

TEST(Myprintf, MissingArgumentsFormatAsNothingOrZero) {
  ULONG count = 0;
  EXPECT_EQ(compose(&count, "%d|%s|%x"), "0||00");
}

TEST(Myprintf, PanelHeaderKeepsItsEighteenBytes) {
  char buffer[32];
  BYTE length[6];
  ConvertIntegerToHex(length, 671744);
  ULONG count = myprintf(buffer, "%ceY%s11%c%c%c%c%cS", 27, "0000000", length[2], length[1],
                         length[0], 0x02, 0x90);
  ASSERT_EQ(count, 18u);
  EXPECT_EQ(std::string(buffer, count), std::string("\x1B"
                                                    "eY0000000"
                                                    "11\x0A\x40\x00\x02\x90S",
                                                    18));
}

TEST(Myprintf, NeverWritesPastItsBuffer) {
  std::array<char, 10> storage;
  storage.fill('#');
  std::span<char> buffer(storage.data(), 6);
  ULONG count = myprintf(buffer, "%s-%d", "abcdef", 12345);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(std::string(storage.data(), 6), std::string("abcde\0", 6));
  EXPECT_EQ(std::string(storage.data() + 6, 4), "####");

  EXPECT_EQ(myprintf(std::span<char>(storage.data(), 0), "abc"), 0u);
  EXPECT_EQ(storage[0], 'a');

  EXPECT_EQ(myprintf(std::span<char>(storage.data(), 1), "abc"), 0u);
  EXPECT_EQ(storage[0], '\0');
}

TEST(Myprintf, AgreesWithTheHostPrintfOnIntegers) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<std::int64_t> any(INT_MIN, INT_MAX);
  for (int i = 0; i < 2000; ++i) {
    LONG value = static_cast<LONG>(any(random));
    char reference[64];
    std::snprintf(reference, sizeof reference, "%d %u %02X", value, static_cast<unsigned>(value),
                  static_cast<unsigned>(value));
    ULONG count = 0;
    ASSERT_EQ(compose(&count, "%d %u %x", value, value, value), reference) << "value " << value;
  }
}

struct ListCase {
  const char* widths;
  std::vector<LONG> values;
  const char* expected;
};

TEST(FormatIntegerList, PadsEachFieldToItsWidth) {
  const ListCase cases[] = {
      {"4234", {300, 6, 0, 193}, "0300060000193"},
      {"144441", {0, 0, 0, 1023, 655, 1}, "000000000102306551"},
      {"34", {0, 12}, "0000012"},
      {"2", {0}, "00"},
      {"4", {1}, "0001"},
      {"0", {4711}, "4711"},
      {"", {5}, ""},
      {"4", {-12}, "0-12"},
      {"2", {12345}, "12345"},
      {"1", {INT_MIN}, "-2147483648"},
      {"44", {7}, "0007"},  // fewer values than widths: stops
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.widths);
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    FormatIntegerListV(buffer, c.widths, c.values);
    EXPECT_STREQ(buffer, c.expected);
  }
}

TEST(FormatIntegerList, VariadicFormAndBoundedOutput) {
  char buffer[6];
  FormatIntegerList(buffer, "4234", 300, 6, 0, 193);
  EXPECT_STREQ(buffer, "03000");
}

// Fixed-width fields keep exactly their widths: values that fit are written
// as FormatIntegerList writes them ("0-12" included), the others are limited
// to the nearest value that fits.
TEST(FixedFields, EveryFieldKeepsItsWidth) {
  struct Case {
    const char* widths;
    std::vector<LONG> values;
    const char* text;
  };
  const Case cases[] = {
      {"4234", {300, 6, 0, 193}, "0300060000193"},
      {"4234", {-5, 3, 0, 9999}, "00-5030009999"},
      {"4234", {-999, -9, -99, 10000}, "-999-9-999999"},
      {"4234", {-1000, 42524432, 1000, INT_MAX}, "-999999999999"},
      {"4234", {INT_MIN, 100, -100, 0}, "-99999-990000"},
      {"1", {10}, "9"},
      {"1", {-1}, "0"},
      {"9", {INT_MIN}, "-99999999"},
      {"0", {123456}, "123456"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char buffer[64];
    ymcko::format_fixed_fields(buffer, c.widths, c.values);
    EXPECT_STREQ(buffer, c.text);
  }
  EXPECT_EQ(ymcko::limit_to_width(-42949167, 4), -999);
  EXPECT_EQ(ymcko::limit_to_width(INT_MAX, 2), 99);
  EXPECT_EQ(ymcko::limit_to_width(INT_MIN, 0), INT_MIN) << "no fixed width";
}

TEST(ConvertIntegerToHex, SplitsLeastSignificantFirst) {
  struct Case {
    LONG value;
    std::array<BYTE, 6> expected;
  };
  const Case cases[] = {
      {0x0A4000, {0x00, 0x40, 0x0A, 0, 0, 0}},
      {0, {0, 0, 0, 0, 0, 0}},
      {656, {0x90, 0x02, 0, 0, 0, 0}},
      {0x7FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::array<BYTE, 6> bytes;
    bytes.fill(0xEE);
    ConvertIntegerToHex(bytes, c.value);
    EXPECT_EQ(bytes, c.expected);
  }
}

}  // namespace
