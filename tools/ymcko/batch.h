// Batches of cards from a CSV manifest: one row per card with its front and
// back image and its own track texts, turned into the job's sides, and the
// progress bar shown while they print.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ymcko/errors.h"
#include "ymcko/side_source.h"

namespace ymcko::tool {

// One row of the manifest.
struct CardEntry {
  std::size_t line = 0;  // where the row starts, for messages
  std::filesystem::path front;
  std::optional<std::filesystem::path> back;
  std::array<std::optional<std::string>, 3>
      tracks;  // checked; set where the manifest has the column
};

struct Manifest {
  std::vector<CardEntry> cards;
};

// The fields of CSV text: rows of fields with the line each row starts on.
// Fields may be quoted ("" for a quote inside); CRLF and a UTF-8 byte order
// mark are accepted; blank lines are skipped. Throws ToolError for an
// unterminated quote or text after a closing quote.
struct CsvRow {
  std::size_t line;
  std::vector<std::string> fields;
};
std::vector<CsvRow> parse_csv(std::string_view text, const std::string& input);

// Parses a manifest. The header names the columns: front (required), back,
// track1, track2, track3, in any order. Paths are taken relative to
// `folder`. Errors name "<input>:<line>"; tracks outside their ISO 7811 set
// add warnings.
Manifest parse_manifest(std::string_view text, const std::filesystem::path& folder,
                        const std::string& input, Warnings& warnings);

Manifest read_manifest(const std::filesystem::path& path, Warnings& warnings);

// Every file the manifest names is there, a file, and readable, or a
// ToolError names the manifest's line: checked before the first card, so a
// missing image does not end a long batch part-way.
void check_manifest_files(const Manifest& manifest, const std::string& input);

// The job's sides for a manifest. In side modes 1 and 2 every card has a
// front and a back page (a missing back prints white, so the cards keep
// their pairs); in side mode 0 a back image is refused. Every card's front
// carries the stripe: the job's stripe mode, and for each track its
// manifest text where the manifest has the column, else the job's text.
std::vector<SidePlan> plan_batch(const Manifest& manifest, int side_mode,
                                 const print::Stripe& job_stripe, const std::string& input);

// A progress bar on a terminal: "[#####.....]  12/200 cards", redrawn in
// place; silent when not enabled.
class Progress {
 public:
  Progress(std::ostream& out, bool enabled, std::size_t total, std::string_view unit);
  // Ends the line, so that an error printed after the bar starts a line of its own.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void update(std::size_t done);
  void finish();  // ends the line

 private:
  std::ostream& out_;
  bool enabled_;
  std::size_t total_;
  std::string unit_;
  std::optional<std::size_t> shown_;
};

// The batch's source of sides: decoded ahead on worker threads, with the
// progress bar following the cards the job runner has taken.
class BatchSource final : public SideSource {
 public:
  // A side that cannot be made is reported by its manifest line and card.
  BatchSource(std::vector<SidePlan> plan, std::size_t sides_per_card, Progress& progress,
              std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  // Sides made by `produce` on `workers` threads, side i reported in
  // errors by origins[i]: its data row and its card and side.
  BatchSource(std::vector<std::pair<std::string, std::string>> origins,
              DecodeAhead::Produce produce, std::size_t workers, std::size_t sides_per_card,
              Progress& progress);
  std::optional<CardSide> next() override;

 private:
  std::vector<std::pair<std::string, std::string>> origins_;  // manifest line, card and side
  std::shared_ptr<SideDecoder> decoder_;
  DecodeAhead ahead_;
  std::size_t sides_per_card_;
  Progress& progress_;
  std::size_t taken_ = 0;
};

}  // namespace ymcko::tool
