// Batches of cards from a CSV manifest: one row per card with its front and
// back image and its own track texts, turned into the job's cards.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cards/sides/card_source.h"
#include "cards/sides/csv.h"
#include "cards/sides/row_choice.h"
#include "cards/sides/side_plan.h"
#include "print/errors.h"

namespace ymcko::cards {

// One row of the manifest, as its card is made.
struct CardEntry {
  std::size_t line = 0;  // where the row starts, for messages
  std::filesystem::path front;
  std::optional<std::filesystem::path> back;
  std::array<std::optional<std::string>, 3>
      tracks;  // checked; set where the manifest has the column
};

// The cards of a manifest as its text holds them (a few bytes a field and
// a row besides the text), each card's entry made when it is asked for.
class Manifest {
 public:
  std::size_t size() const {
    return !every_ ? chosen_.size() : table_.rows() == 0 ? 0 : table_.rows() - 1;
  }
  CardEntry card(std::size_t index) const;
  bool has_back(std::size_t index) const;  // the card has a back image

 private:
  friend Manifest parse_manifest(std::vector<std::uint8_t>, const std::filesystem::path&,
                                 const std::string&, const RowChoice*);
  std::size_t row(std::size_t index) const { return every_ ? index + 1 : chosen_[index]; }
  CsvTable table_;  // the header and every row
  std::filesystem::path folder_;
  // The columns' fields in a row: SIZE_MAX where the header lacks the column.
  std::size_t front_ = 0;
  std::size_t back_ = SIZE_MAX;
  std::array<std::size_t, 3> tracks_{SIZE_MAX, SIZE_MAX, SIZE_MAX};
  bool every_ = true;                  // every row is a card, or only
  std::vector<std::uint32_t> chosen_;  // these rows of the table
};

// Parses a manifest. The header names the columns: front (required), back,
// track1, track2, track3, in any order. Paths are taken relative to
// `folder`. Errors name "<input>:<line>". With `rows`, only the rows it chooses become cards, after
// it was checked against the file's rows; the others are not looked at.
Manifest parse_manifest(std::vector<std::uint8_t> text, const std::filesystem::path& folder,
                        const std::string& input, const RowChoice* rows = nullptr);
Manifest parse_manifest(std::string_view text, const std::filesystem::path& folder,
                        const std::string& input, const RowChoice* rows = nullptr);

Manifest read_manifest(const std::filesystem::path& path, const RowChoice* rows = nullptr);

// Every file the manifest names is there, a file, and readable, or an error
// names the manifest's line: checked before the first card, so a missing
// image does not end a long batch part-way.
void check_manifest_files(const Manifest& manifest, const std::string& input);

// Refuses, naming the manifest's line, the first card with a back image
// when the job's side mode prints every page on a new card (side mode 0).
void check_manifest_backs(const Manifest& manifest, int side_mode, const std::string& input);

// The job's sides for a manifest: every card's front with the card's
// stripe (the job's stripe mode, and for each track its manifest text where
// the manifest has the column, else the job's text), and its back image
// where it has one. Each side is planned when it is asked for, as a plan of
// every side would take many times the manifest; the plan refers to the
// manifest, which must outlive it.
class BatchPlan {
 public:
  std::size_t size() const { return sides_.size(); }
  // Side `index`, or nothing past the last.
  std::optional<SidePlan> side(std::size_t index) const;

 private:
  friend BatchPlan plan_batch(const Manifest&, const print::Stripe&, const print::StripeRules&,
                              const std::string&, print::SettingName);
  const Manifest* manifest_ = nullptr;
  print::Stripe job_stripe_;
  std::string input_;
  std::vector<std::uint32_t> sides_;  // each side's card, times two, plus one for a back
};

// The batch of a manifest. A card's stripe the job's rules refuse
// (check_stripe) is refused naming its line, before any card.
BatchPlan plan_batch(const Manifest& manifest, const print::Stripe& job_stripe,
                     const print::StripeRules& rules, const std::string& input,
                     print::SettingName name = print::key_name);

}  // namespace ymcko::cards
