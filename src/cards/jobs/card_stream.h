// A job stream read back into cards as it is written, a card at a time: the
// bytes after the last whole card are kept until that card is whole, so a
// long job holds about one card in memory, and reading stops after the
// cards wanted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cards/jobs/command_reader.h"
#include "cards/jobs/previews.h"

namespace ymcko::cards {

// A whole card of a stream: its sides in order, and the tracks its stripe
// wrote by number ("1 3"; empty for no stripe or none written).
struct StreamCard {
  std::vector<SidePrint> sides;
  std::string tracks;
};

// The first `most` cards of these commands, whole cards only.
std::vector<StreamCard> cards_of(const std::vector<jobstream::Command>& commands, std::size_t most);

class CardStream {
 public:
  explicit CardStream(std::size_t most) : most_(most) {}

  // The next bytes of the stream; none are kept once `most` cards were taken.
  void write(std::span<const std::uint8_t> bytes);

  // The cards made whole since the last call.
  std::vector<StreamCard> take();

 private:
  std::size_t most_;
  std::size_t taken_ = 0;
  std::vector<std::uint8_t> pending_;  // from a command's start
};

}  // namespace ymcko::cards
