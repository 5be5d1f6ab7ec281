// Track texts: limits per track, the printer's character set, the ISO 7811
// format and what a job needs to write a stripe, and the escape bytes that carry the stripe to the
// driver.
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
    EXPECT_EQ(check_track_text(track, std::string(limit, '5')).size(), limit);
    try {
      check_track_text(track, std::string(limit + 1, '5'));
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
  std::string text;
  for (int i = 0; i < 79; ++i) text += "\xC3\xA9";  // U+00E9, two bytes in UTF-8
  EXPECT_EQ(check_track_text(2, text), text);
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
    try {
      check_track_text(1, c.text);
      ADD_FAILURE() << "taken";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(Stripe, IsWrittenInItsFormatOrRefused) {
  const StripeRules iso{true, StripeFormat::iso, 'W'};
  const StripeRules raw{true, StripeFormat::raw, 'W'};
  struct Case {
    StripeRules rules;
    int track;
    std::string text;
    const char* refusal;  // null: taken
  };
  const Case cases[] = {
      {iso, 1, "%B1234^DOE/J^2512?", nullptr},
      {iso, 1, " _" + std::string(74, 'A'), nullptr},
      {iso, 1, std::string(77, 'A'),
       "the data has 77 characters; an ISO 7811 track 1 holds at most 76"},
      {iso, 1, "%" + std::string(76, 'A') + "?", nullptr},
      {iso, 1, "DOE/jane",
       "character \"j\" at position 5 is not in the ISO 7811 character set of "
       "track 1 (space to \"_\", no lower case); for a stripe of another "
       "format give mag_format raw"},
      {iso, 1, "AB?CD", "character \"?\" at position 3 is a sentinel of track 1"},
      {iso, 1, "%AB", "the text has one sentinel without the other"},
      {iso, 2, ";0123456789=:<>?", nullptr},
      {iso, 2, std::string(38, '1'),
       "the data has 38 characters; an ISO 7811 track 2 holds at most 37"},
      {iso, 2, "12 34",
       "character \" \" at position 3 is not in the ISO 7811 character set of track 2"},
      {iso, 2, "12;34", "character \";\" at position 3 is a sentinel of track 2"},
      {iso, 3, "4111A", "character \"A\" at position 5 is not in the ISO 7811"},
      {iso, 3, std::string(104, '9'), nullptr},
      {iso, 3, "", nullptr},
      {raw, 1, "lower case, 99 at most", nullptr},
      {raw, 2, "12 34;?", nullptr},
      // Data the job cannot write, whatever its format.
      {{false, StripeFormat::raw, 'W'},
       2,
       "1234",
       "the printer has no magnetic-stripe encoder set "
       "(mag_encoder), so the stripe would not be written"},
      {{true, StripeFormat::raw, 'Q'}, 3, "1234", "stripe mode Q writes no track; give mag_mode W"},
      {{false, StripeFormat::iso, 'Q'}, 1, "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Stripe stripe;
    stripe.tracks[std::size_t(c.track - 1)] = c.text;
    try {
      check_stripe(stripe, c.rules);
      EXPECT_EQ(c.refusal, nullptr) << "taken";
    } catch (const Error& error) {
      ASSERT_NE(c.refusal, nullptr) << error.what();
      EXPECT_EQ(error.input(), "track" + std::to_string(c.track));
      EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
    }
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
