// The held previews against a card printed through the driver, and the job
// read as it comes against the whole-job check.
#include "cards/jobs/job_stream.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "cards/jobs/job_check.h"
#include "cards/jobs/previews.h"
#include "print/card_settings.h"
#include "print/session.h"
#include "support/test_support.h"

namespace {

using namespace ymcko::cards;
namespace js = ymcko::jobstream;
using ymcko::testing::hex;

enum Corner { top_left, top_right, bottom_left, bottom_right };

// A white page with a black square in one corner.
std::vector<std::uint8_t> marked_page(bool landscape, Corner corner) {
  const std::uint32_t width = landscape ? 1024 : 656, height = landscape ? 656 : 1024;
  std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3, 255);
  const std::uint32_t x0 = corner == top_left || corner == bottom_left ? 0 : width - 40;
  const std::uint32_t y0 = corner == top_left || corner == top_right ? 0 : height - 40;
  for (std::uint32_t y = y0; y < y0 + 40; ++y)
    std::fill_n(&rgb[(std::size_t(y) * width + x0) * 3], 40 * 3, 0);
  return rgb;
}

// The sides of a job, read as it comes in pieces of `piece` bytes.
std::vector<SidePrint> streamed_sides(std::span<const std::uint8_t> job, std::size_t piece,
                                      std::optional<js::ReadError>& fault) {
  std::vector<SidePrint> sides;
  JobStream stream({{}, [&](SidePrint&& side) { sides.push_back(std::move(side)); }});
  for (std::size_t at = 0; at < job.size(); at += piece)
    stream.feed(job.subspan(at, std::min(piece, job.size() - at)));
  fault = stream.finish();
  return sides;
}

// The middle of the mark in a side's black panel.
HeldPoint mark_in_panel(const SidePrint& side) {
  std::uint64_t columns = 0, lines = 0, count = 0;
  for (std::uint32_t line = 0; line < kPanelLines; ++line) {
    for (std::uint32_t column = 0; column < kPanelColumns; ++column) {
      if (side.panels[3][std::size_t(line) * kPanelColumns + column] > 128)
        columns += column, lines += line, ++count;
    }
  }
  EXPECT_GT(count, 0u);
  return {std::uint32_t(columns / std::max<std::uint64_t>(count, 1)),
          std::uint32_t(lines / std::max<std::uint64_t>(count, 1))};
}

// The corner of a held picture's card that a point lies in.
Corner corner_of(HeldPoint at, bool landscape) {
  const std::uint32_t width = landscape ? 1024 : 656, height = landscape ? 656 : 1024;
  const bool left = at.x < width / 2, top = at.y < height / 2;
  return top ? (left ? top_left : top_right) : (left ? bottom_left : bottom_right);
}

