// The whole CUPS road: cupsfilter runs PDFs and images through the PPD's
// filter chain, and a private cupsd on loopback prints a queue's job into a
// file, each giving a valid card job with the options in it.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "cards/images/png_write.h"
#include "cards/jobs/command_reader.h"
#include "print/card_settings.h"
#include "support/cupsd.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

namespace js = ymcko::jobstream;
using ymcko::testing::PrivateCupsd;
using ymcko::testing::ProcessResult;

// The commands of one kind in a job.
template <class T>
std::vector<const T*> all(const js::ReadResult& read) {
  std::vector<const T*> found;
  for (const auto& command : read.commands) {
    if (const auto* body = std::get_if<T>(&command.body)) found.push_back(body);
  }
  return found;
}

// Reads a job and says whether it is whole.
js::ReadResult read_job(const std::vector<std::uint8_t>& bytes) {
  js::ReadResult read = js::read_commands(bytes);
  EXPECT_FALSE(read.error.has_value()) << (read.error ? read.error->expected : "");
  EXPECT_FALSE(read.commands.empty());
  return read;
}

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

TEST(Cups, ThePpdPassesCupstestppdAndFollowsTheTable) {
  ymcko::testing::ScratchFolder folder;
  // The installed PPD names the filter in CUPS's folder, which need not exist here.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{YMCKO_BUILD_PPD},
        std::vector<std::string>{"-I", "filters", YMCKO_PPD}}) {
    ProcessResult checked =
        ymcko::testing::run_program("/usr/bin/cupstestppd", args, folder.path());
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find(": PASS"), std::string::npos) << checked.out;
  }
  const std::string ppd = ymcko::testing::read_text(YMCKO_PPD);
  for (const ymcko::print::Setting& row : ymcko::print::settings_table()) {
    if (row.ppd_keyword.empty()) continue;
    SCOPED_TRACE(std::string(row.ppd_keyword));
    const ymcko::print::SettingValue fallback = ymcko::print::default_value(row);
    std::string expected = "*Default" + std::string(row.ppd_keyword) + ": ";
    if (const auto* flag = std::get_if<bool>(&fallback)) expected += *flag ? "True" : "False";
    if (const auto* number = std::get_if<std::int64_t>(&fallback))
      expected += std::to_string(*number);
    if (const auto* choice = std::get_if<std::string>(&fallback)) expected += *choice;
    EXPECT_NE(ppd.find(expected + "\n"), std::string::npos);
  }
  EXPECT_NE(ppd.find("*cupsFilter2: \"application/vnd.cups-raster application/vnd.ymcko-job 0 "
                     "rastertoymcko\""),
            std::string::npos);
  // Whole points of paper, the card's 1024 x 656 dots centred on it.
  EXPECT_NE(ppd.find("*PageSize CR80/CR-80 card, landscape: \"<</PageSize[246 158]"),
            std::string::npos);
  EXPECT_NE(ppd.find("*cupsManualCopies: False"), std::string::npos);
}

