// Template data files.
#include "cards/designs/data_file.h"

#include <set>
#include <string_view>

#include "cards/sides/csv.h"
#include "print/files.h"

namespace ymcko::cards {

DataFile read_data_file(const std::filesystem::path& path, const RowChoice* chosen) {
  const std::string name = path.string();
  std::vector<std::uint8_t> bytes = print::read_file(path, print::kManifestFileLimit);
  std::vector<CsvRow> rows =
      parse_csv(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), name);
  if (rows.empty())
    throw print::Error(name, "the data file is empty; it needs a header row naming its columns");
  DataFile data{name, path.has_parent_path() ? path.parent_path() : ".", rows.front().fields, {}};
  std::set<std::string> seen;
  for (const std::string& column : data.columns) {
    const std::string where = name + ":" + std::to_string(rows.front().line);
    if (column.empty()) throw print::Error(where, "a column of the header has no name");
    if (!seen.insert(column).second)
      throw print::Error(where, "the column \"" + column + "\" appears twice");
  }
  if (chosen) {
    std::vector<std::size_t> lines;
    for (std::size_t r = 1; r < rows.size(); ++r) lines.push_back(rows[r].line);
    chosen->check_rows(rows.front().line, lines, name);
  }
  for (std::size_t r = 1; r < rows.size(); ++r) {
    if (chosen && !chosen->chosen(rows[r].line)) continue;
    DataRow row{name + ":" + std::to_string(rows[r].line), {}};
    if (rows[r].fields.size() != data.columns.size()) {
      throw print::Error(row.where, "the row has " + std::to_string(rows[r].fields.size()) +
                                        " fields; the header has " +
                                        std::to_string(data.columns.size()));
    }
    for (std::size_t c = 0; c < data.columns.size(); ++c)
      row.values[data.columns[c]] = std::move(rows[r].fields[c]);
    data.rows.push_back(std::move(row));
  }
  if (data.rows.empty()) throw print::Error(name, "the data file has no rows");
  return data;
}

print::Stripe row_stripe(const DataRow& row, const print::Stripe& job,
                         const print::StripeRules& rules, print::SettingName name) {
  print::Stripe stripe = job;
  try {
    for (int track = 1; track <= 3; ++track) {
      auto value = row.values.find("track" + std::to_string(track));
      if (value == row.values.end()) continue;
      stripe.tracks[std::size_t(track - 1)] = print::check_track_text(track, value->second);
    }
    print::check_stripe(stripe, rules, name);
  } catch (const print::Error& error) {
    print::rethrow_at(row.where, error);
  }
  return stripe;
}

}  // namespace ymcko::cards
