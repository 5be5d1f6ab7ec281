// CSV manifests, batch side plans and the progress bar.
#include "ymcko/batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "print/files.h"
#include "ymcko/image_io.h"

namespace ymcko::tool {
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

// A field holds a path or a track's text: anything longer is refused as it
// is read, before a long text is checked character by character.
constexpr std::size_t kLongestField = 4096;

// Decoded images are at most this many sides ahead of the driver.
constexpr std::size_t kDecodeDepth = 2;

}  // namespace

std::vector<CsvRow> parse_csv(std::string_view text, const std::string& input) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRow> rows;
  CsvRow row{1, {}};
  std::string field;
  std::size_t line = 1;
  bool row_has_content = false;
  auto check_length = [&](std::size_t at_line_number) {
    if (field.size() > kLongestField) {
      throw ToolError(at_line(input, at_line_number),
                      "a field holds more than " + std::to_string(kLongestField) + " bytes");
    }
  };
  auto end_row = [&] {
    check_length(row.line);
    row.fields.push_back(std::move(field));
    field.clear();
    if (row_has_content) rows.push_back(std::move(row));
    row = CsvRow{line, {}};
    row_has_content = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' && field.empty()) {
      // A quoted field runs to the next quote that is not doubled.
      std::size_t start_line = line;
      bool closed = false;
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            closed = true;
            break;
          }
        } else {
          if (text[i] == '\n') ++line;
          field += text[i];
        }
      }
      if (!closed) throw ToolError(at_line(input, start_line), "a quoted field is never closed");
      check_length(start_line);
      row_has_content = true;
      std::size_t after = i + 1;
      if (after < text.size() && text[after] != ',' && text[after] != '\n' && text[after] != '\r') {
        throw ToolError(at_line(input, line),
                        "text follows a closing quote; a quote inside a field is written \"\"");
      }
      continue;
    }
    if (c == ',') {
      check_length(row.line);
      row.fields.push_back(std::move(field));
      field.clear();
      row_has_content = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      end_row();
    } else {
      field += c;
      row_has_content = true;
    }
  }
  end_row();
  return rows;
}

Manifest parse_manifest(std::string_view text, const std::filesystem::path& folder,
                        const std::string& input, Warnings& warnings) {
  std::vector<CsvRow> rows = parse_csv(text, input);
  if (rows.empty())
    throw ToolError(input, "the manifest is empty; it needs a header row naming its columns");
  std::vector<Column> columns;
  for (const std::string& name : rows.front().fields) {
    auto column = column_named(name);
    if (!column) {
      throw ToolError(at_line(input, rows.front().line),
                      "unknown column \"" + name +
                          "\"; the columns are front, back, track1, track2 and track3");
    }
    if (std::find(columns.begin(), columns.end(), *column) != columns.end()) {
      throw ToolError(at_line(input, rows.front().line),
                      "the column \"" + name + "\" appears twice");
    }
    columns.push_back(*column);
  }
  if (std::find(columns.begin(), columns.end(), Column::front) == columns.end()) {
    throw ToolError(at_line(input, rows.front().line), "the header has no \"front\" column");
  }
  Manifest manifest;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    const std::string where = at_line(input, row.line);
    if (row.fields.size() != columns.size()) {
      throw ToolError(where, "the row has " + std::to_string(row.fields.size()) +
                                 " fields; the header has " + std::to_string(columns.size()));
    }
    CardEntry card;
    card.line = row.line;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string& value = row.fields[c];
      switch (columns[c]) {
        case Column::front:
          if (value.empty()) throw ToolError(where, "front: every card needs a front image");
          card.front = folder / value;
          break;
        case Column::back:
          if (!value.empty()) card.back = folder / value;
          break;
        case Column::track1:
        case Column::track2:
        case Column::track3: {
          int track = int(columns[c]) - int(Column::track1) + 1;
          std::vector<std::string> notes;
          try {
            card.tracks[std::size_t(track - 1)] = print::check_track_text(track, value, notes);
          } catch (const SettingError& error) {
            throw ToolError(where, error.key() + ": " + error.what());
          }
          for (auto& note : notes)
            warnings.push_back({where, "track" + std::to_string(track) + ": " + note});
          break;
        }
      }
    }
    manifest.cards.push_back(std::move(card));
  }
  if (manifest.cards.empty()) throw ToolError(input, "the manifest lists no cards");
  return manifest;
}

Manifest read_manifest(const std::filesystem::path& path, Warnings& warnings) {
  std::vector<std::uint8_t> bytes = print::read_file(path, print::kManifestFileLimit);
  return parse_manifest(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        path.parent_path(), path.string(), warnings);
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
    throw ToolError(where, std::string(column) + ": " + path.string() + ": " + problem);
}

}  // namespace

