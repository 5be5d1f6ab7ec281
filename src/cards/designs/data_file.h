// The data of a template run: a CSV file whose header names the columns
// and whose rows give one card each, with the stripe a row carries.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cards/sides/row_choice.h"
#include "print/errors.h"
#include "print/stripe.h"

namespace ymcko::cards {

// One row of the data file: its values by column, and where it is
// ("people.csv:3") for messages.
struct DataRow {
  std::string where;
  std::map<std::string, std::string> values;
};

// The data file: the header's columns and the rows under it. Paths in it
// (photos) are relative to its folder, and the files a template uses lie in
// that folder or below it.
struct DataFile {
  std::string name;
  std::filesystem::path folder;
  std::vector<std::string> columns;
  std::vector<DataRow> rows;
};

// Reads a data file (CSV with a header row; a byte-order mark and CRLF lines
// are accepted). Throws print::Error naming the file and line. With `rows`,
// checked against the file's rows, only the rows it chooses are kept.
DataFile read_data_file(const std::filesystem::path& path, const RowChoice* rows = nullptr);

// The stripe of a row: the job's stripe with the row's track1..3 columns
// over it. Throws print::Error naming the row for a track the printer or the
// job's stripe rules refuse (check_stripe; `name` names the settings).
print::Stripe row_stripe(const DataRow& row, const print::Stripe& job,
                         const print::StripeRules& rules,
                         print::SettingName name = print::key_name);

}  // namespace ymcko::cards
