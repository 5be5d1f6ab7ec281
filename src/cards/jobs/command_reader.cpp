// Reader for the printer command stream.
#include "cards/jobs/command_reader.h"

#include <cctype>
#include <cstdio>
#include <string_view>

namespace ymcko::jobstream {
namespace {

constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t CR = 0x0D;
constexpr std::uint8_t SO = 0x0E;

// The most text bytes the driver sends per track (its conversion buffers
// less the terminator).
constexpr std::size_t kTrackBytes[] = {99, 99, 149};

// A cursor over the stream that records the first thing it did not find.
// Its bytes begin at stream offset `base`; every offset it gives is the
// stream's. It notes when it failed for want of bytes (starved), and where a
// text that found no end began, so that a reader fed in pieces knows to wait.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t base = 0)
      : bytes_(bytes), base_(base) {}

  std::size_t at() const { return base_ + at_; }
  bool done() const { return at_ >= bytes_.size(); }
  std::optional<std::uint8_t> peek(std::size_t ahead = 0) const {
    return at_ + ahead < bytes_.size() ? std::optional(bytes_[at_ + ahead]) : std::nullopt;
  }

  bool expect(std::uint8_t byte, const char* what) {
    if (!peek()) return starve(what);
    if (peek() != byte) return fail(what);
    ++at_;
    return true;
  }

  std::optional<std::uint8_t> take(const char* what) {
    auto byte = peek();
    if (!byte) {
      starve(what);
      return std::nullopt;
    }
    ++at_;
    return byte;
  }

  // Exactly `count` decimal digits.
  std::optional<unsigned> digits(std::size_t count, const char* what) {
    unsigned value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      auto byte = peek();
      if (!byte || !std::isdigit(*byte)) {
        byte ? fail(what) : starve(what);
        return std::nullopt;
      }
      value = value * 10 + unsigned(*byte - '0');
      ++at_;
    }
    return value;
  }

  // Bytes up to (not including) `stop`, which is consumed.
  std::optional<std::string> text_until(std::uint8_t stop, const char* what) {
    for (std::size_t i = at_; i < bytes_.size(); ++i) {
      if (bytes_[i] == stop) {
        std::string text(bytes_.begin() + long(at_), bytes_.begin() + long(i));
        at_ = i + 1;
        return text;
      }
    }
    open_text_ = OpenText{at(), stop};
    starve(what);
    return std::nullopt;
  }

  std::optional<std::span<const std::uint8_t>> block(std::size_t count, const char* what) {
    if (bytes_.size() - at_ < count) {
      starve(what);
      return std::nullopt;
    }
    auto span = bytes_.subspan(at_, count);
    at_ += count;
    return span;
  }

  bool fail(const char* what) { return fail_at(at(), what); }
  // For a byte already taken that turned out wrong.
  bool fail_taken(const char* what) { return fail_at(at() - 1, what); }
  bool fail_at(std::size_t offset, const char* what) {
    if (!error_) error_ = ReadError{offset, what};
    return false;
  }
  const std::optional<ReadError>& error() const { return error_; }
  bool starved() const { return starved_; }
  const std::optional<OpenText>& open_text() const { return open_text_; }

