// Cards from sides decoded ahead.
#include "cards/sides/card_source.h"

#include <algorithm>

#include "print/errors.h"

namespace ymcko::cards {
namespace {

// Decoded images are at most this many sides ahead of the driver.
constexpr std::size_t kDecodeDepth = 2;

SideOrigins origins_of(const std::vector<SidePlan>& plan) {
  std::vector<SideOrigin> origins;
  for (const SidePlan& side : plan) origins.push_back({side.origin, side.label, side.back});
  return [origins = std::move(origins)](std::size_t index) -> std::optional<SideOrigin> {
    if (index >= origins.size()) return std::nullopt;
    return origins[index];
  };
}

DecodeAhead::Produce decoding(std::shared_ptr<SideDecoder> decoder) {
  return [decoder = std::move(decoder)](std::size_t index, std::size_t worker) {
    return decoder->decode(index, worker);
  };
}

}  // namespace

BatchSource::BatchSource(std::vector<SidePlan> plan, CardProgress progress,
                         std::chrono::milliseconds pdf_page_time_limit)
    : origins_(origins_of(plan)),
      decoder_(
          std::make_shared<SideDecoder>(std::move(plan), decode_workers(), pdf_page_time_limit)),
      ahead_(decoding(decoder_), kDecodeDepth, decode_workers()),
      progress_(std::move(progress)) {}

BatchSource::BatchSource(PlanSide plan, CardProgress progress,
                         std::chrono::milliseconds pdf_page_time_limit)
    : origins_(
          // A side's origin is read from its plan, made once more.
          [plan](std::size_t index) -> std::optional<SideOrigin> {
            std::optional<SidePlan> side = plan(index);
            if (!side) return std::nullopt;
            return SideOrigin{std::move(side->origin), std::move(side->label), side->back};
          }),
      decoder_(std::make_shared<SideDecoder>(plan, decode_workers(), pdf_page_time_limit)),
      ahead_(decoding(decoder_), kDecodeDepth, decode_workers()),
      progress_(std::move(progress)) {}

BatchSource::BatchSource(SideOrigins origins, DecodeAhead::Produce produce, std::size_t workers,
                         CardProgress progress)
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
    const std::optional<SideOrigin> origin = origins_(sides_taken_);
    if (!origin || origin->where.empty()) throw;
    throw print::Error(origin->where, origin->label + " " + error.input() + ": " + error.what());
  }
}

std::optional<Card> BatchSource::next() {
  // A card counts as done once the job asks for the card after it.
  if (progress_) progress_(cards_taken_);
  std::optional<CardSide> front = next_side();
  if (!front) return std::nullopt;
  Card card{std::move(*front), std::nullopt};
  if (const std::optional<SideOrigin> next = origins_(sides_taken_); next && next->back) {
    card.back = next_side();
    if (!card.back) throw print::Error(next->where, "the card's back is missing");
  }
  ++cards_taken_;
  return card;
}

}  // namespace ymcko::cards
