// Track texts: limits per track, the printer's character set, ISO 7811
// warnings, and the escape bytes that carry the stripe to the driver.
#include "print/stripe.h"

#include <gtest/gtest.h>

#include "output/escape.h"
#include "print/errors.h"
#include "support/test_support.h"

namespace {

using namespace ymcko::print;
using ymcko::testing::hex;

TEST(Stripe, EachTrackTakesUpToItsLimit) {
  for (int track = 1; track <= 3; ++track) {
    SCOPED_TRACE(track);
    const std::size_t limit = kTrackLimits[std::size_t(track - 1)];
    std::vector<std::string> notes;
    EXPECT_EQ(check_track_text(track, std::string(limit, '5'), notes).size(), limit);
    try {
      check_track_text(track, std::string(limit + 1, '5'), notes);
      ADD_FAILURE() << "a text over the limit was taken";
    } catch (const Error& error) {
      EXPECT_EQ(error.input(), "track" + std::to_string(track));
      EXPECT_EQ(std::string(error.what()), "the text has " + std::to_string(limit + 1) +
                                               " characters; track " + std::to_string(track) +
                                               " takes at most " + std::to_string(limit));
    }
  }
}

TEST(Stripe, LimitsCountCharactersNotBytes) {
  std::vector<std::string> notes;
  std::string text;
  for (int i = 0; i < 79; ++i) text += "\xC3\xA9";  // U+00E9, two bytes in UTF-8
  EXPECT_EQ(check_track_text(2, text, notes), text);
  Stripe stripe;
  stripe.tracks[1] = text;
  EXPECT_EQ(stripe_escapes(stripe)[0].input.size(), 2u * 79 + 2) << "one UTF-16 unit a character";
}

TEST(Stripe, RefusesTextThePrinterCannotTake) {
  struct Case {
    const char* name;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"euro sign", "12\xE2\x82\xAC", "character U+20AC at position 3 is not in ISO-8859-1"},
      {"astral", "\xF0\x9F\x98\x80", "character U+1F600 at position 1 is not in ISO-8859-1"},
      {"bare continuation byte", "1\x80", "not valid UTF-8"},
      {"truncated sequence", "1\xC3", "not valid UTF-8"},
      {"overlong slash", "\xC0\xAF", "not valid UTF-8"},
      {"surrogate", "\xED\xA0\x80", "not valid UTF-8"},
      {"Latin-1 byte, not UTF-8", "caf\xE9", "not valid UTF-8"},
      // In the stream SO or CR would end the stripe command and ESC start another.
      {"SO",
       "12\x0E"
       "34",
       "character U+000E at position 3 is a control character"},
      {"NUL", std::string("AB\0CD", 5), "character U+0000 at position 3 is a control character"},
      {"card end", "AB\x1B\x04\rCD", "character U+001B at position 3"},
      {"DEL", "A\x7F", "character U+007F at position 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> notes;
    try {
      check_track_text(1, c.text, notes);
      ADD_FAILURE() << "taken";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(Stripe, WarnsOutsideTheIso7811SetOfEachTrack) {
  struct Case {
    int track;
    const char* text;
    bool warned;
  };
  const Case cases[] = {
      {1, "%B1234^DOE/J^2512?", false}, {1, " _", false},   {1, "lower", true}, {1, "`", true},
      {2, ";0123456789:<=>?", false},   {2, "12 34", true}, {3, "/", true},     {3, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> notes;
    check_track_text(c.track, c.text, notes);
    EXPECT_EQ(!notes.empty(), c.warned);
  }
}

TEST(Stripe, EscapesCarryModeThenTracksWithTerminators) {
  Stripe stripe;
  stripe.mode = 'W';
  stripe.tracks[0] = "AB\u00E9";
  stripe.tracks[2] = "";
  std::vector<EscapeCall> calls = stripe_escapes(stripe);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], (EscapeCall{ESC_SET_MAG_MODE, hex(R"("W")")}));
  EXPECT_EQ(calls[1], (EscapeCall{ESC_SET_MAG_TRACK1, hex("41 00 42 00 E9 00 00 00")}));
  EXPECT_EQ(calls[2], (EscapeCall{ESC_SET_MAG_TRACK3, hex("00 00")}));
  EXPECT_TRUE(stripe_escapes(Stripe{}).empty());
}

}  // namespace