void check_manifest_files(const Manifest& manifest, const std::string& input) {
  for (const CardEntry& card : manifest.cards) {
    check_named_file(card.front, at_line(input, card.line), "front");
    if (card.back) check_named_file(*card.back, at_line(input, card.line), "back");
  }
}

std::vector<SidePlan> plan_batch(const Manifest& manifest, int side_mode,
                                 const print::Stripe& job_stripe, const std::string& input) {
  std::vector<SidePlan> plan;
  for (std::size_t i = 0; i < manifest.cards.size(); ++i) {
    const CardEntry& card = manifest.cards[i];
    print::Stripe stripe = job_stripe;
    for (std::size_t t = 0; t < 3; ++t) {
      if (card.tracks[t]) stripe.tracks[t] = card.tracks[t];
    }
    const std::string where = at_line(input, card.line);
    const std::string label = "card " + std::to_string(i + 1);
    plan.push_back({where + ": " + label + " front " + card.front.string(), card.front, 0, true,
                    nullptr, stripe, nullptr, where, label + " front"});
    if (side_mode == 0) {
      if (card.back) {
        throw ToolError(where,
                        "back: a back image needs side mode 1 or 2; side mode 0 "
                        "prints every page on a new card");
      }
      continue;
    }
    if (card.back) {
      plan.push_back({where + ": " + label + " back " + card.back->string(),
                      card.back,
                      0,
                      true,
                      nullptr,
                      {},
                      nullptr,
                      where,
                      label + " back"});
    } else {
      plan.push_back({where + ": " + label + " back (white)",
                      std::nullopt,
                      0,
                      false,
                      nullptr,
                      {},
                      nullptr,
                      where,
                      label + " back"});
    }
  }
  return plan;
}

Progress::Progress(std::ostream& out, bool enabled, std::size_t total, std::string_view unit)
    : out_(out), enabled_(enabled && total > 0), total_(total), unit_(unit) {}

void Progress::update(std::size_t done) {
  if (!enabled_ || shown_ == done) return;
  shown_ = done;
  constexpr std::size_t width = 30;
  std::size_t filled = std::min(done, total_) * width / total_;
  std::string digits = std::to_string(total_);
  std::string count = std::to_string(done);
  out_ << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] "
       << std::string(digits.size() - std::min(digits.size(), count.size()), ' ') << count << "/"
       << digits << " " << unit_ << std::flush;
}

Progress::~Progress() { finish(); }

void Progress::finish() {
  if (!enabled_ || !shown_) return;
  out_ << "\n" << std::flush;
  shown_.reset();
}

namespace {

std::vector<std::pair<std::string, std::string>> origins_of(const std::vector<SidePlan>& plan) {
  std::vector<std::pair<std::string, std::string>> origins;
  for (const SidePlan& side : plan) origins.emplace_back(side.origin, side.label);
  return origins;
}

}  // namespace

BatchSource::BatchSource(std::vector<SidePlan> plan, std::size_t sides_per_card, Progress& progress,
                         std::chrono::milliseconds pdf_page_time_limit)
    : origins_(origins_of(plan)),
      decoder_(
          std::make_shared<SideDecoder>(std::move(plan), decode_workers(), pdf_page_time_limit)),
      ahead_([decoder = decoder_](std::size_t index,
                                  std::size_t worker) { return decoder->decode(index, worker); },
             kDecodeDepth, decode_workers()),
      sides_per_card_(std::max<std::size_t>(1, sides_per_card)),
      progress_(progress) {}

BatchSource::BatchSource(std::vector<std::pair<std::string, std::string>> origins,
                         DecodeAhead::Produce produce, std::size_t workers,
                         std::size_t sides_per_card, Progress& progress)
    : origins_(std::move(origins)),
      ahead_(std::move(produce), std::max(kDecodeDepth, workers), workers),
      sides_per_card_(std::max<std::size_t>(1, sides_per_card)),
      progress_(progress) {}

std::optional<CardSide> BatchSource::next() {
  // A card counts as done once the runner asks for the side after it.
  progress_.update(taken_ / sides_per_card_);
  std::optional<CardSide> side;
  try {
    side = ahead_.next();
  } catch (const ToolError& error) {
    // The file names itself; the manifest's line and the card come first.
    if (taken_ >= origins_.size() || origins_[taken_].first.empty()) throw;
    const auto& [where, label] = origins_[taken_];
    throw ToolError(where, label + " " + error.input() + ": " + error.what());
  }
  if (side) {
    ++taken_;
  } else {
    progress_.update(taken_ / sides_per_card_);
    progress_.finish();
  }
  return side;
}

}  // namespace ymcko::tool
