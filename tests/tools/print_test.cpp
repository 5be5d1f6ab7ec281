// Printing end to end: the ymcko program draws card sides into the driver's
// page through the host engine and writes the job, which the command-stream
// reader then takes apart.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "cards/images/png_write.h"
#include "cards/jobs/command_reader.h"
#include "support/scratch.h"
#include "support/test_support.h"
#include "ymcko/errors.h"
#include "ymcko/output_file.h"
#include "ymcko/print_job.h"

namespace {

namespace js = ymcko::jobstream;
using ymcko::testing::ProcessResult;
using ymcko::testing::ScratchFolder;

class Print : public ::testing::Test {
 protected:
  ProcessResult run(const std::vector<std::string>& args) {
    ymcko::testing::pass_over_rendering_libraries();
    return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder_.path());
  }
  // The job written by a successful run, read back whole.
  js::ReadResult job(const std::string& name) {
    std::string text = ymcko::testing::read_text(folder_ / name);
    bytes_.assign(text.begin(), text.end());
    js::ReadResult read = js::read_commands(bytes_);
    EXPECT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
    return read;
  }
  template <class T>
  static std::vector<const T*> all(const js::ReadResult& read) {
    std::vector<const T*> found;
    for (const auto& c : read.commands) {
      if (auto* body = std::get_if<T>(&c.body)) found.push_back(body);
    }
    return found;
  }
  static const js::Panel* panel(const js::ReadResult& read, char letter) {
    for (const js::Panel* p : all<js::Panel>(read)) {
      if (p->panel == letter) return p;
    }
    return nullptr;
  }

  ScratchFolder folder_;
  std::vector<std::uint8_t> bytes_;
};

TEST_F(Print, TheDemoCard) {
  ProcessResult result = run({"print", "--demo", "-o", "demo.prn"});
  ASSERT_EQ(result.status, 0) << result.err;
  js::ReadResult read = job("demo.prn");
  EXPECT_EQ(all<js::CardStart>(read).size(), 1u);
  EXPECT_EQ(all<js::CardEnd>(read).size(), 1u);
  EXPECT_EQ(all<js::OverlayArea>(read).size(), 1u);
  ASSERT_NE(panel(read, 'K'), nullptr) << "the text and barcode are pure black";
  EXPECT_EQ(ymcko::testing::folder_entries(folder_.path()), std::vector<std::string>{"demo.prn"});
}

TEST_F(Print, AnImageOfThePageSizeIsDrawnPixelForPixel) {
  // Landscape page, no colour correction and an identity tone table: each
  // panel byte is the ink amount of the pixel it comes from.
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::uint32_t y = 0; y < 656; ++y) {
    for (std::uint32_t x = 0; x < 1024; ++x) {
      std::uint8_t* p = &rgb[(y * 1024 + x) * 3];
      p[0] = std::uint8_t(x * 7 + 1), p[1] = std::uint8_t(y * 3 + 2),
      p[2] = std::uint8_t((x ^ y) | 1);
      if (p[0] == 0 && p[1] == 0) p[0] = 1;
    }
  }
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  ProcessResult result = run({"print", "card.png", "--no-color-correction", "--intensity", "50",
                              "--no-front-black", "-o", "card.prn"});
  ASSERT_EQ(result.status, 0) << result.err;
  js::ReadResult read = job("card.prn");
  const char letters[] = {'Y', 'M', 'C'};
  const int channel[] = {2, 1, 0};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(letters[k]);
    const js::Panel* p = panel(read, letters[k]);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->first_line, 0u);
    ASSERT_EQ(p->lines(), 1024u);
    // Panel line i, byte j: page column i, page row 655 - j.
    std::size_t mismatches = 0;
    for (std::uint32_t i = 0; i < 1024; ++i) {
      for (std::uint32_t j = 0; j < 656; ++j) {
        std::uint8_t ink = 255 - rgb[((655 - j) * 1024 + i) * 3 + channel[k]];
        mismatches += p->data[i * 656 + j] != ink;
      }
    }
    EXPECT_EQ(mismatches, 0u);
  }
}

