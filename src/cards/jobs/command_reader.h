// Reads the printer command stream that the driver writes into typed
// commands, and refuses a malformed stream with the offset and what was
// expected there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace ymcko::jobstream {

// ESC "R" number CR: opens the document; the number has 2 to 5 digits.
struct DocumentHeader {
  std::string number;
};

// ESC "P" ("D" | "L") CR.
struct PCommand {
  char form;
};

// ESC "D" fields CR and ESC "d" fields CR: the print parameters, 13
// characters in fields of 4, 2, 3 and 4, each zero-padded decimal (padding
// may stand in front of a sign: "0-12"). A command that was read always has
// its fields; any other text makes the stream malformed.
struct ParameterCommand {
  char letter;  // 'D' or 'd'
  std::string text;
  std::optional<std::vector<long>> fields;
};

struct CardStart {};
struct CardTurn {};
struct CardEnd {};

// ESC "M" "Q" CR, or ESC "M" mode "1" track SO "2" track SO "3" track SO CR;
// each track at most 99, 99 and 149 bytes, none below 0x20 nor 0x7F.
struct Stripe {
  char mode;  // 'Q', 'R' or 'W'
  std::string track1;
  std::string track2;
  std::string track3;
};

// ESC "c" p CR.
struct PanelClear {
  char panel;
};

// A panel's header, its data block and its trailer.
struct Panel {
  char panel;  // 'Y', 'M', 'C' or 'K'
  unsigned column;
  unsigned first_line;
  unsigned line_width;
  std::span<const std::uint8_t> data;  // into the stream that was read
  std::string count;                   // four digits
  unsigned lines() const { return line_width == 0 ? 0 : unsigned(data.size() / line_width); }
};

// ESC "e" "O" digits CR: an overlay area.
struct OverlayArea {
  unsigned number;
  unsigned first_line;
  unsigned first_column;
  unsigned last_line;
  unsigned last_column;
  unsigned flag;  // 1 for kind 0, 0 for kind 1
};

// ESC "a" "O" count CR, the count four digits.
struct OverlayTrailer {
  std::string count;
};

using CommandBody = std::variant<DocumentHeader, PCommand, ParameterCommand, CardStart, CardTurn,
                                 CardEnd, Stripe, PanelClear, Panel, OverlayArea, OverlayTrailer>;

struct Command {
  std::size_t offset;  // of the command's first byte
  std::size_t length;  // bytes, data block included
  CommandBody body;
};

struct ReadError {
  std::size_t offset;
  std::string expected;
};

struct ReadResult {
  std::vector<Command> commands;  // every command read before any error
  std::optional<ReadError> error;
};

// Reads a whole job. The commands' data spans point into `stream`.
ReadResult read_commands(std::span<const std::uint8_t> stream);

// Where a text field began that found no end byte among the bytes given.
struct OpenText {
  std::size_t offset;
  std::uint8_t stop;  // the byte that ends it: CR or SO
};

// One command read from the front of `bytes`, which are the stream's from
// `offset` on: the command, or the fault that stopped it. A fault is
// `starved` when the bytes ran out before the command was whole; it is the
// stream's fault only when no more bytes follow, and `open_text` then says
// where a text that found no end began.
struct CommandStep {
  std::optional<Command> command;
  std::optional<ReadError> error;
  bool starved = false;
  std::optional<OpenText> open_text;
};
CommandStep read_command_at(std::span<const std::uint8_t> bytes, std::size_t offset);

// The longest text any command carries is track 3's 149 bytes: a text
// longer than this is a fault whatever follows it.
inline constexpr std::size_t kLongestText = 255;

// One line describing a command, for people: its name and fields, with data
// blocks summarised.
std::string describe(const Command& command);

}  // namespace ymcko::jobstream
