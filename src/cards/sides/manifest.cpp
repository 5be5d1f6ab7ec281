// CSV manifests and the side plans of a batch.
#include "cards/sides/manifest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cards/sides/csv.h"
#include "print/files.h"

namespace ymcko::cards {
namespace {

enum class Column { front, back, track1, track2, track3 };

std::optional<Column> column_named(std::string_view name) {
  if (name == "front") return Column::front;
  if (name == "back") return Column::back;
  if (name == "track1") return Column::track1;
  if (name == "track2") return Column::track2;
  if (name == "track3") return Column::track3;
  return std::nullopt;
}

std::string at_line(const std::string& input, std::size_t line) {
  return input + ":" + std::to_string(line);
}

}  // namespace

Manifest parse_manifest(std::vector<std::uint8_t> text, const std::filesystem::path& folder,
                        const std::string& input, const RowChoice* rows_chosen) {
  Manifest manifest;
  manifest.table_ = parse_csv(std::move(text), input);
  manifest.folder_ = folder;
  const CsvTable& rows = manifest.table_;
  if (rows.rows() == 0)
    throw print::Error(input, "the manifest is empty; it needs a header row naming its columns");
  std::vector<Column> columns;
  for (std::size_t c = 0; c < rows.fields(0); ++c) {
    const std::string_view name = rows.field(0, c);
    auto column = column_named(name);
    if (!column) {
      throw print::Error(at_line(input, rows.line(0)),
                         "unknown column \"" + std::string(name) +
                             "\"; the columns are front, back, track1, track2 and track3");
    }
    if (std::find(columns.begin(), columns.end(), *column) != columns.end()) {
      throw print::Error(at_line(input, rows.line(0)),
                         "the column \"" + std::string(name) + "\" appears twice");
    }
    columns.push_back(*column);
  }
  const auto front = std::find(columns.begin(), columns.end(), Column::front);
  if (front == columns.end())
    throw print::Error(at_line(input, rows.line(0)), "the header has no \"front\" column");
  manifest.front_ = std::size_t(front - columns.begin());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c] == Column::back) manifest.back_ = c;
    if (columns[c] >= Column::track1)
      manifest.tracks_[std::size_t(columns[c]) - std::size_t(Column::track1)] = c;
  }
  if (rows_chosen) {
    rows_chosen->check_rows(rows, input);
    manifest.every_ = false;
  }
  // Every row is checked as its card will be read; the card is made again
  // from the row when it is printed.
  for (std::size_t r = 1; r < rows.rows(); ++r) {
    if (rows_chosen && !rows_chosen->chosen(rows.line(r))) continue;
    const std::string where = at_line(input, rows.line(r));
    if (rows.fields(r) != columns.size()) {
      throw print::Error(where, "the row has " + std::to_string(rows.fields(r)) +
                                    " fields; the header has " + std::to_string(columns.size()));
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string_view value = rows.field(r, c);
      if (columns[c] == Column::front && value.empty())
        throw print::Error(where, "front: every card needs a front image");
      if (columns[c] >= Column::track1) {
        const int track = int(columns[c]) - int(Column::track1) + 1;
        try {
          print::check_track_text(track, value);
        } catch (const print::Error& error) {
          throw print::Error(where, error.input() + ": " + error.what());
        }
      }
    }
    if (rows_chosen) manifest.chosen_.push_back(std::uint32_t(r));
  }
  if (manifest.size() == 0) throw print::Error(input, "the manifest lists no cards");
  return manifest;
}

Manifest parse_manifest(std::string_view text, const std::filesystem::path& folder,
                        const std::string& input, const RowChoice* rows) {
  return parse_manifest(std::vector<std::uint8_t>(text.begin(), text.end()), folder, input, rows);
}

Manifest read_manifest(const std::filesystem::path& path, const RowChoice* rows) {
  return parse_manifest(print::read_file(path, print::kManifestFileLimit), path.parent_path(),
                        path.string(), rows);
}