TEST_F(Print, OtherSizesAreScaledToFillThePage) {
  std::vector<std::uint8_t> rgb(10 * 10 * 3, 0);
  for (std::size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 255;  // red
  ymcko::cards::write_png(folder_ / "small.png", 10, 10, 3, rgb);
  ProcessResult result =
      run({"print", "small.png", "--no-color-correction", "--intensity", "50", "-o", "red.prn"});
  ASSERT_EQ(result.status, 0) << result.err;
  js::ReadResult read = job("red.prn");
  EXPECT_EQ(panel(read, 'C'), nullptr) << "red takes no cyan";
  for (char letter : {'Y', 'M'}) {
    const js::Panel* p = panel(read, letter);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->lines(), 1024u);
    EXPECT_TRUE(
        std::all_of(p->data.begin(), p->data.end(), [](std::uint8_t b) { return b == 255; }));
  }
}

TEST_F(Print, PdfPagesAreCardSides) {
  ymcko::testing::write_bytes(folder_ / "cards.pdf",
                              ymcko::testing::pdf_with_pages({"1 0 0", "0 0 1"}));
  ProcessResult result = run({"print", "cards.pdf", "--side-mode", "1", "-o", "cards.prn"});
  ASSERT_EQ(result.status, 0) << result.err;
  js::ReadResult read = job("cards.prn");
  EXPECT_EQ(all<js::CardStart>(read).size(), 1u);
  EXPECT_EQ(all<js::CardTurn>(read).size(), 1u);
}

TEST_F(Print, BatchCardsCarryTheirOwnTracks) {
  std::vector<std::uint8_t> grey(4 * 4 * 3, 128);
  ymcko::cards::write_png(folder_ / "a.png", 4, 4, 3, grey);
  ymcko::testing::write_text(folder_ / "cards.csv",
                             "front,track1\na.png,FIRST CARD\na.png,SECOND\n");
  ProcessResult result = run({"print", "--batch", "cards.csv", "--mag-encoder", "--mag-mode", "W",
                              "--copies", "3", "-o", "b.prn"});
  ASSERT_EQ(result.status, 0) << result.err;
  js::ReadResult read = job("b.prn");
  auto stripes = all<js::Stripe>(read);
  ASSERT_EQ(stripes.size(), 2u);
  EXPECT_EQ(stripes[0]->track1, "FIRST CARD");
  EXPECT_EQ(stripes[1]->track1, "SECOND") << "no tail of the longer first track";
  for (const js::Panel* p : all<js::Panel>(read)) EXPECT_EQ(p->count, "0003");
}

