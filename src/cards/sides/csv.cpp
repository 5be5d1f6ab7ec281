// CSV fields, quoted or plain.
#include "cards/sides/csv.h"

#include <algorithm>
#include <cstdio>

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

std::vector<CsvRow> parse_csv(std::string_view text, const std::string& input) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Refused whole, before a row is taken: a run does not stop part-way.
  if (const std::size_t valid = print::utf8_prefix(text); valid != text.size()) {
    const std::string_view before = text.substr(0, valid);
    const std::size_t line = 1 + std::size_t(std::count(before.begin(), before.end(), '\n'));
    const std::size_t line_start =
        before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    const std::size_t column = 1 + print::decode_utf8(before.substr(line_start))->size();
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", unsigned(static_cast<unsigned char>(text[valid])));
    throw print::Error(at_line(input, line), "column " + std::to_string(column) +
                                                 " is not UTF-8 (byte " + byte +
                                                 "); the file must be UTF-8 text");
  }
  std::vector<CsvRow> rows;
  CsvRow row{1, {}};
  std::string field;
  std::size_t line = 1;
  bool row_has_content = false;
  auto check_length = [&](std::size_t at_line_number) {
    if (field.size() > kLongestField) {
      throw print::Error(at_line(input, at_line_number),
                         "a field holds more than " + std::to_string(kLongestField) + " bytes");
    }
  };
  auto end_row = [&] {
    check_length(row.line);
    row.fields.push_back(std::move(field));
    field.clear();
    if (row_has_content) rows.push_back(std::move(row));
    row = CsvRow{line, {}};
    row_has_content = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' && field.empty()) {
      // A quoted field runs to the next quote that is not doubled.
      std::size_t start_line = line;
      bool closed = false;
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            closed = true;
            break;
          }
        } else {
          if (text[i] == '\n') ++line;
          field += text[i];
        }
      }
      if (!closed) throw print::Error(at_line(input, start_line), "a quoted field is never closed");
      check_length(start_line);
      row_has_content = true;
      std::size_t after = i + 1;
      if (after < text.size() && text[after] != ',' && text[after] != '\n' && text[after] != '\r') {
        throw print::Error(at_line(input, line),
                           "text follows a closing quote; a quote inside a field is written \"\"");
      }
      continue;
    }
    if (c == ',') {
      check_length(row.line);
      row.fields.push_back(std::move(field));
      field.clear();
      row_has_content = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      end_row();
    } else {
      field += c;
      row_has_content = true;
    }
  }
  end_row();
  return rows;
}

}  // namespace ymcko::cards
