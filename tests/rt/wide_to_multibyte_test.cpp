// Wide-to-multibyte conversion: stops at the first zero or the source limit,
// never writes past its room, and maps what the code page lacks to "?".
#include "rt/wide_to_multibyte.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ymcko::rt::wide_to_multibyte;
using ymcko::rt::wide_to_multibyte_size;

TEST(WideToMultibyte, ConvertsWithinTheSourceLimitAndTheRoom) {
  struct Case {
    const char* name;
    std::u16string source;  // may hold zeros; no terminator is added
    std::size_t limit;
    std::size_t room;
    std::string expected;
    std::size_t size;  // bytes with unlimited room
  };
  const Case cases[] = {
      {"plain", u"ABC", 3, 8, "ABC", 3},
      {"stops at the first zero", std::u16string(u"AB\0CD", 5), 5, 8, "AB", 2},
      {"stops at the source limit", u"ABCDEF", 4, 8, "ABCD", 4},
      {"cut at the room", u"ABCDEF", 6, 3, "ABC", 6},
      {"empty", u"", 0, 8, "", 0},
      {"zero limit", u"ABC", 0, 8, "", 0},
      {"Latin-1 bytes keep their value", u"\u00E9\u00FF", 2, 8, "\xE9\xFF", 2},
      {"outside the code page", u"\u20AC1", 2, 8, "?1", 2},
      {"surrogate pair is one character", u"\U0001F600!", 3, 8, "?!", 2},
      {"limit splits a surrogate pair", u"\U0001F600!", 1, 8, "?", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char buffer[9];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    std::size_t written = wide_to_multibyte(std::span(buffer, c.room), c.source.data(), c.limit);
    EXPECT_EQ(std::string(buffer, written), c.expected);
    EXPECT_EQ(buffer[c.room], '#') << "wrote past its room";
    EXPECT_EQ(wide_to_multibyte_size(c.source.data(), c.limit), c.size);
  }
}

TEST(WideToMultibyte, NullSourceOrNoRoomGivesNothing) {
  EXPECT_EQ(wide_to_multibyte_size(nullptr, 4), 0u);
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(wide_to_multibyte(buffer, nullptr, 4), 0u);
  EXPECT_EQ(wide_to_multibyte(std::span(buffer, 0), u"A", 1), 0u);
  EXPECT_EQ(buffer[0], '#');
}

}  // namespace
