// CSV text as batch manifests and template data files are written: rows of
// fields, with the line each row starts on for messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ymcko::cards {

// The fields of CSV text: rows of fields with the line each row starts on.
// Fields may be quoted ("" for a quote inside); CRLF and a UTF-8 byte order
// mark are accepted; blank lines are skipped. The text is kept once, its
// fields unquoted in place and laid end to end, and 4 bytes a field say
// where each ends: as a field takes at least its comma or line break, a
// table holds at most 5 times the text. Rows one a line, each as wide as
// the first, need nothing more; otherwise each row keeps its line and its
// first field, 4 bytes each.
class CsvTable {
 public:
  std::size_t rows() const { return rows_; }
  // The line row `row` starts on, from 1.
  std::size_t line(std::size_t row) const { return lines_.empty() ? row + 1 : lines_[row]; }
  std::size_t fields(std::size_t row) const {
    if (firsts_.empty()) return width_;
    return (row + 1 < firsts_.size() ? firsts_[row + 1] : ends_.size()) - firsts_[row];
  }
  // Field `index` (below fields(row)) of row `row`, unquoted.
  std::string_view field(std::size_t row, std::size_t index) const {
    const std::size_t at = (firsts_.empty() ? row * width_ : firsts_[row]) + index;
    const std::size_t begin = at == 0 ? 0 : ends_[at - 1];
    return {reinterpret_cast<const char*>(text_.data()) + begin, ends_[at] - begin};
  }

 private:
  friend CsvTable parse_csv(std::vector<std::uint8_t> text, const std::string& input);
  std::vector<std::uint8_t> text_;   // the fields one after another
  std::vector<std::uint32_t> ends_;  // where each field ends in text_
  std::size_t rows_ = 0;
  std::size_t width_ = 0;              // the fields of every row, while firsts_ is empty
  std::vector<std::uint32_t> firsts_;  // each row's first field, once rows differ in width
  std::vector<std::uint32_t> lines_;   // each row's line, once a row is not on the next line
};

// Parses CSV text, keeping it. Throws print::Error naming "<input>:<line>"
// for text that is not UTF-8, an unterminated quote, text after a closing
// quote and a field longer than the longest path or track text.
CsvTable parse_csv(std::vector<std::uint8_t> text, const std::string& input);
CsvTable parse_csv(std::string_view text, const std::string& input);

}  // namespace ymcko::cards
