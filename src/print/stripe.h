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
// character ("U+000E") and its position.
std::string check_track_text(int track, std::string_view utf8);

// How a stripe's texts are checked beyond the printer's character set: as
// ISO 7811 tracks (the default), or as a format of the user's own.
enum class StripeFormat { iso, raw };

// Data characters an ISO 7811 track holds between its sentinels.
inline constexpr std::array<std::size_t, 3> kIsoTrackLimits = {76, 37, 104};

// How a front end names a setting in its messages: the tool by its flag,
// the CUPS filter by its option, the printer application by its attribute.
struct Setting;
using SettingName = std::string (*)(const Setting& row);
std::string key_name(const Setting& row);  // the settings table's key

// Refuses (an Error naming "track<n>") checked text outside the ISO 7811
// format of its track: track 1 takes the 6-bit set (space to "_", so no
// lower case), tracks 2 and 3 digits and ":;<=>?"; the data between the
// sentinels holds at most kIsoTrackLimits characters; a start sentinel
// ("%" on track 1, ";" on 2 and 3) stands only first and the end sentinel
// "?" only last, both or neither. The message names the character and its
// position, and how to write a stripe of another format (`name`s the
// mag_format setting).
void check_track_format(int track, std::string_view utf8, SettingName name = key_name);

// What writing a job's stripes takes: an encoder, and the format their
// texts are checked against.
struct StripeRules {
  bool encoder = false;
  StripeFormat format = StripeFormat::iso;
  char mode = 'Q';  // the job's stripe mode, where a card's stripe gives none
};

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

// Refuses (an Error naming "track<n>") the first track text of `stripe`
// that would not be written as given: any text while the job has no encoder
// or its stripe mode is Q (which writes no track), and in the ISO format a
// text outside its track's format. The message names the setting that would
// change it as `name` does. An empty text clears its track and is always
// taken.
void check_stripe(const Stripe& stripe, const StripeRules& rules, SettingName name = key_name);

// The private escapes for `stripe`, in the order mode, track 1, 2, 3: the
// mode as its one letter, each track as little-endian UTF-16 with its
// terminator, so that no tail of an earlier, longer text survives.
std::vector<EscapeCall> stripe_escapes(const Stripe& stripe);

}  // namespace ymcko::print
