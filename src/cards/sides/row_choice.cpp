// Row choices: the list's syntax, and its lines against a file's rows.
#include "cards/sides/row_choice.h"

#include <algorithm>
#include <charconv>

#include "print/errors.h"

namespace ymcko::cards {
namespace {

// A line number written plainly: digits only.
bool read_number(std::string_view text, std::size_t& number) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && at == text.data() + text.size();
}

}  // namespace

RowChoice RowChoice::parse(std::string_view text, const std::string& input) {
  RowChoice choice;
  choice.input_ = input;
  if (text.empty())
    throw print::Error(input, "no rows are given; write lines and ranges such as 5-7,12");
  std::size_t item = 0;
  for (std::size_t start = 0; start <= text.size(); ++item) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view range = text.substr(start, comma - start);
    start = comma + 1;
    if (range.empty()) {
      throw print::Error(input, "item " + std::to_string(item + 1) + " of \"" +
                                    print::printable_text(text) + "\" is empty");
    }
    const std::size_t dash = range.find('-');
    std::size_t first = 0, last = 0;
    const bool read = dash == std::string_view::npos
                          ? read_number(range, first) && read_number(range, last)
                          : read_number(range.substr(0, dash), first) &&
                                read_number(range.substr(dash + 1), last);
    if (!read) {
      throw print::Error(
          input, "\"" + print::printable_text(range) + "\" is not a line number or a range A-B");
    }
    if (first == 0 || last == 0) {
      throw print::Error(
          input, "\"" + std::string(range) + "\": line 0 is no line; lines are counted from 1");
    }
    if (last < first) {
      throw print::Error(input, "the range " + std::string(range) + " runs backwards; write " +
                                    std::to_string(last) + "-" + std::to_string(first));
    }
    choice.ranges_.emplace_back(first, last);
  }
  return choice;
}

bool RowChoice::chosen(std::size_t line) const {
  return std::any_of(ranges_.begin(), ranges_.end(), [line](const auto& range) {
    return range.first <= line && line <= range.second;
  });
}

void RowChoice::check_rows(const CsvTable& table, const std::string& file) const {
  const std::size_t header_line = table.line(0);
  const std::size_t rows = table.rows();
  const std::size_t last_line = rows > 1 ? table.line(rows - 1) : header_line;
  for (const auto& [first, last] : ranges_) {
    for (std::size_t line : {first, last}) {
      // The rows' lines grow row by row: the first data row at or after it.
      std::size_t low = 1, high = rows;
      while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (table.line(middle) < line) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      if (low < rows && table.line(low) == line) continue;
      const std::string named = "line " + std::to_string(line);
      if (line == header_line)
        throw print::Error(input_, named + " of " + file + " is its header, not a card's row");
      if (line > last_line) {
        throw print::Error(input_, named + " is past the end of " + file +
                                       ", whose last row starts on line " +
                                       std::to_string(last_line));
      }
      throw print::Error(input_, named + " of " + file +
                                     " starts no row (blank, or inside a "
                                     "quoted field)");
    }
  }
}

}  // namespace ymcko::cards
