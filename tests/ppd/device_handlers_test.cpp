// Device-wide keywords and device fonts as entries make them.
#include "ppd/device_handlers.h"

#include <gtest/gtest.h>

#include "ppd/description_fixture.h"
#include "ppd/fonts.h"

namespace {

using Device = ymcko::testing::DescriptionTest;

TEST_F(Device, WordListsBooleansAndSingleWords) {
  EXPECT_EQ(words("Protocols", "PJL  TBCP\tXYZ"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wProtocols, 5);
  EXPECT_EQ(words("ColorDevice", "False"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bColorDevice, 0u);
  EXPECT_EQ(words("Extensions", "DPS CMYK"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wExtensions, 3);
  EXPECT_EQ(ppd_->bColorDevice, 1u) << "CMYK makes a colour device";
  EXPECT_EQ(words("PrintPSError", "yes"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bPrintPsErrors, 0u);

  EXPECT_EQ(words("TTRasterizer", "Type42"), PPDERR_NONE);
  EXPECT_EQ(words("LandscapeOrientation", "Plus90"), PPDERR_NONE);
  EXPECT_EQ(words("LandscapeOrientation", "Sideways"), PPDERR_NONE) << "once-only: ignored";
  EXPECT_EQ(ppd_->wTTRasterizer, 2);
  EXPECT_EQ(ppd_->wLsOrientation, 1);
}

TEST_F(Device, ColorDeviceThatIsNoBooleanIsMonochrome) {
  EXPECT_EQ(words("ColorDevice", "Perhaps"), PPDERR_NONE);
  EXPECT_EQ(ppd_->bColorDevice, 0u);
  EXPECT_EQ(words("LandscapeOrientation", "Sideways"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wLsOrientation, 0);
  EXPECT_EQ(words("TTRasterizer", "Bitmap"), PPDERR_NONE);
  EXPECT_EQ(ppd_->wTTRasterizer, 0);
}

TEST_F(Device, LanguageEncodingWinsOverTheVersionInEitherOrder) {
  const struct {
    const char* first_keyword;
    const char* first;
    const char* second_keyword;
    const char* second;
    WORD encoding;
  } cases[] = {
      {"LanguageVersion", "Japanese", "LanguageEncoding", "WindowsANSI", 4},
      {"LanguageEncoding", "ISOLatin1", "LanguageVersion", "Japanese", 1},
      {"LanguageVersion", "Russian", "LanguageEncoding", "Unknown", 0},
      {"LanguageVersion", "Japanese", "LanguageEncoding", "Unknown", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    ppd_->wLangEncoding = 0;
    InitKeywordTable(ymcko::keyword_table);
    EXPECT_EQ(words(c.first_keyword, c.first), PPDERR_NONE);
    EXPECT_EQ(words(c.second_keyword, c.second), PPDERR_NONE);
    EXPECT_EQ(ppd_->wLangEncoding, c.encoding);
  }
}

TEST_F(Device, StringsAndIntegers) {
  EXPECT_EQ(quoted("NickName", "", "Card <50>rinter"), PPDERR_NONE);
  EXPECT_EQ(quoted("NickName", "", "Other"), PPDERR_NONE);
  EXPECT_STREQ(ppd_->pstrNickName, "Card Printer");
  EXPECT_EQ(quoted("JCLBegin", "", "<1B>%-12345X"), PPDERR_NONE);
  EXPECT_STREQ(ppd_->pstrJclBegin, "\x1B%-12345X");
  EXPECT_EQ(quoted("JCLEnd", "", "<1G>"), PPDERR_SYNTAX);
  EXPECT_EQ(ppd_->pstrJclEnd, nullptr);
  EXPECT_EQ(quoted("Password", "", "<00>"), PPDERR_NONE);
  EXPECT_STREQ(ppd_->pstrPassword, "<00>") << "kept as written";

  EXPECT_EQ(words("LanguageLevel", "x2"), PPDERR_SYNTAX);
  EXPECT_EQ(ppd_->dwLangLevel, 1u);
  EXPECT_EQ(words("SuggestedWaitTimeout", "300"), PPDERR_NONE);
  EXPECT_EQ(ppd_->dwWaitTimeout, 300u);
}

TEST_F(Device, FontNamesCountFromOne) {
  const struct {
    const char* name;
    WORD index;
  } known[] = {{"Arial", 1},         {"Courier", 17},      {"Helvetica", 25}, {"Times-Roman", 65},
               {"ZapfDingbats", 79}, {"Courier-Bold", 18}, {"Courie", 0},     {"courier", 0}};
  for (const auto& k : known) {
    WORD index = 99;
    EXPECT_EQ(GetFontIndex(&index, k.name) != FALSE, k.index != 0) << k.name;
    EXPECT_EQ(index, k.index) << k.name;
  }
  EXPECT_EQ(fontNameStrs[FONT_NAME_COUNT].pstrName, nullptr);
}

TEST_F(Device, FontsWithTheirEncodingAndCharacterSet) {
  const struct {
    const char* name;
    const char* translation;
    const char* value;
    WORD encoding;
    WORD charset;
  } fonts[] = {
      {"Courier", "", "Standard \"(002.004)\" Standard ROM", 0, 0},
      {"Symbol", "Sym<62>ol", "Special \"(001.007)\" Special ROM", 1, 2},
      {"Times-Roman", "", "ISOLatin1 \"(001.007)\" Latin ROM", 2, 12},
      {"Helvetica", "", "Mystery \"(1)\" Special", 9, 0},
      {"Arial", "", "Expert", 3, 0},
      {"Palatino-Roman", "", "RKSJ \"(1) Add", 6, 0},
  };
  for (const auto& f : fonts) {
    EXPECT_EQ(insert("Font", f.name, f.translation, f.value, VALUE_STRING), PPDERR_NONE);
  }
  EXPECT_EQ(insert("Font", "Courier", "", "Special", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(insert("Font", "Comic", "", "Standard", VALUE_STRING), PPDERR_NONE);
  EXPECT_EQ(insert("Font", "Bookman-Demi", "<4", "Standard", VALUE_STRING), PPDERR_SYNTAX);

  ASSERT_EQ(LISTOBJ_Count(ppd_->pDevFonts), 6u) << "no unknown, repeated or malformed font";
  const DEVFONT* font = ppd_->pDevFonts;
  for (const auto& f : fonts) {
    SCOPED_TRACE(f.name);
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ(font->pstrName, f.name);
    EXPECT_EQ(font->wEncoding, f.encoding);
    EXPECT_EQ(font->wCharSet, f.charset);
    font = font->pNext;
  }
  EXPECT_EQ(ppd_->pDevFonts->wIndex, 17);
  EXPECT_STREQ(ppd_->pDevFonts->pstrTranslation, "");
  EXPECT_STREQ(ppd_->pDevFonts->pNext->pstrTranslation, "Symbol");
}

}  // namespace
