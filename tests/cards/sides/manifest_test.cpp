// Batches: CSV fields, manifests with per-card tracks, the cards of a batch
// job and the decode-ahead worker.
#include "cards/sides/manifest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cards/sides/csv.h"
#include "cards/sides/decode_ahead.h"

namespace {

using namespace ymcko::cards;

std::vector<std::vector<std::string>> fields(std::string_view text) {
  const CsvTable table = parse_csv(text, "m.csv");
  std::vector<std::vector<std::string>> out(table.rows());
  for (std::size_t r = 0; r < table.rows(); ++r) {
    for (std::size_t f = 0; f < table.fields(r); ++f) out[r].emplace_back(table.field(r, f));
  }
  return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(Batch, CsvFields) {
  struct Case {
    const char* name;
    std::string text;
    Rows rows;
  };
  const Case cases[] = {
      {"plain", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
      {"no final newline", "a,b", {{"a", "b"}}},
      {"CRLF and blank lines", "a,b\r\n\r\nc,d\r\n\n", {{"a", "b"}, {"c", "d"}}},
      {"byte order mark",
       "\xEF\xBB\xBF"
       "front\nx.png",
       {{"front"}, {"x.png"}}},
      {"empty fields", ",\n,x", {{"", ""}, {"", "x"}}},
      {"quoted comma, quote and newline",
       "\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\n",
       {{"a,b", "say \"hi\"", "two\nlines"}}},
      {"quote inside a plain field stays", "a\"b,c", {{"a\"b", "c"}}},
      {"rows of other widths",
       "a,b\nc,d\ne\n\n,,f",
       {{"a", "b"}, {"c", "d"}, {"e"}, {"", "", "f"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fields(c.text), c.rows);
  }
  const CsvTable table = parse_csv("\na\n\n\"x\ny\",z\nw", "m.csv");
  EXPECT_EQ(std::vector<std::size_t>({table.line(0), table.line(1), table.line(2)}),
            (std::vector<std::size_t>{2, 4, 6}))
      << "blank lines are skipped and lines count inside quotes";
}

TEST(Batch, ManifestRefusalsNameTheLine) {
  struct Case {
    const char* name;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"empty", "", "m.csv: the manifest is empty"},
      {"header only", "front,back\n", "m.csv: the manifest lists no cards"},
      {"unknown column", "front,picture\n", "m.csv:1: unknown column \"picture\""},
      {"duplicate column", "front,front\n", "m.csv:1: the column \"front\" appears twice"},
      {"no front column", "back,track1\n", "m.csv:1: the header has no \"front\" column"},
      {"missing field", "front,track1\na.png,X\nb.png\n",
       "m.csv:3: the row has 1 fields; the header has 2"},
      {"empty front", "front,back\n,b.png\n", "m.csv:2: front: every card needs a front image"},
      {"track too long", "front,track2\na.png," + std::string(80, '1') + "\n",
       "m.csv:2: track2: the text has 80 characters; track 2 takes at most 79"},
      {"unclosed quote", "front\n\"a.png\n", "m.csv:2: a quoted field is never closed"},
      {"text after quote", "front\n\"a.png\"x\n", "m.csv:2: text follows a closing quote"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      parse_manifest(c.text, "/cards", "m.csv");
      ADD_FAILURE() << "accepted";
    } catch (const ymcko::print::Error& error) {
      EXPECT_NE((error.input() + ": " + error.what()).find(c.message), std::string::npos)
          << (error.input() + ": " + error.what());
    }
  }
}

TEST(Batch, ManifestPathsAreRelativeToItAndTracksPerCard) {
  Manifest manifest = parse_manifest(
      "track1,front,back\nALICE,a.png,/abs/b.png\n,c.png,\nbob,e.png,f.png\n", "/cards", "m.csv");
  ASSERT_EQ(manifest.size(), 3u);
  EXPECT_EQ(manifest.card(0).front, "/cards/a.png");
  EXPECT_EQ(manifest.card(0).back, "/abs/b.png");
  EXPECT_EQ(manifest.card(0).tracks[0], "ALICE");
  EXPECT_FALSE(manifest.card(1).back);
  EXPECT_EQ(manifest.card(1).tracks[0], "") << "an empty cell is an empty track";
  EXPECT_FALSE(manifest.card(1).tracks[1]) << "no column, no track";
}

TEST(Batch, EveryCardIsItsFrontWithItsStripeAndItsOwnBack) {
  Manifest manifest =
      parse_manifest("front,back,track2\na.png,b.png,111\nc.png,,\n", "/m", "m.csv");
  ymcko::print::Stripe job;
  job.mode = 'R';
  job.tracks[0] = "JOB";
  const BatchPlan plan =
      plan_batch(manifest, job, {true, ymcko::print::StripeFormat::iso, 'Q'}, "m.csv");
  ASSERT_EQ(plan.size(), 3u) << "a card without a back image has no back side of its own";
  EXPECT_FALSE(plan.side(3));
  EXPECT_EQ(plan.side(1)->file, std::filesystem::path("/m/b.png"));
  EXPECT_EQ(plan.side(1)->name, "m.csv:2: card 1 back /m/b.png");
  EXPECT_TRUE(plan.side(1)->back);
  EXPECT_FALSE(plan.side(2)->back);
  EXPECT_EQ(plan.side(1)->stripe, ymcko::print::Stripe{}) << "the stripe goes with the front only";
  // Card 1: the job's mode and track 1, its own track 2; card 2: an empty track 2.
  EXPECT_EQ(plan.side(0)->stripe, (ymcko::print::Stripe{'R', {"JOB", "111", std::nullopt}}));
  EXPECT_EQ(plan.side(2)->stripe, (ymcko::print::Stripe{'R', {"JOB", "", std::nullopt}}));

  EXPECT_THROW(check_manifest_backs(manifest, 0, "m.csv"), ymcko::print::Error);
  EXPECT_NO_THROW(check_manifest_backs(manifest, 1, "m.csv"));
  Manifest fronts = parse_manifest("front\na.png\nb.png\n", "/m", "m.csv");
  EXPECT_NO_THROW(check_manifest_backs(fronts, 0, "m.csv"));
}

CardSide numbered(int i) { return CardSide{std::to_string(i), std::nullopt, {}}; }

TEST(Batch, DecodeAheadKeepsOrderAndStaysWithinItsDepth) {
  for (std::size_t workers : {1u, 3u}) {
    SCOPED_TRACE(workers);
    std::atomic<int> taken{0};
    std::atomic<int> most_ahead{0};
    {
      DecodeAhead ahead(
          [&](std::size_t index, std::size_t worker) -> std::optional<CardSide> {
            EXPECT_LT(worker, workers);
            if (index >= 50) return std::nullopt;
            // Later sides sometimes finish first.
            if (index % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            const int ahead_now = int(index) + 1 - taken;  // read racily: an upper bound
            if (ahead_now > most_ahead) most_ahead = ahead_now;
            return numbered(int(index));
          },
          3, workers);
      for (int i = 0; i < 50; ++i) {
        auto side = ahead.next();
        ASSERT_TRUE(side);
        EXPECT_EQ(side->name, std::to_string(i));
        taken = i + 1;
      }
      EXPECT_FALSE(ahead.next());
      EXPECT_FALSE(ahead.next());
    }
    EXPECT_LE(most_ahead.load(), 4);
  }
}

TEST(Batch, DecodeAheadBeginsNoSideWhileLargeOnesWait) {
  std::atomic<int> most_waiting{0};
  std::atomic<int> taken{0};
  {
    // Sides of 1,000 bytes against a budget of 1,500: one waits, a second
    // may be under way.
    DecodeAhead ahead(
        [&](std::size_t index, std::size_t) -> std::optional<CardSide> {
          if (index >= 12) return std::nullopt;
          const int waiting = int(index) - taken;  // racily: an upper bound
          if (waiting > most_waiting) most_waiting = waiting;
          CardSide side = numbered(int(index));
          side.image = ymcko::cards::Image{10, 25, std::vector<std::uint8_t>(1000)};
          return side;
        },
        8, 1, 1500);
    while (ahead.next()) {
      std::this_thread::sleep_for(std::chrono::microseconds(300));
      ++taken;
    }
  }
  EXPECT_LE(most_waiting.load(), 3);
}

TEST(Batch, DecodeAheadReportsAFailureInItsPlace) {
  for (std::size_t workers : {1u, 3u}) {
    SCOPED_TRACE(workers);
    DecodeAhead ahead(
        [&](std::size_t index, std::size_t) -> std::optional<CardSide> {
          if (index == 2) throw ymcko::print::Error("bad.png", "not a readable PNG image");
          if (index == 3)
            throw ymcko::print::Error("later.png", "not reported: an earlier side failed");
          return numbered(int(index));
        },
        4, workers);
    EXPECT_EQ(ahead.next()->name, "0");
    EXPECT_EQ(ahead.next()->name, "1");
    try {
      ahead.next();
      ADD_FAILURE() << "no error";
    } catch (const ymcko::print::Error& error) {
      EXPECT_EQ(error.input(), "bad.png");
    }
    EXPECT_FALSE(ahead.next());
  }
}

TEST(Batch, DecodeAheadStopsWhenTheJobStopsEarly) {
  std::atomic<int> produced{0};
  {
    DecodeAhead ahead(
        [&](std::size_t index, std::size_t) -> std::optional<CardSide> {
          ++produced;
          return numbered(int(index));
        },
        2, 2);
    ahead.next();
  }
  EXPECT_LE(produced.load(), 4);
}

TEST(Batch, SourcePairsEachFrontWithItsBackAndCountsTheCardsTaken) {
  std::vector<SidePlan> plan;
  for (int i = 0; i < 3; ++i) {
    SidePlan side;
    side.name = std::to_string(i);
    side.back = i == 1;
    plan.push_back(side);
  }
  std::vector<std::size_t> told;
  BatchSource source(std::move(plan), [&](std::size_t done) { told.push_back(done); });
  std::vector<std::string> cards;
  while (std::optional<Card> card = source.next())
    cards.push_back(card->front.name + (card->back ? "+" + card->back->name : ""));
  EXPECT_EQ(cards, (std::vector<std::string>{"0+1", "2"}));
  EXPECT_EQ(told, (std::vector<std::size_t>{0, 1, 2}));
}

}  // namespace
