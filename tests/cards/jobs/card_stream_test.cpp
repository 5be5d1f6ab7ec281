// Cards read back from a job stream as it is written: whatever the size of
// the writes, each card comes once, whole, with its sides and the tracks its
// stripe wrote, and no more cards than asked for.
#include "cards/jobs/card_stream.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "print/session.h"

namespace {

using ymcko::cards::CardStream;
using ymcko::cards::StreamCard;

// A job of `cards` cards, grey, in the side mode; the last card's stripe
// writes tracks 1 and 3.
std::vector<std::uint8_t> job_of(int side_mode, std::size_t cards) {
  ymcko::print::CardSettings settings;
  ymcko::print::Warnings warnings;
  settings.set("side_mode", std::int64_t{side_mode}, "test", warnings);
  settings.set("mag_encoder", true, "test", warnings);
  ymcko::print::MemorySink sink;
  ymcko::print::PrintSession session(sink, ymcko::print::job_options(settings));
  const auto& facts = session.facts();
  const std::vector<std::uint8_t> grey(std::size_t(facts.page_width) * facts.page_height, 90);
  const ymcko::print::ImageView page{facts.page_width, facts.page_height,
                                     ymcko::print::PixelFormat::gray, grey, 0};
  for (std::size_t card = 1; card <= cards; ++card) {
    ymcko::print::Stripe stripe;
    if (card == cards) stripe = {'W', {"LAST", std::nullopt, "123"}};
    for (int side = 0; side < (side_mode == 0 ? 1 : 2); ++side)
      session.add_side(page, "card " + std::to_string(card),
                       side == 0 ? stripe : ymcko::print::Stripe{});
  }
  session.finish();
  return sink.bytes();
}

TEST(CardStream, CardsComeWholeOnceWhateverTheWrites) {
  struct Case {
    const char* name;
    int side_mode;
    std::size_t cards;
    std::size_t most;
    std::size_t chunk;  // bytes a write; 0: the whole stream at once
  };
  const Case cases[] = {
      {"one side, small writes", 0, 3, 20, 4099},
      {"front and back, one write", 1, 3, 20, 0},
      {"front and back, more cards than wanted", 1, 4, 2, 65536},
      {"a write a byte short of a card", 0, 2, 20, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> job = job_of(c.side_mode, c.cards);
    // A chunk of 1: the first card cut one byte short, then its last byte.
    std::vector<std::size_t> cuts;
    if (c.chunk == 1) {
      for (const auto& command : ymcko::jobstream::read_commands(job).commands) {
        if (std::holds_alternative<ymcko::jobstream::CardEnd>(command.body) && cuts.empty())
          cuts = {command.offset + command.length - 1, command.offset + command.length};
      }
    } else {
      for (std::size_t at = c.chunk; c.chunk != 0 && at < job.size(); at += c.chunk)
        cuts.push_back(at);
    }
    cuts.push_back(job.size());
    CardStream stream(c.most);
    std::vector<StreamCard> cards;
    std::size_t from = 0;
    for (const std::size_t to : cuts) {
      stream.write(std::span(job).subspan(from, to - from));
      from = to;
      for (StreamCard& card : stream.take()) cards.push_back(std::move(card));
    }
    ASSERT_EQ(cards.size(), std::min(c.cards, c.most));
    for (std::size_t i = 0; i < cards.size(); ++i) {
      SCOPED_TRACE("card " + std::to_string(i + 1));
      ASSERT_EQ(cards[i].sides.size(), c.side_mode == 0 ? 1u : 2u);
      EXPECT_FALSE(cards[i].sides[0].back);
      const auto& panels = cards[i].sides[0].panels;
      EXPECT_TRUE(std::any_of(panels.begin(), panels.end(), [](const auto& p) {
        return !p.empty();
      })) << "the card's panels, read back";
      EXPECT_EQ(cards[i].tracks, i + 1 == c.cards ? "1 3" : "");
    }
  }
}

}  // namespace
