// The data of a template run: a CSV file whose header names the columns
// and whose rows give one card each, with the stripe a row carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cards/sides/csv.h"
#include "cards/sides/row_choice.h"
#include "print/errors.h"
#include "print/stripe.h"

namespace ymcko::cards {

class DataRows;
struct DataFile;

// One row of the data file, read where the file keeps it: its values by
// column, and where it is ("people.csv:3") for messages. It is valid while
// its file is.
class DataRow {
 public:
  DataRow(const DataRows& rows, std::size_t row) : rows_(&rows), row_(row) {}
  // The row's value in `column`, or nothing when the file has no such column.
  std::optional<std::string_view> value(std::string_view column) const;
  std::string where() const;
  // The line of the file the row starts on, as a row choice names it.
  std::size_t line() const;

 private:
  const DataRows* rows_;
  std::size_t row_;  // in the file's table
};

// The data rows of a file, as the file's text holds them: a few bytes a
// field and a row besides the text.
class DataRows {
 public:
  std::size_t size() const {
    return !every_ ? chosen_.size() : table_.rows() == 0 ? 0 : table_.rows() - 1;
  }
  DataRow operator[](std::size_t index) const {
    return {*this, every_ ? index + 1 : chosen_[index]};
  }
  struct Iterator {
    const DataRows* rows;
    std::size_t index;
    DataRow operator*() const { return (*rows)[index]; }
    Iterator& operator++() { return ++index, *this; }
    bool operator==(const Iterator&) const = default;
  };
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, size()}; }

 private:
  friend class DataRow;
  friend DataFile parse_data_file(std::vector<std::uint8_t>, const std::string&,
                                  const std::filesystem::path&, const RowChoice*);
  std::string name_;
  CsvTable table_;  // the header and every row of the file
  std::map<std::string, std::size_t, std::less<>> columns_;
  bool every_ = true;                  // every row is kept, or only
  std::vector<std::uint32_t> chosen_;  // these rows of the table
};

// The data file: the header's columns and the rows under it. Paths in it
// (photos) are relative to its folder, and the files a template uses lie in
// that folder or below it.
struct DataFile {
  std::string name;
  std::filesystem::path folder;
  std::vector<std::string> columns;
  DataRows rows;
};

// Reads a data file (CSV with a header row; a byte-order mark and CRLF lines
// are accepted). Throws print::Error naming the file and line. With `rows`,
// checked against the file's rows, only the rows it chooses are kept.
DataFile read_data_file(const std::filesystem::path& path, const RowChoice* rows = nullptr);

// The same for the bytes of a file named `name` in `folder`.
DataFile parse_data_file(std::vector<std::uint8_t> bytes, const std::string& name,
                         const std::filesystem::path& folder, const RowChoice* rows = nullptr);

// The stripe of a row: the job's stripe with the row's track1..3 columns
// over it. Throws print::Error naming the row for a track the printer or the
// job's stripe rules refuse (check_stripe; `name` names the settings).
print::Stripe row_stripe(const DataRow& row, const print::Stripe& job,
                         const print::StripeRules& rules,
                         print::SettingName name = print::key_name);

}  // namespace ymcko::cards