// A corner marked on a page lands in the same corner of its held picture,
// front and back, landscape and portrait: the page as drawn, the back as it
// is seen once the card is turned over about its long edge. Through the
// card, the printer having turned it about that edge (the back's panel
// column c lies over the front's column 655 - c, on the same line), the
// back's mark lies over the front's corner mirrored across the long edge.
TEST(HeldPreview, AMarkedCornerLandsWhereItLiesOnTheCard) {
  struct Case {
    const char* name;
    bool landscape;
    bool back;
    Corner marked;
    Corner behind;  // on the front's held picture, for a back
  };
  const Case cases[] = {
      {"landscape front, upper left", true, false, top_left, top_left},
      {"landscape front, lower right", true, false, bottom_right, bottom_right},
      {"landscape back, upper left", true, true, top_left, bottom_left},
      {"landscape back, upper right", true, true, top_right, bottom_right},
      {"portrait front, upper right", false, false, top_right, top_right},
      {"portrait back, upper left", false, true, top_left, top_right},
      {"portrait back, lower left", false, true, bottom_left, bottom_right},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ymcko::print::Warnings warnings;
    const auto settings =
        ymcko::print::parse_settings(std::string(R"({"side_mode": 1, "orientation": ")") +
                                         (c.landscape ? "landscape" : "portrait") + R"("})",
                                     "test", warnings);
    const std::uint32_t width = c.landscape ? 1024 : 656, height = c.landscape ? 656 : 1024;
    const auto marked = marked_page(c.landscape, c.marked);
    const auto blank = marked_page(c.landscape, c.marked == top_left ? bottom_right : top_left);
    const ymcko::print::ImageView mark{width, height, ymcko::print::PixelFormat::rgb, marked, 0};
    const ymcko::print::ImageView other{width, height, ymcko::print::PixelFormat::rgb, blank, 0};
    ymcko::print::MemorySink job;
    {
      ymcko::print::PrintSession session(job, ymcko::print::job_options(settings));
      session.add_card({"front", c.back ? other : mark},
                       ymcko::print::Side{"back", c.back ? mark : other});
      session.finish();
    }
    std::optional<js::ReadError> fault;
    const std::vector<SidePrint> sides = streamed_sides(job.bytes(), 65536, fault);
    ASSERT_FALSE(fault) << fault->expected;
    ASSERT_EQ(sides.size(), 2u);
    const SidePrint& side = sides[c.back ? 1 : 0];

    const Picture held = held_preview(side, c.landscape);
    EXPECT_EQ(held.width, width);
    EXPECT_EQ(held.height, height + kHeldLegendHeight);
    for (Corner corner : {top_left, top_right, bottom_left, bottom_right}) {
      const std::uint32_t x = corner == top_left || corner == bottom_left ? 20 : width - 20;
      const std::uint32_t y = corner == top_left || corner == top_right ? 20 : height - 20;
      const std::uint8_t red = held.rgb[(std::size_t(y) * width + x) * 3];
      EXPECT_EQ(red < 128, corner == c.marked) << "corner " << corner;
    }
    const HeldPoint in_panel = mark_in_panel(side);
    EXPECT_EQ(corner_of(held_point(c.landscape, in_panel.x, in_panel.y), c.landscape), c.marked);
    if (c.back) {
      const HeldPoint behind = held_point(c.landscape, kPanelColumns - 1 - in_panel.x, in_panel.y);
      EXPECT_EQ(corner_of(behind, c.landscape), c.behind);
    }
  }
}

// The stripe's band is on the back only, along the upper long edge when
// held landscape, and darker when the card had a stripe command.
TEST(HeldPreview, TheStripeBandLiesOnTheBack) {
  const auto grey = [](const Picture& picture, std::uint32_t x, std::uint32_t y) {
    return picture.rgb[(std::size_t(y) * picture.width + x) * 3 + 2];
  };
  SidePrint front{1, false, {}, false, {}, true};
  SidePrint back{1, true, {}, false, {}, false};
  SidePrint back_with_stripe{1, true, {}, false, {}, true};
  const Picture held_front = held_preview(front, true);
  const Picture held_back = held_preview(back, true);
  const Picture held_stripe = held_preview(back_with_stripe, true);
  EXPECT_EQ(grey(held_front, 512, 120), 255);
  EXPECT_LT(grey(held_back, 512, 120), 255);
  EXPECT_LT(grey(held_stripe, 512, 120), grey(held_back, 512, 120));
  for (const Picture* picture : {&held_back, &held_stripe}) {
    EXPECT_EQ(grey(*picture, 512, kStripeNear - 2), 255);
    EXPECT_EQ(grey(*picture, 512, kStripeFar + 1), 255);
  }
  // Portrait, the same long edge is the right one.
  const Picture portrait = held_preview(back_with_stripe, false);
  EXPECT_LT(grey(portrait, kPanelColumns - 120, 512), 255);
  EXPECT_EQ(grey(portrait, 120, 512), 255);
}

const char* kStart =
    R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D)";
const char* kCard = R"(
    1B 4D 57 31 "DOE" 0E 32 0E 33 0E 0D
    1B 01 0D 1B 63 59 0D
    1B 65 59 "0100100" 31 31 00 00 04 00 02 53 FF 80 00 10 0D 1B 61 59 "0001" 0D
    1B 63 4F 0D 1B 65 4F "000200010007001101" 0D 1B 61 4F "0001" 0D
    1B 66 0D
    1B 65 4B "0000000" 31 31 00 00 01 00 01 53 FF 0D 1B 61 4B "0001" 0D
    1B 04 0D)";

