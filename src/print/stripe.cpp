// Track text checks and the stripe escapes.
#include "print/stripe.h"

#include "print/utf8.h"

#include <cstdint>
#include <cstdio>

#include "output/escape.h"
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

std::string check_track_text(int track, std::string_view utf8, std::vector<std::string>& notes) {
  const std::string key = "track" + std::to_string(track);
  const std::size_t limit = kTrackLimits.at(std::size_t(track - 1));
  std::optional<std::u32string> text = decode_utf8(utf8);
  if (!text) throw Error(key, "the text is not valid UTF-8");
  if (text->size() > limit) {
    throw Error(key, "the text has " + std::to_string(text->size()) + " characters; track " +
                         std::to_string(track) + " takes at most " + std::to_string(limit));
  }
  std::size_t outside = 0;
  std::optional<std::size_t> first_outside;
  const char32_t low = track == 1 ? 0x20 : 0x30;
  const char32_t high = track == 1 ? 0x5F : 0x3F;
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
    if (code < low || code > high) {
      ++outside;
      if (!first_outside) first_outside = i;
    }
  }
  if (first_outside) {
    notes.push_back(std::to_string(outside) + " character(s), the first " +
                    describe_character((*text)[*first_outside]) + " at position " +
                    std::to_string(*first_outside + 1) +
                    ", lie outside the ISO 7811 character set of track " + std::to_string(track) +
                    (track == 1 ? " (space to \"_\", no lower case)" : " (\"0\" to \"?\")"));
  }
  return std::string(utf8);
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
