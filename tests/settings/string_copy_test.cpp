// Bounded name copies: truncation, zero tails, and the narrow/wide conversions.
#include "settings/string_copy.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(CopyStringA, CopiesAtMostCapacityLessOneAndZeroesTheRest) {
  std::vector<char> dest(32 + 4, '#');
  CopyStringA(dest.data(), "CR_80", 32);
  EXPECT_EQ(std::string(dest.data(), 5), "CR_80");
  for (int i = 5; i < 32; ++i) EXPECT_EQ(dest[i], 0) << i;
  EXPECT_EQ(std::string(dest.data() + 32, 4), "####") << "nothing past the capacity";

  std::string forty(40, 'n');
  CopyStringA(dest.data(), forty.c_str(), 32);
  EXPECT_EQ(std::string(dest.data()), std::string(31, 'n'));

  dest.assign(4, '#');
  CopyStringA(dest.data(), "abc", 0);
  EXPECT_EQ(std::string(dest.data(), 4), "####");
  CopyStringA(dest.data(), "abc", 1);
  EXPECT_EQ(dest[0], 0);
  EXPECT_EQ(dest[1], '#');
}

TEST(CopyStringW, CopiesAtMostCapacityLessOneAndZeroesTheRest) {
  std::vector<WCHAR> dest(8 + 2, u'#');
  CopyStringW(dest.data(), u"CR_80", 8);
  EXPECT_EQ(std::u16string(dest.data(), 8), std::u16string(u"CR_80\0\0\0", 8));
  EXPECT_EQ(dest[8], u'#');
  CopyStringW(dest.data(), u"abcdefghij", 8);
  EXPECT_EQ(std::u16string(dest.data()), u"abcdefg");
}

TEST(CopyStr2Unicode, WholeSourceOrCutAndTerminated) {
  // Capacity 0 (or less) converts the whole source with its terminator; the
  // destination is exactly that size, so a longer write shows under the sanitizer.
  for (LONG capacity : {0, -3}) {
    SCOPED_TRACE(capacity);
    auto dest = std::make_unique<WCHAR[]>(6);
    EXPECT_EQ(CopyStr2Unicode(dest.get(), "CR-80", capacity), dest.get());
    EXPECT_EQ(std::u16string(dest.get()), u"CR-80");
  }

  std::vector<WCHAR> dest(6, u'#');
  CopyStr2Unicode(dest.data(), "Letter size", 4);
  EXPECT_EQ(std::u16string(dest.data()), u"Let");
  EXPECT_EQ(dest[4], u'#');

  // Bytes above 0x7F are the code page's own characters.
  WCHAR latin[4];
  CopyStr2Unicode(latin, "\xC9t\xE9", 4);
  EXPECT_EQ(std::u16string(latin), u"\u00C9t\u00E9");
}

TEST(CopyUnicode2Str, WholeSourceOrCutAndTerminated) {
  auto whole = std::make_unique<char[]>(6);
  CopyUnicode2Str(whole.get(), u"CR_80", 0);
  EXPECT_EQ(std::string(whole.get()), "CR_80");

  std::vector<char> dest(6, '#');
  CopyUnicode2Str(dest.data(), u"Letter size", 4);
  EXPECT_EQ(std::string(dest.data()), "Let");
  EXPECT_EQ(dest[4], '#');

  // Characters outside the code page become "?", a surrogate pair one of them.
  char narrow[8];
  CopyUnicode2Str(narrow, u"\u00E9\u20AC\U0001F600x", 8);
  EXPECT_EQ(std::string(narrow), "\xE9??x");
}

}  // namespace