// Read in pieces of any size, a job gives the commands, sides and fault that
// the whole-job check gives, at the same offsets; a malformed job cut short
// anywhere too.
TEST(JobStream, ReadsAsTheWholeJobCheckDoes) {
  const std::string start(kStart), card(kCard);
  struct Case {
    const char* name;
    std::string job;
    bool cut;  // also every cut of it
  };
  const Case cases[] = {
      {"two cards", start + card + card, true},
      {"empty", "", false},
      {"no card end", start + "1B 01 0D", true},
      {"card start twice, then a reader fault", start + "1B 01 0D 1B 01 0D 1B 5A 0D", true},
      {"area numbers skip",
       start + R"(1B 01 0D 1B 63 4F 0D 1B 65 4F "100000000000000001" 0D 1B 61 4F "0001" 0D
                  1B 04 0D)" +
           card,
       true},
      {"panel wider than the card",
       start + R"(1B 01 0D 1B 65 4B "6500000" 31 31 00 00 0A 00 0A 53 00 00 00 00 00 00 00 00 00 00
                  0D 1B 61 4B "0001" 0D 1B 04 0D)",
       true},
      {"parameters without their CR", start + "1B 44 " + std::string(600, '3'), false},
      {"parameters far too long", start + "1B 44 \"" + std::string(600, '3') + "\" 0D", false},
      {"a track far too long", start + "1B 4D 57 31 \"" + std::string(400, 'A') + "\" 0E", false},
      {"a track without its end", start + "1B 4D 57 31 \"" + std::string(400, 'A') + "\"", false},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> whole = hex(c.job);
    std::vector<std::size_t> lengths = {whole.size()};
    if (c.cut) {
      for (std::size_t length = 0; length < whole.size(); length += 1 + length / 4)
        lengths.push_back(length);
    }
    for (std::size_t length : lengths) {
      const std::span<const std::uint8_t> job = std::span(whole).first(length);
      const js::ReadResult checked = check_job(job);
      const std::vector<SidePrint> expected_sides =
          checked.error ? std::vector<SidePrint>{} : card_sides(checked.commands);
      for (std::size_t piece :
           {std::size_t{1}, std::size_t{7}, std::size_t{300}, whole.size() + 1}) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(length) + " bytes in pieces of " +
                     std::to_string(piece));
        std::vector<std::string> commands;
        std::vector<SidePrint> sides;
        JobStream stream(
            {[&](const js::Command& command) { commands.push_back(js::describe(command)); },
             [&](SidePrint&& side) { sides.push_back(std::move(side)); }});
        for (std::size_t at = 0; at < job.size(); at += piece)
          stream.feed(job.subspan(at, std::min(piece, job.size() - at)));
        const std::optional<js::ReadError> fault = stream.finish();
        ASSERT_EQ(fault.has_value(), checked.error.has_value());
        if (fault) {
          EXPECT_EQ(fault->offset, checked.error->offset);
          EXPECT_EQ(fault->expected, checked.error->expected);
        }
        ASSERT_EQ(commands.size(), checked.commands.size());
        for (std::size_t i = 0; i < commands.size(); ++i)
          EXPECT_EQ(commands[i], js::describe(checked.commands[i]));
        EXPECT_LE(stream.pending(), 2 * js::kLongestText + 64);
        if (fault) continue;
        ASSERT_EQ(sides.size(), expected_sides.size());
        for (std::size_t i = 0; i < sides.size(); ++i) {
          EXPECT_EQ(sides[i].card, expected_sides[i].card);
          EXPECT_EQ(sides[i].back, expected_sides[i].back);
          EXPECT_EQ(sides[i].panels, expected_sides[i].panels);
          EXPECT_EQ(sides[i].overlay_areas.size(), expected_sides[i].overlay_areas.size());
          EXPECT_TRUE(sides[i].stripe) << "the card's stripe command";
        }
      }
    }
  }
}

}  // namespace
