// CSV fields, quoted or plain.
#include "cards/sides/csv.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "print/errors.h"
#include "print/utf8.h"

namespace ymcko::cards {
namespace {

std::string at_line(const std::string& input, std::size_t line) {
  return input + ":" + std::to_string(line);
}

// A field holds a path or a track's text: anything longer is refused as it
// is read, before a long text is checked character by character.
constexpr std::size_t kLongestField = 4096;

}  // namespace

CsvTable parse_csv(std::vector<std::uint8_t> bytes, const std::string& input) {
  // Offsets and line numbers are 32 bits wide; the files read are far smaller.
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
    throw print::Error(input, "holds more than 4 GB of text");
  CsvTable table;
  table.text_ = std::move(bytes);
  char* const out = reinterpret_cast<char*>(table.text_.data());
  const std::size_t size = table.text_.size();
  std::string_view text(out, size);
  std::size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  // Refused whole, before a row is taken: a run does not stop part-way.
  if (const std::size_t valid = print::utf8_prefix(text.substr(i)); valid != size - i) {
    const std::string_view before = text.substr(i, valid);
    const std::size_t line = 1 + std::size_t(std::count(before.begin(), before.end(), '\n'));
    const std::size_t line_start =
        before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    const std::size_t column = 1 + print::decode_utf8(before.substr(line_start))->size();
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X",
                  unsigned(static_cast<unsigned char>(text[i + valid])));
    throw print::Error(at_line(input, line), "column " + std::to_string(column) +
                                                 " is not UTF-8 (byte " + byte +
                                                 "); the file must be UTF-8 text");
  }
  // Every field ends at a comma or a line break, and every row at a line
  // break: reserved once, as growing would hold two copies for a while.
  const std::size_t breaks = std::size_t(std::count(text.begin(), text.end(), '\n') +
                                         std::count(text.begin(), text.end(), '\r'));
  table.ends_.reserve(breaks + std::size_t(std::count(text.begin(), text.end(), ',')) + 1);

  // Fields are written over the text they were read from, without quotes
  // and separators: the writing end `w` never passes the reading end `i`.
  std::size_t w = 0;
  std::size_t start = 0;  // where the field being read begins
  std::size_t line = 1;
  std::size_t row_line = 1;
  std::size_t row_first = 0;  // the row's first field
  bool row_has_content = false;
  auto check_length = [&](std::size_t at_line_number) {
    if (w - start > kLongestField) {
      throw print::Error(at_line(input, at_line_number),
                         "a field holds more than " + std::to_string(kLongestField) + " bytes");
    }
  };
  auto end_field = [&](std::size_t at_line_number) {
    check_length(at_line_number);
    table.ends_.push_back(std::uint32_t(w));
    start = w;
  };
  auto end_row = [&] {
    end_field(row_line);
    if (row_has_content) {
      // Rows as wide as the first, each on the line after the one before,
      // need no index of their own: from the first that is not, every
      // row's first field, or line, is kept.
      const std::size_t row = table.rows_++;
      const std::size_t fields = table.ends_.size() - row_first;
      if (row == 0) table.width_ = fields;
      if (!table.firsts_.empty() || fields != table.width_) {
        if (table.firsts_.empty()) {
          table.firsts_.reserve(breaks + 1);
          for (std::size_t r = 0; r < row; ++r)
            table.firsts_.push_back(std::uint32_t(r * table.width_));
        }
        table.firsts_.push_back(std::uint32_t(row_first));
      }
      if (!table.lines_.empty() || row_line != row + 1) {
        if (table.lines_.empty()) {
          table.lines_.reserve(breaks + 1);
          for (std::size_t r = 0; r < row; ++r) table.lines_.push_back(std::uint32_t(r + 1));
        }
        table.lines_.push_back(std::uint32_t(row_line));
      }
    } else {
      table.ends_.pop_back();  // a blank line's one empty field
    }
    row_line = line;
    row_first = table.ends_.size();
    row_has_content = false;
  };
  for (; i < size; ++i) {
    const char c = out[i];
    if (c == '"' && w == start) {
      // A quoted field runs to the next quote that is not doubled.
      const std::size_t start_line = line;
      bool closed = false;
      for (++i; i < size; ++i) {
        if (out[i] == '"') {
          if (i + 1 < size && out[i + 1] == '"') {
            out[w++] = '"';
            ++i;
          } else {
            closed = true;
            break;
          }
        } else {
          if (out[i] == '\n') ++line;
          out[w++] = out[i];
        }
      }
      if (!closed) throw print::Error(at_line(input, start_line), "a quoted field is never closed");
      check_length(start_line);
      row_has_content = true;
      const std::size_t after = i + 1;
      if (after < size && out[after] != ',' && out[after] != '\n' && out[after] != '\r') {
        throw print::Error(at_line(input, line),
                           "text follows a closing quote; a quote inside a field is written \"\"");
      }
      continue;
    }
    if (c == ',') {
      end_field(row_line);
      row_has_content = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < size && out[i + 1] == '\n') ++i;
      ++line;
      end_row();
    } else {
      out[w++] = c;
      row_has_content = true;
    }
  }
  end_row();
  return table;
}

CsvTable parse_csv(std::string_view text, const std::string& input) {
  return parse_csv(std::vector<std::uint8_t>(text.begin(), text.end()), input);
}

}  // namespace ymcko::cards