CardEntry Manifest::card(std::size_t index) const {
  const std::size_t r = row(index);
  CardEntry card;
  card.line = table_.line(r);
  card.front = folder_ / table_.field(r, front_);
  if (has_back(index)) card.back = folder_ / table_.field(r, back_);
  for (std::size_t t = 0; t < 3; ++t) {
    if (tracks_[t] != SIZE_MAX) card.tracks[t] = std::string(table_.field(r, tracks_[t]));
  }
  return card;
}

bool Manifest::has_back(std::size_t index) const {
  return back_ != SIZE_MAX && !table_.field(row(index), back_).empty();
}

namespace {

// A file a manifest names, checked before the first card: there, a file,
// and readable. Decoding it is left for its card.
void check_named_file(const std::filesystem::path& path, const std::string& where,
                      const char* column) {
  struct stat status {};
  std::string problem;
  if (::stat(path.c_str(), &status) != 0) {
    problem = std::string("cannot be opened: ") + std::strerror(errno);
  } else if (S_ISDIR(status.st_mode)) {
    problem = "is a folder, not a file";
  } else if (::access(path.c_str(), R_OK) != 0) {
    problem = std::string("cannot be read: ") + std::strerror(errno);
  }
  if (!problem.empty())
    throw print::Error(where, std::string(column) + ": " + path.string() + ": " + problem);
}

}  // namespace

void check_manifest_files(const Manifest& manifest, const std::string& input) {
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    const CardEntry card = manifest.card(i);
    check_named_file(card.front, at_line(input, card.line), "front");
    if (card.back) check_named_file(*card.back, at_line(input, card.line), "back");
  }
}

void check_manifest_backs(const Manifest& manifest, int side_mode, const std::string& input) {
  if (side_mode != 0) return;
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    if (manifest.has_back(i)) {
      throw print::Error(at_line(input, manifest.card(i).line),
                         "back: a back image needs side mode 1 or 2; side mode 0 "
                         "prints every page on a new card");
    }
  }
}

namespace {

// A card's stripe: the job's, with the card's tracks over it.
print::Stripe card_stripe(const CardEntry& card, const print::Stripe& job_stripe) {
  print::Stripe stripe = job_stripe;
  for (std::size_t t = 0; t < 3; ++t) {
    if (card.tracks[t]) stripe.tracks[t] = card.tracks[t];
  }
  return stripe;
}

}  // namespace

BatchPlan plan_batch(const Manifest& manifest, const print::Stripe& job_stripe,
                     const print::StripeRules& rules, const std::string& input,
                     print::SettingName name) {
  BatchPlan plan;
  plan.manifest_ = &manifest;
  plan.job_stripe_ = job_stripe;
  plan.input_ = input;
  std::size_t sides = manifest.size();
  for (std::size_t i = 0; i < manifest.size(); ++i) sides += manifest.has_back(i);
  plan.sides_.reserve(sides);
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    const CardEntry card = manifest.card(i);
    try {
      print::check_stripe(card_stripe(card, job_stripe), rules, name);
    } catch (const print::Error& error) {
      print::rethrow_at(at_line(input, card.line), error);
    }
    plan.sides_.push_back(std::uint32_t(i * 2));
    if (card.back) plan.sides_.push_back(std::uint32_t(i * 2 + 1));
  }
  return plan;
}

std::optional<SidePlan> BatchPlan::side(std::size_t index) const {
  if (index >= sides_.size()) return std::nullopt;
  const std::size_t i = sides_[index] / 2;
  const bool back = sides_[index] % 2 != 0;
  const CardEntry card = manifest_->card(i);
  const std::string where = at_line(input_, card.line);
  const std::string label = "card " + std::to_string(i + 1) + (back ? " back" : " front");
  const std::filesystem::path& file = back ? *card.back : card.front;
  return SidePlan{where + ": " + label + " " + file.string(),
                  file,
                  0,
                  true,
                  nullptr,
                  back ? print::Stripe{} : card_stripe(card, job_stripe_),
                  nullptr,
                  where,
                  label,
                  back};
}

}  // namespace ymcko::cards
