// Cards from sides decoded ahead.
#include "cards/sides/card_source.h"

#include <algorithm>

#include "print/errors.h"

namespace ymcko::cards {
namespace {

// Decoded images are at most this many sides ahead of the driver.
constexpr std::size_t kDecodeDepth = 2;

std::vector<SideOrigin> origins_of(const std::vector<SidePlan>& plan) {
  std::vector<SideOrigin> origins;
  for (const SidePlan& side : plan) origins.push_back({side.origin, side.label, side.back});
  return origins;
}

}  // namespace

BatchSource::BatchSource(std::vector<SidePlan> plan, CardProgress progress,
                         std::chrono::milliseconds pdf_page_time_limit)
    : origins_(origins_of(plan)),
      decoder_(
          std::make_shared<SideDecoder>(std::move(plan), decode_workers(), pdf_page_time_limit)),
      ahead_([decoder = decoder_](std::size_t index,
                                  std::size_t worker) { return decoder->decode(index, worker); },
             kDecodeDepth, decode_workers()),
      progress_(std::move(progress)) {}

BatchSource::BatchSource(std::vector<SideOrigin> origins, DecodeAhead::Produce produce,
                         std::size_t workers, CardProgress progress)
    : origins_(std::move(origins)),
      ahead_(std::move(produce), std::max(kDecodeDepth, workers), workers),
      progress_(std::move(progress)) {}

std::optional<CardSide> BatchSource::next_side() {
  try {
    std::optional<CardSide> side = ahead_.next();
    if (side) ++sides_taken_;
    return side;
  } catch (const print::Error& error) {
    // The file names itself; the manifest's line and the card come first.
    if (sides_taken_ >= origins_.size() || origins_[sides_taken_].where.empty()) throw;
    const SideOrigin& origin = origins_[sides_taken_];
    throw print::Error(origin.where, origin.label + " " + error.input() + ": " + error.what());
  }
}

std::optional<Card> BatchSource::next() {
  // A card counts as done once the job asks for the card after it.
  if (progress_) progress_(cards_taken_);
  std::optional<CardSide> front = next_side();
  if (!front) return std::nullopt;
  Card card{std::move(*front), std::nullopt};
  if (sides_taken_ < origins_.size() && origins_[sides_taken_].back) {
    card.back = next_side();
    if (!card.back) throw print::Error(origins_[sides_taken_].where, "the card's back is missing");
  }
  ++cards_taken_;
  return card;
}

}  // namespace ymcko::cards
