// The catalogue of bad inputs, tests/inputs/README.md: every file of
// tests/inputs/malformed/ run through the front end its name says, with
// the exit status and message its row says, and no output left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

#include "cards/images/png_write.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::ProcessResult;
using ymcko::testing::run_program;

const std::filesystem::path kInputs = std::filesystem::path(YMCKO_TEST_DATA_DIR) / "inputs";

struct Entry {
  std::string file;
  int status = 0;
  std::string message;  // in the error output
};

// The table's rows: | `file` | fault | exit N, `message` |
std::vector<Entry> catalogue() {
  std::vector<Entry> entries;
  std::istringstream text(ymcko::testing::read_text(kInputs / "README.md"));
  const std::regex row(R"(^\| `([^`]+)` \|[^|]*\| exit (\d+)(?:, `(.*)`)? \|$)");
  std::string line;
  while (std::getline(text, line)) {
    std::smatch match;
    if (std::regex_match(line, match, row))
      entries.push_back({match[1], std::stoi(match[2]), match[3]});
  }
  return entries;
}

// Files other tests replay.
bool replayed_elsewhere(const std::string& name) {
  return name == "README.md" || name.starts_with("ppd_image_");
}

TEST(MalformedCatalogue, EveryBadInputIsRefusedAsItsRowSays) {
  const std::vector<Entry> entries = catalogue();
  EXPECT_GE(entries.size(), 60u);
  std::set<std::string> listed;
  for (const Entry& entry : entries) listed.insert(entry.file);
  for (const auto& file : std::filesystem::directory_iterator(kInputs / "malformed")) {
    const std::string name = file.path().filename();
    EXPECT_TRUE(replayed_elsewhere(name) || listed.count(name)) << name << " has no row";
  }

  // Designs are rendered: a sanitizer build passes over what the rendering
  // libraries do inside themselves.
  ymcko::testing::pass_over_rendering_libraries();
  ymcko::testing::ScratchFolder folder;
  // Manifests name these beside them.
  std::vector<std::uint8_t> white(1024 * 656 * 3, 0xFF);
  ymcko::cards::write_png(folder / "card.png", 1024, 656, 3, white);
  ymcko::cards::write_png(folder / "b.png", 1024, 656, 3, white);
  ymcko::testing::write_text(folder / "cards.csv", "front\ncard.png\ncard.png\ncard.png\n");
  // Template runs: a design with a photo and a name, its data, and a photo
  // whose header claims more pixels than any image may have.
  ymcko::testing::write_text(folder / "design.svg",
                             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1024\" "
                             "height=\"656\"><image width=\"200\" height=\"200\" "
                             "href=\"{{photo}}\"/><text x=\"300\" y=\"300\">{{name}}</text></svg>");
  ymcko::testing::write_text(folder / "people.csv", "name,photo\nAmara,card.png\n");
  ymcko::testing::write_text(folder / "tracks.csv", "name,photo,track1\nAmara,card.png,OKAFOR\n");
  std::filesystem::copy_file(kInputs / "malformed" / "image_huge_dimensions.png",
                             folder / "huge.png");
  const std::filesystem::path out = folder / "out.prn";
  for (const Entry& entry : entries) {
    SCOPED_TRACE(entry.file);
    const std::string input = (kInputs / "malformed" / entry.file).string();
    const std::string kind = entry.file.substr(0, entry.file.find('_'));
    std::string program = YMCKO_TOOL_PATH;
    std::vector<std::string> args;
    if (kind == "image" || kind == "pdf") {
      // A tight limit only where the row expects it: a loaded machine may
      // take more than a second over a page that is merely large.
      const bool slow = entry.message.find("rendering takes longer") != std::string::npos;
      args = {"print", input, "-o", out};
      if (slow) args.insert(args.begin() + 2, {"--pdf-timeout", "1"});
    } else if (kind == "settings" || kind == "devmode" || kind == "printer") {
      args = {"print", "--demo", "--" + kind, input, "-o", out};
    } else if (kind == "manifest") {
      std::filesystem::copy_file(input, folder / entry.file,
                                 std::filesystem::copy_options::overwrite_existing);
      args = {"print", "--batch", (folder / entry.file).string(), "-o", out};
    } else if (kind == "data" || kind == "design") {
      std::filesystem::copy_file(input, folder / entry.file,
                                 std::filesystem::copy_options::overwrite_existing);
      const std::string design = kind == "design" ? entry.file : "design.svg";
      const std::string data = kind == "data" ? entry.file : "people.csv";
      args = {"--data", data, "--mag-encoder", "--mag-mode", "W"};
      if (entry.message.find("rendering takes longer") != std::string::npos)
        args.insert(args.end(), {"--pdf-timeout", "1"});
      std::smatch bound;
      if (std::regex_search(entry.message, bound, std::regex(R"(the (\d+) MiB a side may use)")))
        args.insert(args.end(), {"--render-memory", bound[1]});
      // What print refuses, the check reports first.
      if (entry.status != 0) {
        std::vector<std::string> check = {"template", "check", design};
        check.insert(check.end(), args.begin(), args.end());
        const ProcessResult checked = run_program(program, check, folder.path());
        EXPECT_NE(checked.status, 0) << "template check passes it";
        EXPECT_NE(checked.err.find(entry.message), std::string::npos) << checked.err;
      }
      args.insert(args.begin(), {"print", "--template", design});
      args.insert(args.end(), {"-o", out});
    } else if (kind == "args") {
      std::istringstream lines(ymcko::testing::read_text(input));
      args = {"print"};
      for (std::string line; std::getline(lines, line);) args.push_back(line);
      args.insert(args.end(), {"-o", out});
    } else if (kind == "job") {
      args = {"inspect", input};
    } else if (kind == "raster") {
      program = YMCKO_FILTER_PATH;
      args = {"1", "user", "title", "1", "", input};
    } else {
      ADD_FAILURE() << "no front end runs " << kind << " inputs";
      continue;
    }
    std::filesystem::remove(out);
    const ProcessResult result = run_program(program, args, folder.path());
    EXPECT_EQ(result.status, entry.status) << result.err;
    EXPECT_NE(result.err.find(entry.message), std::string::npos) << result.err;
    if (entry.status != 0) {
      EXPECT_FALSE(std::filesystem::exists(out)) << "a refused input leaves no job";
      // One error line; the filter's log has its progress lines besides.
      std::istringstream lines(result.err);
      std::size_t errors = 0;
      for (std::string line; std::getline(lines, line);)
        errors += kind != "raster" || line.starts_with("ERROR:");
      EXPECT_EQ(errors, 1u) << result.err;
    }
  }
}

}  // namespace
