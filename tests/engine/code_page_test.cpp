// Conversion between UTF-16 and the engine's single-byte code page.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string to_bytes(const std::u16string& text, ULONG room) {
  std::string out(room, '#');
  ULONG written = 0;
  EXPECT_EQ(RtlUnicodeToMultiByteN(out.data(), room, &written, text.data(),
                                   static_cast<ULONG>(text.size() * 2)),
            STATUS_SUCCESS);
  ULONG size = 0;
  EXPECT_EQ(RtlUnicodeToMultiByteSize(&size, text.data(), static_cast<ULONG>(text.size() * 2)),
            STATUS_SUCCESS);
  EXPECT_EQ(std::min(size, room), written);
  out.resize(written);
  return out;
}

TEST(CodePage, NarrowsLatin1AndReplacesTheRest) {
  struct Case {
    const char* name;
    std::u16string text;
    ULONG room;
    std::string expected;
  };
  const Case cases[] = {
      {"ascii", u"ABC123", 10, "ABC123"},
      {"latin-1 keeps its byte", u"\u00E9\u00FF", 10, "\xE9\xFF"},
      {"outside latin-1", u"\u20AC1", 10, "?1"},
      {"surrogate pair is one character", u"a\U0001F600b", 10, "a?b"},
      {"lone surrogate", u"a\xD800", 10, "a?"},
      {"cut at the room", u"ABCDEF", 3, "ABC"},
      {"embedded zero is kept", std::u16string(u"A\0B", 3), 10, std::string("A\0B", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(to_bytes(c.text, c.room), c.expected);
  }
}

TEST(CodePage, WidensEveryByte) {
  const char bytes[] = "A\xE9\xFF";
  WCHAR out[4] = {u'#', u'#', u'#', u'#'};
  ULONG written = 0;
  EngMultiByteToUnicodeN(out, sizeof out, &written, bytes, 3);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(std::u16string(out, 3), u"A\u00E9\u00FF");
  EXPECT_EQ(out[3], u'#');

  EngMultiByteToUnicodeN(out, 4, &written, bytes, 3);  // room for two units only
  EXPECT_EQ(written, 4u);

  char narrow[4] = {'#', '#', '#', '#'};
  EngUnicodeToMultiByteN(narrow, 2, &written, u"xyz", 6);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(std::string(narrow, 4), "xy##");
}

TEST(CodePage, RefusesMissingBuffers) {
  ULONG written = 0;
  EXPECT_NE(RtlUnicodeToMultiByteN(nullptr, 4, &written, u"a", 2), STATUS_SUCCESS);
  EXPECT_NE(RtlUnicodeToMultiByteSize(nullptr, u"a", 2), STATUS_SUCCESS);
}

}  // namespace