 private:
  // The bytes ran out: the fault stands at the end of the stream, and more
  // bytes may yet make the command whole.
  bool starve(const char* what) {
    if (!error_) starved_ = true;
    return fail(what);
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t base_ = 0;
  std::size_t at_ = 0;
  std::optional<ReadError> error_;
  bool starved_ = false;
  std::optional<OpenText> open_text_;
};

// The driver's fixed-width number fields as FormatIntegerList writes them:
// zero padding, then an optional "-" (padding goes in front of the sign,
// "0-12"), then at least one digit, in exactly the field's characters.
std::optional<long> fixed_field(std::string_view field) {
  std::size_t at = field.find_first_not_of('0');
  if (at == std::string_view::npos) return 0;
  const bool negative = field[at] == '-';
  if (negative) ++at;
  if (at == field.size()) return std::nullopt;
  long value = 0;
  for (; at < field.size(); ++at) {
    if (!std::isdigit(static_cast<unsigned char>(field[at]))) return std::nullopt;
    value = value * 10 + (field[at] - '0');
  }
  return negative ? -value : value;
}

// The D and d parameters: 13 characters in fields of 4, 2, 3 and 4. On a
// fault, records it at the parameters' start plus `text_at`.
std::optional<std::vector<long>> split_parameters(Cursor& in, std::size_t text_at,
                                                  const std::string& text) {
  if (text.size() != 13) {
    in.fail_at(text_at, "print parameters of 13 characters (fields of 4, 2, 3 and 4)");
    return std::nullopt;
  }
  std::vector<long> fields;
  std::size_t at = 0;
  for (std::size_t width : {4, 2, 3, 4}) {
    auto value = fixed_field(std::string_view(text).substr(at, width));
    if (!value) {
      in.fail_at(text_at + at, "decimal print parameter field of its width");
      return std::nullopt;
    }
    fields.push_back(*value);
    at += width;
  }
  return fields;
}

// From `least` to `most` digits ended by CR, as the driver writes its numbers.
std::optional<std::string> digits_field(Cursor& in, std::size_t least, std::size_t most,
                                        const char* ended, const char* what) {
  const std::size_t at = in.at();
  auto text = in.text_until(CR, ended);
  if (!text) return std::nullopt;
  bool digits = text->size() >= least && text->size() <= most;
  for (char c : *text) digits = digits && std::isdigit(static_cast<unsigned char>(c));
  if (!digits) {
    in.fail_at(at, what);
    return std::nullopt;
  }
  return text;
}

// The copy count of a trailer: four digits.
std::optional<std::string> count_field(Cursor& in) {
  return digits_field(in, 4, 4, "trailer count ended by CR", "4-digit trailer count");
}

std::optional<CommandBody> read_stripe(Cursor& in) {
  auto mode = in.take("stripe mode Q, R or W");
  if (!mode) return std::nullopt;
  if (*mode == 'Q') {
    if (!in.expect(CR, "CR after stripe mode Q")) return std::nullopt;
    return Stripe{'Q', {}, {}, {}};
  }
  if (*mode != 'R' && *mode != 'W') {
    in.fail_taken("stripe mode Q, R or W");
    return std::nullopt;
  }
  Stripe stripe{char(*mode), {}, {}, {}};
  std::string* tracks[] = {&stripe.track1, &stripe.track2, &stripe.track3};
  const char* labels[] = {"track number 1", "track number 2", "track number 3"};
  for (int t = 0; t < 3; ++t) {
    if (!in.expect(std::uint8_t('1' + t), labels[t])) return std::nullopt;
    const std::size_t at = in.at();
    auto text = in.text_until(SO, "track text ended by SO");
    if (!text) return std::nullopt;
    // The driver's conversion buffers, and printable characters only.
    if (text->size() > kTrackBytes[t]) {
      in.fail_at(at + kTrackBytes[t], "SO within the track's 99, 99 or 149 characters");
      return std::nullopt;
    }
    for (std::size_t i = 0; i < text->size(); ++i) {
      const auto c = static_cast<unsigned char>((*text)[i]);
      if (c < 0x20 || c == 0x7F) {
        in.fail_at(at + i, "printable track character");
        return std::nullopt;
      }
    }
    *tracks[t] = *text;
  }
  if (!in.expect(CR, "CR after track 3")) return std::nullopt;
  return stripe;
}

std::optional<CommandBody> read_panel(Cursor& in, char letter) {
  Panel panel{letter, 0, 0, 0, {}, {}};
  auto column = in.digits(3, "3-digit panel column");
  if (!column) return std::nullopt;
  auto first = in.digits(4, "4-digit first line");
  if (!first) return std::nullopt;
  if (!in.expect('1', "\"11\" in panel header") || !in.expect('1', "\"11\" in panel header"))
    return std::nullopt;
  std::size_t length_at = in.at();
  std::size_t length = 0;
  for (int i = 0; i < 3; ++i) {
    auto byte = in.take("3-byte data length");
    if (!byte) return std::nullopt;
    length = length << 8 | *byte;
  }
  unsigned width = 0;
  for (int i = 0; i < 2; ++i) {
    auto byte = in.take("2-byte line width");
    if (!byte) return std::nullopt;
    width = width << 8 | *byte;
  }
  if (!in.expect('S', "\"S\" ending the panel header")) return std::nullopt;
  if (width == 0 || length % width != 0) {
    in.fail_at(length_at, "data length a whole number of lines");
    return std::nullopt;
  }
  auto data = in.block(length, "panel data of the announced length");
  if (!data) return std::nullopt;
  if (!in.expect(CR, "CR ending the panel data") || !in.expect(ESC, "ESC of the panel trailer") ||
      !in.expect('a', "\"a\" of the panel trailer") ||
      !in.expect(std::uint8_t(letter), "trailer for the same panel")) {
    return std::nullopt;
  }
  auto count = count_field(in);
  if (!count) return std::nullopt;
  panel.column = *column;
  panel.first_line = *first;
  panel.line_width = width;
  panel.data = *data;
  panel.count = *count;
  return panel;
}

std::optional<CommandBody> read_overlay_area(Cursor& in) {
  OverlayArea area{};
  unsigned* fields[] = {&area.number,    &area.first_line,  &area.first_column,
                        &area.last_line, &area.last_column, &area.flag};
  const std::size_t widths[] = {1, 4, 4, 4, 4, 1};
  for (int i = 0; i < 6; ++i) {
    auto value = in.digits(widths[i], "overlay area digits (1, 4, 4, 4, 4, 1)");
    if (!value) return std::nullopt;
    *fields[i] = *value;
  }
  if (!in.expect(CR, "CR after overlay area")) return std::nullopt;
  return area;
}

std::optional<CommandBody> read_command(Cursor& in) {
  if (!in.expect(ESC, "ESC starting a command")) return std::nullopt;
  auto letter = in.take("command letter");
  if (!letter) return std::nullopt;
  switch (*letter) {
    case 'R': {
      // The job number: a 16-bit value in at least two digits.
      auto number =
          digits_field(in, 2, 5, "document number ended by CR", "document number of 2 to 5 digits");
      if (!number) return std::nullopt;
      return DocumentHeader{*number};
    }
    case 'P': {
      auto form = in.take("P command form D or L");
      if (!form) return std::nullopt;
      if (*form != 'D' && *form != 'L') {
        in.fail_taken("P command form D or L");
        return std::nullopt;
      }
      if (!in.expect(CR, "CR after P command")) return std::nullopt;
      return PCommand{char(*form)};
    }
    case 'D':
    case 'd': {
      const std::size_t at = in.at();
      auto text = in.text_until(CR, "print parameters ended by CR");
      if (!text) return std::nullopt;
      auto fields = split_parameters(in, at, *text);
      if (!fields) return std::nullopt;
      return ParameterCommand{char(*letter), *text, std::move(fields)};
    }
    case 0x01:
      if (!in.expect(CR, "CR after card start")) return std::nullopt;
      return CardStart{};
    case 'f':
      if (!in.expect(CR, "CR after card turn")) return std::nullopt;
      return CardTurn{};
    case 0x04:
      if (!in.expect(CR, "CR after card end")) return std::nullopt;
      return CardEnd{};
    case 'M':
      return read_stripe(in);
    case 'c': {
      auto panel = in.take("panel letter Y, M, C, K or O");
      if (!panel) return std::nullopt;
      if (std::string_view("YMCKO").find(char(*panel)) == std::string_view::npos) {
        in.fail_taken("panel letter Y, M, C, K or O");
        return std::nullopt;
      }
      if (!in.expect(CR, "CR after panel clear")) return std::nullopt;
      return PanelClear{char(*panel)};
    }
    case 'e': {
      auto panel = in.take("panel letter Y, M, C, K or O");
      if (!panel) return std::nullopt;
      if (*panel == 'O') return read_overlay_area(in);
      if (std::string_view("YMCK").find(char(*panel)) == std::string_view::npos) {
        in.fail_taken("panel letter Y, M, C, K or O");
        return std::nullopt;
      }
      return read_panel(in, char(*panel));
    }
    case 'a': {
      if (!in.expect('O', "overlay trailer \"aO\"")) return std::nullopt;
      auto count = count_field(in);
      if (!count) return std::nullopt;
      return OverlayTrailer{*count};
    }
    default:
      in.fail_taken("a known command letter");
      return std::nullopt;
  }
}

std::string panel_name(char letter) {
  switch (letter) {
    case 'Y':
      return "yellow";
    case 'M':
      return "magenta";
    case 'C':
      return "cyan";
    case 'K':
      return "black";
    case 'O':
      return "overlay";
    default:
      return std::string(1, letter);
  }
}

std::string printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += char(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return "\"" + out + "\"";
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

ReadResult read_commands(std::span<const std::uint8_t> stream) {
  ReadResult result;
  Cursor in(stream);
  while (!in.done()) {
    std::size_t start = in.at();
    auto body = read_command(in);
    if (!body) break;
    result.commands.push_back(Command{start, in.at() - start, std::move(*body)});
  }
  result.error = in.error();
  return result;
}

CommandStep read_command_at(std::span<const std::uint8_t> bytes, std::size_t offset) {
  Cursor in(bytes, offset);
  CommandStep step;
  auto body = read_command(in);
  if (body) {
    step.command = Command{offset, in.at() - offset, std::move(*body)};
  } else {
    step.error = in.error();
    step.starved = in.starved();
    step.open_text = in.open_text();
  }
  return step;
}

std::string describe(const Command& command) {
  std::string line = std::to_string(command.offset) + ": ";
  line += std::visit(
      Overloaded{
          [](const DocumentHeader& c) { return "document header, number " + c.number; },
          [](const PCommand& c) { return std::string("P command, form ") + c.form; },
          [](const ParameterCommand& c) {
            std::string out = std::string(c.letter == 'D' ? "D" : "d") + " parameters " + c.text;
            if (c.fields) {
              out += " (";
              for (std::size_t i = 0; i < c.fields->size(); ++i) {
                out += (i ? ", " : "") + std::to_string((*c.fields)[i]);
              }
              out += ")";
            }
            return out;
          },
          [](const CardStart&) { return std::string("card start"); },
          [](const CardTurn&) { return std::string("card turn"); },
          [](const CardEnd&) { return std::string("card end"); },
          [](const Stripe& c) {
            if (c.mode == 'Q') return std::string("magnetic stripe, mode Q");
            return std::string("magnetic stripe, mode ") + c.mode + ", track 1 " +
                   printable(c.track1) + ", track 2 " + printable(c.track2) + ", track 3 " +
                   printable(c.track3);
          },
          [](const PanelClear& c) { return "clear " + panel_name(c.panel) + " panel"; },
          [](const Panel& c) {
            return panel_name(c.panel) + " panel, column " + std::to_string(c.column) + ", lines " +
                   std::to_string(c.first_line) + " to " +
                   std::to_string(c.first_line + c.lines() - 1) + " (" + std::to_string(c.lines()) +
                   " lines of " + std::to_string(c.line_width) + " bytes, " +
                   std::to_string(c.data.size()) + " data bytes), copies " + c.count;
          },
          [](const OverlayArea& c) {
            return "overlay area " + std::to_string(c.number) + ", lines " +
                   std::to_string(c.first_line) + " to " + std::to_string(c.last_line) +
                   ", columns " + std::to_string(c.first_column) + " to " +
                   std::to_string(c.last_column) + ", flag " + std::to_string(c.flag);
          },
          [](const OverlayTrailer& c) { return "overlay end, copies " + c.count; },
      },
      command.body);
  return line;
}

}  // namespace ymcko::jobstream
