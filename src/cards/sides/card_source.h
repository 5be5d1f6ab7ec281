// Whole cards decoded ahead on worker threads: the sides of a batch or a
// template run, each front followed by its own back where it has one, made
// in order and handed out a card at a time.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cards/sides/decode_ahead.h"
#include "cards/sides/side_plan.h"

namespace ymcko::cards {

// Told the cards done so far each time the job asks for the next card, the
// last time after the last card.
using CardProgress = std::function<void(std::size_t cards_done)>;

// Where a side comes from, for its errors: the data row or manifest line,
// its card and side ("card 3 front"), and whether it is its card's back.
struct SideOrigin {
  std::string where;
  std::string label;
  bool back = false;
};

// Where side `index` comes from; nothing past the last side.
using SideOrigins = std::function<std::optional<SideOrigin>(std::size_t index)>;

class BatchSource final : public CardSource {
 public:
  // The sides of `plan`, decoded ahead; a side that cannot be made is
  // reported by its manifest line and card.
  BatchSource(std::vector<SidePlan> plan, CardProgress progress,
              std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  // The same for sides planned as they are decoded.
  BatchSource(PlanSide plan, CardProgress progress,
              std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  // Sides made by `produce` on `workers` threads, side i reported in errors
  // by origins(i).
  BatchSource(SideOrigins origins, DecodeAhead::Produce produce, std::size_t workers,
              CardProgress progress);

  std::optional<Card> next() override;

 private:
  // The next side, its errors named by its origin.
  std::optional<CardSide> next_side();

  SideOrigins origins_;
  std::shared_ptr<SideDecoder> decoder_;
  DecodeAhead ahead_;
  CardProgress progress_;
  std::size_t sides_taken_ = 0;
  std::size_t cards_taken_ = 0;
};

}  // namespace ymcko::cards
