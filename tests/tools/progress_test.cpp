// The progress bar of batch and template runs.
#include "ymcko/progress.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cards/images/png_write.h"
#include "support/scratch.h"
#include "ymcko/cli.h"

namespace {

using namespace ymcko::tool;

TEST(Progress, ProgressBarOnlyWhenEnabled) {
  std::ostringstream shown, hidden;
  Progress bar(shown, true, 4, "cards");
  Progress quiet(hidden, false, 4, "cards");
  for (std::size_t done : {0, 1, 1, 4}) {
    bar.update(done);
    quiet.update(done);
  }
  bar.finish();
  EXPECT_EQ(shown.str(),
            "\r[..............................] 0/4 cards"
            "\r[#######.......................] 1/4 cards"
            "\r[##############################] 4/4 cards\n");
  EXPECT_EQ(hidden.str(), "");
}

// On a terminal the progress bar is redrawn in place; an error that ends the
// batch starts a line of its own after it.
TEST(Progress, AnErrorAfterTheProgressBarStartsItsOwnLine) {
  ymcko::testing::ScratchFolder folder;
  ymcko::cards::write_png(folder / "card.png", 4, 4, 1, std::vector<std::uint8_t>(16, 9));
  ymcko::testing::write_text(folder / "broken.png", "not an image");
  ymcko::testing::write_text(folder / "cards.csv", "front\ncard.png\ncard.png\nbroken.png\n");
  const std::string manifest = (folder / "cards.csv").string();
  const std::string output = (folder / "x.prn").string();
  const char* argv[] = {"ymcko", "print", "--batch", manifest.c_str(), "-o", output.c_str()};
  std::ostringstream out, err;
  EXPECT_EQ(run_tool(6, argv, out, err, true), 1);
  const std::string text = err.str();
  const std::size_t error = text.find("ymcko: error: " + manifest + ":4: card 3 front ");
  ASSERT_NE(error, std::string::npos) << text;
  ASSERT_GT(error, 0u) << "the bar was drawn first";
  EXPECT_EQ(text[error - 1], '\n') << text;
}

}  // namespace
