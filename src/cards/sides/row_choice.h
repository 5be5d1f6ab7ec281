// A choice of rows of a CSV file by the lines they start on, as every
// message about a row numbers it: "5-7,12" for a reprint of those cards.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cards/sides/csv.h"

namespace ymcko::cards {

class RowChoice {
 public:
  // Parses comma-separated line numbers and ranges "A-B" (both ends
  // included). Throws print::Error naming `input` (the flag that gave the
  // text) for an empty list or item, a line 0, a range that runs backwards
  // and anything that is not a number or a range.
  static RowChoice parse(std::string_view text, const std::string& input);

  // True when `line` lies in one of the ranges.
  bool chosen(std::size_t line) const;

  // Refuses, naming the choice's input, a number or a range's end that is
  // not the first line of a data row of the file `file`, read as `table`
  // (the header, then the data rows): the header's line, a line past the
  // last row, or a blank line or one inside a quoted field.
  void check_rows(const CsvTable& table, const std::string& file) const;

 private:
  std::string input_;
  std::vector<std::pair<std::size_t, std::size_t>> ranges_;  // first and last line
};

}  // namespace ymcko::cards
