// CSV text as batch manifests and template data files are written: rows of
// fields, with the line each row starts on for messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ymcko::cards {

// The fields of CSV text: rows of fields with the line each row starts on.
// Fields may be quoted ("" for a quote inside); CRLF and a UTF-8 byte order
// mark are accepted; blank lines are skipped. Throws print::Error for an
// unterminated quote or text after a closing quote.
struct CsvRow {
  std::size_t line;
  std::vector<std::string> fields;
};
std::vector<CsvRow> parse_csv(std::string_view text, const std::string& input);

}  // namespace ymcko::cards
