// The print session: sides given whole or line by line make the same job,
// a failure anywhere leaves no half document and names its cause, and the
// device facts follow the settings.
#include "print/session.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cards/jobs/command_reader.h"
#include "output/panel_separation.h"
#include "print/devmode.h"
#include "records/devmode.h"
#include "support/test_support.h"

namespace {

using namespace ymcko::print;
namespace js = ymcko::jobstream;

// A side of w x h pixels in the given format, every pixel different.
std::vector<std::uint8_t> pattern(std::uint32_t w, std::uint32_t h, PixelFormat format) {
  const std::size_t n = bytes_per_pixel(format);
  std::vector<std::uint8_t> pixels(std::size_t{w} * h * n);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * 7 + i / n);
  if (format == PixelFormat::rgba) {
    for (std::size_t i = 3; i < pixels.size(); i += 4)
      pixels[i] = i % 3 == 0 ? 255 : std::uint8_t(i);
  }
  return pixels;
}

JobOptions options_with(const std::string& settings_json) {
  Warnings warnings;
  return job_options(parse_settings(settings_json, "test", warnings));
}

// Records what reaches it, fails from a given write on, and says whether the
// session dropped the job.
class TestSink final : public Sink {
 public:
  explicit TestSink(std::size_t failing_write = 0) : failing_write_(failing_write) {}
  bool write(std::span<const std::uint8_t> bytes) override {
    if (failing_write_ != 0 && ++writes_ >= failing_write_) return false;
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  std::string name() const override { return "card.prn"; }
  std::string failure() const override { return "cannot be written: disk full"; }
  void discard() override { discarded_ = true; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  bool discarded() const { return discarded_; }

 private:
  std::size_t failing_write_;
  std::size_t writes_ = 0;
  std::vector<std::uint8_t> bytes_;
  bool discarded_ = false;
};

class Session : public ymcko::testing::EngineTest {};

TEST_F(Session, ASideGivenWholeOrLineByLineMakesTheSameJob) {
  struct Case {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    PixelFormat format;
    const char* settings;
  };
  const Case cases[] = {
      {"page size, RGBA", 1024, 656, PixelFormat::rgba, "{}"},
      {"page size, RGB", 1024, 656, PixelFormat::rgb, "{}"},
      {"page size, grey, portrait", 656, 1024, PixelFormat::gray, R"({"orientation": "portrait"})"},
      {"one pixel short, stretched", 1023, 655, PixelFormat::rgb, "{}"},
      {"small, contained", 300, 200, PixelFormat::rgba, "{}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string settings = c.settings;
    settings.insert(1, settings.size() > 2 ? R"("mag_encoder": true, )" : R"("mag_encoder": true)");
    JobOptions job = options_with(settings);
    job.fit = FitMode::contain;
    const std::vector<std::uint8_t> pixels = pattern(c.width, c.height, c.format);
    const Stripe stripe{'W', {"A", std::nullopt, "123"}};

    MemorySink whole;
    {
      PrintSession session(whole, job);
      session.add_side({c.width, c.height, c.format, pixels, 0}, "whole", stripe);
      session.finish();
    }
    MemorySink lines;
    {
      PrintSession session(lines, job);
      session.begin_side(c.width, c.height, c.format, "lines", stripe);
      const std::size_t row = c.width * bytes_per_pixel(c.format);
      for (std::uint32_t y = 0; y < c.height; ++y)
        session.write_line(std::span(pixels).subspan(y * row, row));
      session.end_side();
      session.finish();
    }
    ASSERT_FALSE(whole.bytes().empty());
    EXPECT_TRUE(ymcko::testing::BytesEqual(whole.bytes(), lines.bytes()));
    const js::ReadResult read = js::read_commands(whole.bytes());
    EXPECT_FALSE(read.error.has_value());
  }
}

// Two cards given whole make the sides the tool gave one by one: in side
// mode 0 a card is its front; in 1 and 2 its front and back, a missing back
// white; a back in side mode 0 is refused before anything of its card.
TEST_F(Session, ACardIsTheSidesOfItsSideMode) {
  const std::vector<std::uint8_t> picture = pattern(1024, 656, PixelFormat::rgba);
  const std::vector<std::uint8_t> small = pattern(300, 200, PixelFormat::rgb);
  const ImageView front{1024, 656, PixelFormat::rgba, picture, 0};
  const ImageView back{300, 200, PixelFormat::rgb, small, 0};
  const Stripe stripes[] = {{'W', {"ONE", "1", std::nullopt}}, {'W', {"TWO", std::nullopt, "2"}}};
  for (int side_mode : {0, 1, 2}) {
    for (bool with_back : {false, true}) {
      SCOPED_TRACE("side mode " + std::to_string(side_mode) + (with_back ? ", a back" : ""));
      const JobOptions job = options_with(R"({"side_mode": )" + std::to_string(side_mode) +
                                          R"(, "mag_encoder": true})");
      MemorySink cards;
      PrintSession session(cards, job);
      if (side_mode == 0 && with_back) {
        try {
          session.add_card({"front", front}, Side{"back", back}, stripes[0]);
          ADD_FAILURE() << "a back in side mode 0 was taken";
        } catch (const Error& error) {
          EXPECT_EQ(error.input(), "back");
        }
        EXPECT_EQ(session.sides(), 0u);
        continue;
      }
      MemorySink sides;
      PrintSession expected(sides, job);
      for (const Stripe& stripe : stripes) {
        std::optional<Side> given;
        if (with_back) given = Side{"back", back};
        session.add_card({"front", front}, given, stripe);
        expected.add_side(front, "front", stripe);
        if (side_mode != 0 && with_back) expected.add_side(back, "back");
        if (side_mode != 0 && !with_back) expected.add_blank_side("back");
        EXPECT_TRUE(session.next_side_is_front());
      }
      session.finish();
      expected.finish();
      EXPECT_TRUE(ymcko::testing::BytesEqual(sides.bytes(), cards.bytes()));
    }
  }
  // A card begins on a front.
  MemorySink half;
  PrintSession session(half, options_with(R"({"side_mode": 1})"));
  session.add_side(front, "a front alone");
  EXPECT_FALSE(session.next_side_is_front());
  EXPECT_THROW(session.add_card({"front", front}, std::nullopt), Error);
}

TEST_F(Session, AFailureLeavesNoHalfDocumentAndNamesItsCause) {
  struct Case {
    const char* name;
    std::function<void()> arm;
    std::size_t failing_write;
    const char* input;
    const char* what;
  };
  const Case cases[] = {
      {"no panel memory", [] { ymcko::engine::fail_allocations_with_tag(PANEL_POOL_TAG); }, 0,
       "card 1", "the driver could not send the page: out of memory"},
      {"the sink fails part-way", [] {}, 5, "card.prn", "cannot be written: disk full"},
      {"a spooler write fails", [] { ymcko::engine::fail_printer_write_in(6); }, 0, "card.prn",
       "a write to the printer failed"},
  };
  const std::vector<std::uint8_t> pixels = pattern(1024, 656, PixelFormat::rgb);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSink sink(c.failing_write);
    try {
      PrintSession session(sink, options_with("{}"));
      c.arm();
      session.add_side({1024, 656, PixelFormat::rgb, pixels, 0}, "card 1");
      session.add_side({1024, 656, PixelFormat::rgb, pixels, 0}, "card 2");
      session.finish();
      ADD_FAILURE() << "the job succeeded";
    } catch (const Error& error) {
      EXPECT_EQ(error.input(), c.input);
      EXPECT_EQ(std::string(error.what()), c.what);
    }
    ymcko::engine::clear_allocation_faults();
    EXPECT_TRUE(sink.discarded());
    // What reached the sink closes the document, so a printer that already
    // took it is not left in the middle of a card.
    if (c.failing_write == 0) {
      const std::vector<std::uint8_t> card_end = {0x1B, 0x04, 0x0D};
      ASSERT_GE(sink.bytes().size(), card_end.size());
      EXPECT_TRUE(std::equal(card_end.begin(), card_end.end(), sink.bytes().end() - 3));
    }
  }
}

TEST_F(Session, AnAbandonedJobIsDroppedAndMisuseIsRefused) {
  TestSink sink;
  {
    PrintSession session(sink, options_with("{}"));
    session.begin_side(2, 2, PixelFormat::gray, "side");
    EXPECT_THROW(session.write_line(std::vector<std::uint8_t>(3)), Error)
        << "a line of the wrong length";
    EXPECT_THROW(session.finish(), Error) << "a side is open";
  }
  EXPECT_TRUE(sink.discarded());

  MemorySink memory;
  PrintSession session(memory, options_with("{}"));
  EXPECT_THROW(
      session.add_side({4, 4, PixelFormat::rgb, std::vector<std::uint8_t>(10), 0}, "short"), Error);
  session.add_blank_side("white");
  session.finish();
  EXPECT_EQ(session.sides(), 1u);
  EXPECT_THROW(session.add_blank_side("late"), Error);
}

TEST_F(Session, FactsFollowTheSettings) {
  struct Case {
    const char* settings;
    bool landscape;
    std::uint32_t width;
    int copies;
  };
  const Case cases[] = {
      {"{}", true, 1024, 1},
      {R"({"orientation": "portrait", "copies": 3})", false, 656, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    const JobOptions job = options_with(c.settings);
    const DeviceFacts facts = describe_device(job);
    EXPECT_EQ(facts.landscape, c.landscape);
    EXPECT_EQ(facts.page_width, c.width);
    EXPECT_EQ(facts.copies, c.copies);
    EXPECT_EQ(facts.resolution_dpi, 300);
    ASSERT_EQ(facts.features.size(), 1u);
    EXPECT_EQ(facts.features[0].keyword, "PageSize");
    ASSERT_EQ(facts.devmode.size(), sizeof(DRVDEVMODE));
    DRVDEVMODE dm;
    std::memcpy(&dm, facts.devmode.data(), sizeof dm);
    EXPECT_EQ(dm.dmPublic.dmCopies, c.copies);
    MemorySink sink;
    PrintSession session(sink, job);
    EXPECT_EQ(session.facts().devmode, facts.devmode) << "a job's facts are the device's";
  }
}

}  // namespace