TEST(Cups, CupsfilterRunsDocumentsThroughThePpd) {
  ymcko::testing::ScratchFolder folder;
  ymcko::testing::write_bytes(folder / "cards.pdf",
                              ymcko::testing::pdf_with_pages({"1 0 0", "0 0 1"}));
  std::vector<std::uint8_t> rgb(300 * 200 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i % 3 == 0 ? 255 : i / 600);
  ymcko::cards::write_png(folder / "card.png", 300, 200, 3, rgb);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::size_t card_turns;
    const char* copies;
    std::optional<long> level;  // the intensity's coarse level in the D command
    const char* track2;         // none: no stripe
  };
  const Case cases[] = {
      {"a PDF in side mode 1 with a stripe",
       {"-o", "SideMode=1", "-o", "ColorIntensity=100", "-o", "MagEncoder=True", "-o", "mag-mode=W",
        "-o", "track2=1234", "cards.pdf"},
       1,
       "0001",
       7,
       "1234"},
      {"a PNG, three copies, no intensity",
       {"-n", "3", "-o", "ColorIntensity=0", "card.png"},
       0,
       "0003",
       3,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"-p", YMCKO_BUILD_PPD, "-e", "-m", "printer/ymcko"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessResult result = ymcko::testing::run_program("/usr/sbin/cupsfilter", args, folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::uint8_t> job = bytes_of(result.out);
    const js::ReadResult read = read_job(job);
    EXPECT_EQ(all<js::CardTurn>(read).size(), c.card_turns);
    for (const js::Panel* panel : all<js::Panel>(read)) EXPECT_EQ(panel->count, c.copies);
    for (const js::ParameterCommand* parameters : all<js::ParameterCommand>(read)) {
      if (parameters->letter == 'D' && parameters->fields) {
        EXPECT_EQ((*parameters->fields)[1], c.level);
      }
    }
    const auto stripes = all<js::Stripe>(read);
    ASSERT_EQ(stripes.size(), c.track2 ? 1u : 0u);
    if (c.track2) {
      EXPECT_EQ(stripes[0]->track2, c.track2);
    }
  }
}

// A two-page PDF prints as one card; card-sized pages print as the tool prints them.
TEST(Cups, AQueueOnAPrivateCupsdPrintsPagesAsCards) {
  ymcko::testing::ScratchFolder folder;
  PrivateCupsd cupsd(folder.path());
  ASSERT_TRUE(cupsd.running()) << cupsd.log();
  const std::filesystem::path out = folder / "card.prn";
  ymcko::testing::write_text(out, "");
  std::filesystem::permissions(out, std::filesystem::perms::all);
  ProcessResult added =
      ymcko::testing::run_program("/usr/sbin/lpadmin",
                                  {"-h", cupsd.server(), "-p", "card", "-E", "-v",
                                   "file://" + out.string(), "-P", YMCKO_BUILD_PPD},
                                  folder.path());
  ASSERT_EQ(added.status, 0) << added.err << cupsd.log();

  // Prints with lp's `args`; the job's bytes once the queue has nothing left.
  const auto print = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-h", cupsd.server(), "-d", "card"});
    ProcessResult queued = ymcko::testing::run_program("/usr/bin/lp", args, folder.path());
    EXPECT_EQ(queued.status, 0) << queued.err;
    bool done = false;
    for (int attempt = 0; attempt < 300 && !done; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      ProcessResult left = ymcko::testing::run_program(
          "/usr/bin/lpstat", {"-h", cupsd.server(), "-o", "card"}, folder.path());
      done = left.status == 0 && left.out.empty();
    }
    EXPECT_TRUE(done) << cupsd.log();
    return bytes_of(ymcko::testing::read_text(out));
  };

  ymcko::testing::write_bytes(folder / "cards.pdf",
                              ymcko::testing::pdf_with_pages({"1 0 0", "0 0 1"}));
  const js::ReadResult read = read_job(print({"-o", "SideMode=1", "cards.pdf"}));
  EXPECT_EQ(all<js::CardStart>(read).size(), 1u) << cupsd.log();
  EXPECT_EQ(all<js::CardTurn>(read).size(), 1u) << "front and back of one card";
  EXPECT_EQ(all<js::CardEnd>(read).size(), 1u);

  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 7 % 251);
  ymcko::cards::write_png(folder / "photo.png", 1024, 656, 3, rgb);
  // The card's page in points, filled.
  ymcko::testing::write_bytes(
      folder / "card.pdf",
      ymcko::testing::pdf_of({{245.76, 157.44, "1 0 0 rg 0 0 245.76 157.44 re f"}}));
  for (const char* file : {"photo.png", "card.pdf"}) {
    SCOPED_TRACE(file);
    ProcessResult tool = ymcko::testing::run_program(
        YMCKO_TOOL_PATH, {"print", file, "-o", "tool.prn"}, folder.path());
    ASSERT_EQ(tool.status, 0) << tool.err;
    EXPECT_TRUE(ymcko::testing::BytesEqual(bytes_of(ymcko::testing::read_text(folder / "tool.prn")),
                                           print({file})));
  }
}

}  // namespace
