// Template data files.
#include "cards/designs/data_file.h"

#include "print/files.h"

namespace ymcko::cards {

std::optional<std::string_view> DataRow::value(std::string_view column) const {
  const auto found = rows_->columns_.find(column);
  if (found == rows_->columns_.end()) return std::nullopt;
  return rows_->table_.field(row_, found->second);
}

std::string DataRow::where() const { return rows_->name_ + ":" + std::to_string(line()); }

std::size_t DataRow::line() const { return rows_->table_.line(row_); }

DataFile read_data_file(const std::filesystem::path& path, const RowChoice* chosen) {
  return parse_data_file(print::read_file(path, print::kManifestFileLimit), path.string(),
                         path.has_parent_path() ? path.parent_path() : ".", chosen);
}

DataFile parse_data_file(std::vector<std::uint8_t> bytes, const std::string& name,
                         const std::filesystem::path& folder, const RowChoice* chosen) {
  DataFile data{name, folder, {}, {}};
  DataRows& rows = data.rows;
  rows.name_ = name;
  rows.table_ = parse_csv(std::move(bytes), name);
  const CsvTable& table = rows.table_;
  if (table.rows() == 0)
    throw print::Error(name, "the data file is empty; it needs a header row naming its columns");
  const std::string header = name + ":" + std::to_string(table.line(0));
  for (std::size_t c = 0; c < table.fields(0); ++c) {
    const std::string column(table.field(0, c));
    if (column.empty()) throw print::Error(header, "a column of the header has no name");
    if (!rows.columns_.emplace(column, c).second)
      throw print::Error(header, "the column \"" + column + "\" appears twice");
    data.columns.push_back(column);
  }
  if (chosen) {
    chosen->check_rows(table, name);
    rows.every_ = false;
  }
  for (std::size_t r = 1; r < table.rows(); ++r) {
    if (chosen && !chosen->chosen(table.line(r))) continue;
    if (table.fields(r) != data.columns.size()) {
      throw print::Error(name + ":" + std::to_string(table.line(r)),
                         "the row has " + std::to_string(table.fields(r)) +
                             " fields; the header has " + std::to_string(data.columns.size()));
    }
    if (chosen) rows.chosen_.push_back(std::uint32_t(r));
  }
  if (data.rows.size() == 0) throw print::Error(name, "the data file has no rows");
  return data;
}

print::Stripe row_stripe(const DataRow& row, const print::Stripe& job,
                         const print::StripeRules& rules, print::SettingName name) {
  print::Stripe stripe = job;
  try {
    for (int track = 1; track <= 3; ++track) {
      const auto value = row.value("track" + std::to_string(track));
      if (!value) continue;
      stripe.tracks[std::size_t(track - 1)] = print::check_track_text(track, *value);
    }
    print::check_stripe(stripe, rules, name);
  } catch (const print::Error& error) {
    print::rethrow_at(row.where(), error);
  }
  return stripe;
}

}  // namespace ymcko::cards
