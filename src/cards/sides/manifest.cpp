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

Manifest parse_manifest(std::string_view text, const std::filesystem::path& folder,
                        const std::string& input, const RowChoice* rows_chosen) {
  std::vector<CsvRow> rows = parse_csv(text, input);
  if (rows.empty())
    throw print::Error(input, "the manifest is empty; it needs a header row naming its columns");
  std::vector<Column> columns;
  for (const std::string& name : rows.front().fields) {
    auto column = column_named(name);
    if (!column) {
      throw print::Error(at_line(input, rows.front().line),
                         "unknown column \"" + name +
                             "\"; the columns are front, back, track1, track2 and track3");
    }
    if (std::find(columns.begin(), columns.end(), *column) != columns.end()) {
      throw print::Error(at_line(input, rows.front().line),
                         "the column \"" + name + "\" appears twice");
    }
    columns.push_back(*column);
  }
  if (std::find(columns.begin(), columns.end(), Column::front) == columns.end()) {
    throw print::Error(at_line(input, rows.front().line), "the header has no \"front\" column");
  }
  if (rows_chosen) {
    std::vector<std::size_t> lines;
    for (std::size_t r = 1; r < rows.size(); ++r) lines.push_back(rows[r].line);
    rows_chosen->check_rows(rows.front().line, lines, input);
  }
  Manifest manifest;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (rows_chosen && !rows_chosen->chosen(row.line)) continue;
    const std::string where = at_line(input, row.line);
    if (row.fields.size() != columns.size()) {
      throw print::Error(where, "the row has " + std::to_string(row.fields.size()) +
                                    " fields; the header has " + std::to_string(columns.size()));
    }
    CardEntry card;
    card.line = row.line;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string& value = row.fields[c];
      switch (columns[c]) {
        case Column::front:
          if (value.empty()) throw print::Error(where, "front: every card needs a front image");
          card.front = folder / value;
          break;
        case Column::back:
          if (!value.empty()) card.back = folder / value;
          break;
        case Column::track1:
        case Column::track2:
        case Column::track3: {
          int track = int(columns[c]) - int(Column::track1) + 1;
          try {
            card.tracks[std::size_t(track - 1)] = print::check_track_text(track, value);
          } catch (const print::Error& error) {
            throw print::Error(where, error.input() + ": " + error.what());
          }
          break;
        }
      }
    }
    manifest.cards.push_back(std::move(card));
  }
  if (manifest.cards.empty()) throw print::Error(input, "the manifest lists no cards");
  return manifest;
}

Manifest read_manifest(const std::filesystem::path& path, const RowChoice* rows) {
  std::vector<std::uint8_t> bytes = print::read_file(path, print::kManifestFileLimit);
  return parse_manifest(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        path.parent_path(), path.string(), rows);
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
  for (const CardEntry& card : manifest.cards) {
    check_named_file(card.front, at_line(input, card.line), "front");
    if (card.back) check_named_file(*card.back, at_line(input, card.line), "back");
  }
}

void check_manifest_backs(const Manifest& manifest, int side_mode, const std::string& input) {
  if (side_mode != 0) return;
  for (const CardEntry& card : manifest.cards) {
    if (card.back) {
      throw print::Error(at_line(input, card.line),
                         "back: a back image needs side mode 1 or 2; side mode 0 "
                         "prints every page on a new card");
    }
  }
}

std::vector<SidePlan> plan_batch(const Manifest& manifest, const print::Stripe& job_stripe,
                                 const print::StripeRules& rules, const std::string& input,
                                 print::SettingName name) {
  std::vector<SidePlan> plan;
  for (std::size_t i = 0; i < manifest.cards.size(); ++i) {
    const CardEntry& card = manifest.cards[i];
    print::Stripe stripe = job_stripe;
    for (std::size_t t = 0; t < 3; ++t) {
      if (card.tracks[t]) stripe.tracks[t] = card.tracks[t];
    }
    const std::string where = at_line(input, card.line);
    try {
      print::check_stripe(stripe, rules, name);
    } catch (const print::Error& error) {
      print::rethrow_at(where, error);
    }
    const std::string label = "card " + std::to_string(i + 1);
    plan.push_back({where + ": " + label + " front " + card.front.string(), card.front, 0, true,
                    nullptr, stripe, nullptr, where, label + " front", false});
    if (card.back) {
      plan.push_back({where + ": " + label + " back " + card.back->string(),
                      card.back,
                      0,
                      true,
                      nullptr,
                      {},
                      nullptr,
                      where,
                      label + " back",
                      true});
    }
  }
  return plan;
}

}  // namespace ymcko::cards
