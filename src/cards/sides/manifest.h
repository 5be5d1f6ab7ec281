// Batches of cards from a CSV manifest: one row per card with its front and
// back image and its own track texts, turned into the job's cards.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cards/sides/card_source.h"
#include "cards/sides/row_choice.h"
#include "cards/sides/side_plan.h"
#include "print/errors.h"

namespace ymcko::cards {

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

// Parses a manifest. The header names the columns: front (required), back,
// track1, track2, track3, in any order. Paths are taken relative to
// `folder`. Errors name "<input>:<line>". With `rows`, only the rows it chooses become cards, after
// it was checked against the file's rows; the others are not looked at.
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
// where it has one. A card's stripe the job's rules refuse (check_stripe)
// is refused naming its line, before any card.
std::vector<SidePlan> plan_batch(const Manifest& manifest, const print::Stripe& job_stripe,
                                 const print::StripeRules& rules, const std::string& input,
                                 print::SettingName name = print::key_name);

}  // namespace ymcko::cards
