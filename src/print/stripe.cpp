// Track text checks and the stripe escapes.
#include "print/stripe.h"

#include "print/utf8.h"

#include <cstdint>
#include <cstdio>

#include "output/escape.h"
#include "print/card_settings.h"
#include "print/errors.h"

namespace ymcko::print {
namespace {

std::string describe_character(char32_t code) {
  char text[48];
  if (code >= 0x20 && code < 0x7F) {
    std::snprintf(text, sizeof text, "\"%c\"", char(code));
  } else {
    std::snprintf(text, sizeof text, "U+%04X", unsigned(code));
  }
  return text;
}

void append_le16(std::vector<std::uint8_t>& out, char32_t unit) {
  out.push_back(std::uint8_t(unit & 0xFF));
  out.push_back(std::uint8_t(unit >> 8));
}

}  // namespace

std::string check_track_text(int track, std::string_view utf8) {
  const std::string key = "track" + std::to_string(track);
  const std::size_t limit = kTrackLimits.at(std::size_t(track - 1));
  std::optional<std::u32string> text = decode_utf8(utf8);
  if (!text) throw Error(key, "the text is not valid UTF-8");
  if (text->size() > limit) {
    throw Error(key, "the text has " + std::to_string(text->size()) + " characters; track " +
                         std::to_string(track) + " takes at most " + std::to_string(limit));
  }
  for (std::size_t i = 0; i < text->size(); ++i) {
    char32_t code = (*text)[i];
    if (code < 0x20 || code == 0x7F) {
      throw Error(key, "character " + describe_character(code) + " at position " +
                           std::to_string(i + 1) +
                           " is a control character; a track takes printable characters "
                           "only");
    }
    if (code > 0xFF) {
      throw Error(key, "character " + describe_character(code) + " at position " +
                           std::to_string(i + 1) +
                           " is not in ISO-8859-1, the printer's character set");
    }
  }
  return std::string(utf8);
}

std::string key_name(const Setting& row) { return std::string(row.key); }

void check_track_format(int track, std::string_view utf8, SettingName name) {
  const std::string key = "track" + std::to_string(track);
  const std::u32string text = decode_utf8(utf8).value_or(std::u32string());
  const std::string other =
      "; for a stripe of another format give " + name(*find_setting("mag_format")) + " raw";
  const std::string number = std::to_string(track);
  const char32_t start = track == 1 ? U'%' : U';';
  const char32_t end = U'?';
  const bool framed = !text.empty() && (text.front() == start || text.back() == end);
  if (framed && (text.size() < 2 || text.front() != start || text.back() != end)) {
    throw Error(key, "the text has one sentinel without the other; give the data between \"" +
                         std::string(1, char(start)) + "\" and \"?\", or without both");
  }
  const std::size_t data = framed ? text.size() - 2 : text.size();
  const std::size_t limit = kIsoTrackLimits.at(std::size_t(track - 1));
  if (data > limit) {
    throw Error(key, "the data has " + std::to_string(data) + " characters; an ISO 7811 track " +
                         number + " holds at most " + std::to_string(limit) + other);
  }
  const char32_t low = track == 1 ? 0x20 : 0x30;
  const char32_t high = track == 1 ? 0x5F : 0x3F;
  for (std::size_t i = framed ? 1 : 0; i < (framed ? text.size() - 1 : text.size()); ++i) {
    const char32_t code = text[i];
    const std::string at =
        "character " + describe_character(code) + " at position " + std::to_string(i + 1);
    if (code == start || code == end) {
      throw Error(key, at + " is a sentinel of track " + number +
                           ", which stands only at the start or the end");
    }
    if (code < low || code > high) {
      throw Error(key, at + " is not in the ISO 7811 character set of track " + number +
                           (track == 1 ? " (space to \"_\", no lower case)"
                                       : " (\"0\" to \"9\" and \":;<=>?\")") +
                           other);
    }
  }
}

void check_stripe(const Stripe& stripe, const StripeRules& rules, SettingName name) {
  for (std::size_t t = 0; t < 3; ++t) {
    if (!stripe.tracks[t] || stripe.tracks[t]->empty()) continue;
    const std::string track = "track" + std::to_string(t + 1);
    if (!rules.encoder) {
      throw SettingNeeded(track, "the printer has no magnetic-stripe encoder set (" +
                                     name(*find_setting("mag_encoder")) +
                                     "), so the stripe would not be written");
    }
    if (stripe.mode.value_or(rules.mode) == 'Q') {
      throw SettingNeeded(track, "stripe mode Q writes no track; give " +
                                     name(*find_setting("mag_mode")) + " W (or R)");
    }
    if (rules.format == StripeFormat::iso) check_track_format(int(t + 1), *stripe.tracks[t], name);
  }
}

std::vector<EscapeCall> stripe_escapes(const Stripe& stripe) {
  std::vector<EscapeCall> calls;
  if (stripe.mode) calls.push_back({ESC_SET_MAG_MODE, {std::uint8_t(*stripe.mode)}});
  static constexpr ULONG track_escapes[] = {ESC_SET_MAG_TRACK1, ESC_SET_MAG_TRACK2,
                                            ESC_SET_MAG_TRACK3};
  for (std::size_t t = 0; t < 3; ++t) {
    if (!stripe.tracks[t]) continue;
    // Checked texts are ISO-8859-1 characters: one UTF-16 unit each.
    EscapeCall call{track_escapes[t], {}};
    for (char32_t code : decode_utf8(*stripe.tracks[t]).value_or(std::u32string())) {
      append_le16(call.input, code);
    }
    append_le16(call.input, U'\0');
    calls.push_back(std::move(call));
  }
  return calls;
}

}  // namespace ymcko::print