// A reprint takes the chosen rows, by the lines messages name them with, in
// the file's order; rows not chosen are not read (line 5's image is broken).
TEST_F(Print, RowsPrintOnlyThoseRowsInFileOrder) {
  ymcko::cards::write_png(folder_ / "a.png", 4, 4, 3, std::vector<std::uint8_t>(48, 128));
  ymcko::testing::write_text(folder_ / "broken.png", "not an image");
  ymcko::testing::write_text(folder_ / "cards.csv",
                             "front,track1\na.png,L2\n\na.png,L4\nbroken.png,L5\na.png,L6\n");
  ymcko::testing::write_text(folder_ / "t.svg",
                             R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                             R"(<rect width="5" height="5" fill="#808080"/></svg>)");
  ymcko::testing::write_text(folder_ / "people.csv",
                             "name,track1\nA,L2\n\"B\nC\",L3\nD,L5\nE,L6\n");
  const std::vector<std::string> batch = {"--batch", "cards.csv"};
  const std::vector<std::string> templated = {"--template", "t.svg", "--data", "people.csv"};
  struct Case {
    const char* name;
    std::vector<std::string> source;
    const char* rows;
    std::vector<std::string> tracks;  // each card's track 1, in job order
  };
  const Case cases[] = {
      {"a manifest's ranges", batch, "6,2-4", {"L2", "L4", "L6"}},
      {"a manifest's overlapping ranges", batch, "4-4,2,4", {"L2", "L4"}},
      {"a data file's row after a field of two lines", templated, "5-6,3", {"L3", "L5", "L6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"print",      "--rows", c.rows, "--mag-encoder",
                                     "--mag-mode", "W",      "-o",   "rows.prn"};
    args.insert(args.begin() + 1, c.source.begin(), c.source.end());
    ProcessResult result = run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    js::ReadResult read = job("rows.prn");
    EXPECT_EQ(all<js::CardStart>(read).size(), c.tracks.size());
    std::vector<std::string> tracks;
    for (const js::Stripe* stripe : all<js::Stripe>(read)) tracks.push_back(stripe->track1);
    EXPECT_EQ(tracks, c.tracks);
  }
}

TEST_F(Print, InfoDescribesTheCard) {
  ProcessResult result = run({"info", "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  auto info = nlohmann::json::parse(result.out);
  EXPECT_EQ(info["page_dots"], nlohmann::json::array({1024, 656}));
  EXPECT_EQ(info["page_micrometres"], nlohmann::json::array({86699, 55541}));
  EXPECT_EQ(info["form"]["page_size_option"], "CR_80");
  EXPECT_EQ(info["features"][0]["feature"], "PageSize");
  ProcessResult portrait = run({"info", "--portrait"});
  EXPECT_NE(portrait.out.find("656 x 1024 dots"), std::string::npos) << portrait.out;
}

TEST_F(Print, TheMergedDeviceModeIsSavedWholeAndOnlyWithTheJob) {
  ymcko::cards::write_png(folder_ / "card.png", 4, 4, 1, std::vector<std::uint8_t>(16, 9));
  ymcko::testing::write_text(folder_ / "broken.png", "not an image");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool saved;
  };
  const Case cases[] = {
      {"the job succeeds",
       {"print", "card.png", "--copies", "4", "-o", "job.prn", "--save-devmode", "dm.bin"},
       true},
      {"a later side fails",
       {"print", "card.png", "broken.png", "-o", "job.prn", "--save-devmode", "dm.bin"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ymcko::testing::write_text(folder_ / "dm.bin", "old");
    ProcessResult result = run(c.args);
    EXPECT_EQ(result.status, c.saved ? 0 : 1) << result.err;
    const std::string saved = ymcko::testing::read_text(folder_ / "dm.bin");
    if (!c.saved) {
      EXPECT_EQ(saved, "old") << "a failed job leaves the device mode file as it was";
      continue;
    }
    ASSERT_EQ(saved.size(), 1448u);
    EXPECT_EQ(saved.substr(220, 4), "aRIV");
    EXPECT_EQ(saved[86], 4) << "dmCopies";
  }
  EXPECT_EQ(ymcko::testing::folder_entries(folder_.path()),
            (std::vector<std::string>{"broken.png", "card.png", "dm.bin", "job.prn"}));
}

// Sides from a list, for the library-level print path.
class ListSource final : public ymcko::cards::SideSource {
 public:
  explicit ListSource(std::vector<ymcko::cards::CardSide> sides) : sides_(std::move(sides)) {}
  std::optional<ymcko::cards::CardSide> next() override {
    if (at_ == sides_.size()) return std::nullopt;
    return sides_[at_++];
  }

 private:
  std::vector<ymcko::cards::CardSide> sides_;
  std::size_t at_ = 0;
};

TEST_F(Print, AFailedWriteLeavesNoJobAndKeepsTheOldFile) {
  ymcko::testing::write_text(folder_ / "job.prn", "old job");
  int writes = 0;
  auto failing = [&writes](int fd, const void* bytes, std::size_t count) -> ssize_t {
    if (++writes == 3) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, bytes, count);
  };
  {
    ymcko::tool::OutputFile output(folder_ / "job.prn", failing);
    ListSource sides({{"white card", std::nullopt, {}}});
    EXPECT_THROW(ymcko::tool::print_cards(ymcko::print::JobOptions{}, sides, output, std::nullopt),
                 ymcko::tool::ToolError);
  }
  EXPECT_EQ(ymcko::testing::read_text(folder_ / "job.prn"), "old job");
  EXPECT_EQ(ymcko::testing::folder_entries(folder_.path()), std::vector<std::string>{"job.prn"});
}

}  // namespace
