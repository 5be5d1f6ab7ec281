// Cards read back from a job stream as it is written.
#include "cards/jobs/card_stream.h"

#include <algorithm>
#include <variant>

namespace ymcko::cards {
namespace {

namespace js = jobstream;

// The tracks a stripe command writes, by number; mode Q writes none.
std::string tracks_written(const js::Stripe& stripe) {
  if (stripe.mode == 'Q') return "";
  std::string tracks;
  const std::string* texts[] = {&stripe.track1, &stripe.track2, &stripe.track3};
  for (int t = 0; t < 3; ++t) {
    if (!texts[t]->empty()) tracks += (tracks.empty() ? "" : " ") + std::to_string(t + 1);
  }
  return tracks;
}

// The commands up to the end of the last whole card, at most `most` cards.
std::size_t whole_cards_end(const std::vector<js::Command>& commands, std::size_t most) {
  std::size_t end = 0, cards = 0;
  for (std::size_t i = 0; i < commands.size() && cards < most; ++i) {
    if (std::holds_alternative<js::CardEnd>(commands[i].body)) {
      ++cards;
      end = i + 1;
    }
  }
  return end;
}

}  // namespace

std::vector<StreamCard> cards_of(const std::vector<js::Command>& commands, std::size_t most) {
  const std::vector<js::Command> whole(
      commands.begin(), commands.begin() + std::ptrdiff_t(whole_cards_end(commands, most)));
  // A card's stripe comes before its start.
  std::vector<StreamCard> cards;
  std::string tracks;
  for (const js::Command& command : whole) {
    if (const auto* stripe = std::get_if<js::Stripe>(&command.body))
      tracks = tracks_written(*stripe);
    if (std::holds_alternative<js::CardStart>(command.body)) {
      cards.push_back({{}, tracks});
      tracks.clear();
    }
  }
  for (SidePrint& side : card_sides(whole))
    cards.at(side.card - 1).sides.push_back(std::move(side));
  return cards;
}

void CardStream::write(std::span<const std::uint8_t> bytes) {
  if (taken_ < most_) pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

std::vector<StreamCard> CardStream::take() {
  if (taken_ >= most_ || pending_.empty()) return {};
  // The reader stops at the card cut short; what it read before is sound.
  const js::ReadResult read = js::read_commands(pending_);
  const std::size_t end = whole_cards_end(read.commands, most_ - taken_);
  if (end == 0) return {};
  std::vector<StreamCard> cards = cards_of(read.commands, most_ - taken_);
  taken_ += cards.size();
  const js::Command& last = read.commands[end - 1];
  pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(last.offset + last.length));
  if (taken_ >= most_) pending_ = {};
  return cards;
}

}  // namespace ymcko::cards
