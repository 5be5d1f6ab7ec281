// Magnetic-stripe texts: the checks a track text must pass before it goes to
// the driver, and the private escapes that hand the stripe over.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ymcko::print {

// Characters the driver sends per track (its conversion buffers less the
// terminator; track 2 is bounded by its 80-character settings field).
inline constexpr std::array<std::size_t, 3> kTrackLimits = {99, 79, 149};

// Checks the UTF-8 text of track `track` (1 to 3) and returns it unchanged.
// Refuses (an Error naming "track<n>") text that is not UTF-8, longer than
// the track's limit, with a control character (below 0x20, or 0x7F: in the
// printer stream SO, CR or ESC would end the stripe command or start another)
// or with characters outside ISO-8859-1; the message names the first such
// character ("U+000E") and its position. Adds one note to
// `notes` when characters lie outside the track's ISO 7811 character set
// (track 1: space to "_"; tracks 2 and 3: "0" to "?").
std::string check_track_text(int track, std::string_view utf8, std::vector<std::string>& notes);

// The stripe data of a card: mode letter and checked texts, each only when
// given; what is not given keeps what the printer had.
struct Stripe {
  std::optional<char> mode;  // 'Q', 'R' or 'W'
  std::array<std::optional<std::string>, 3> tracks;
  bool operator==(const Stripe&) const = default;
};

// One call of the driver's escape entry point.
struct EscapeCall {
  std::uint32_t escape;
  std::vector<std::uint8_t> input;
  bool operator==(const EscapeCall&) const = default;
};

// The private escapes for `stripe`, in the order mode, track 1, 2, 3: the
// mode as its one letter, each track as little-endian UTF-16 with its
// terminator, so that no tail of an earlier, longer text survives.
std::vector<EscapeCall> stripe_escapes(const Stripe& stripe);

}  // namespace ymcko::print
