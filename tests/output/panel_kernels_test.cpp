// The fast sweep's inner loops against the pixel-by-pixel definitions:
// colour correction of many colours under many settings, panel bytes under
// every intensity, and the turning of byte blocks.
#include "output/panel_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using ymcko::ColorAdjust;

TEST(PanelKernels, CorrectionGivesThePixelByPixelColours) {
  // Every fifth level of each channel, both ends included, and random colours.
  std::vector<std::uint32_t> colours;
  for (std::uint32_t r = 0; r <= 255; r += 5) {
    for (std::uint32_t g = 0; g <= 255; g += 5) {
      for (std::uint32_t b = 0; b <= 255; b += 5) colours.push_back(r | g << 8 | b << 16);
    }
  }
  std::mt19937 random(5);
  for (int i = 0; i < 20000; ++i) colours.push_back(random() & 0xFFFFFF);
  colours.push_back(0xFFFFFF);
  colours.push_back(0xFEFEFE);
  colours.push_back(0x010101);
  const ColorAdjust adjusts[] = {
      {0, 0, 0, 0},
      {10, -20, 5, 25},
      {0, 0, 0, -50},
      {-96, -100, -116, 300},
      {200, -150, 90, -100},
      {5000000, 0, 0, 0},  // beyond the vector form's gains: the plain loop
      {-2147483647, 2147483647, 0, 2147483647},
  };
  for (const ColorAdjust& adjust : adjusts) {
    SCOPED_TRACE(std::to_string(adjust.cyan) + " " + std::to_string(adjust.magenta) + " " +
                 std::to_string(adjust.yellow) + " " + std::to_string(adjust.saturation));
    const ymcko::CorrectionTables tables = ymcko::make_correction_tables(adjust);
    std::vector<std::uint32_t> corrected(colours.size());
    ymcko::correct_colours(colours.data(), corrected.data(), colours.size(), tables);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < colours.size(); ++i) {
      const std::uint32_t expected = ymcko::correct_pixel(colours[i], adjust) & 0xFFFFFF;
      if (corrected[i] != expected && wrong++ < 5) {
        ADD_FAILURE() << std::hex << colours[i] << " became " << corrected[i] << ", not "
                      << expected;
      }
    }
    EXPECT_EQ(wrong, 0u);
  }
}

TEST(PanelKernels, PanelBytesFollowTheToneTableAndExtraction) {
  std::mt19937 random(9);
  std::vector<std::uint32_t> row(1021);  // not a multiple of the vector width
  for (std::uint32_t& p : row) p = random() % 4 == 0 ? 0 : random() & 0xFFFFFF;
  for (LONG intensity : {0, 1, 24, 26, 37, 70, 99, 100, -5, 150, 1000}) {
    for (bool extract : {false, true}) {
      SCOPED_TRACE(std::to_string(intensity) + (extract ? " extracting" : ""));
      const ymcko::ToneTable tone = ymcko::make_tone_table(intensity);
      const ymcko::RowRule rule = ymcko::make_row_rule(tone, extract);
      std::vector<BYTE> y(row.size()), m(row.size()), c(row.size()), k(row.size());
      ymcko::panel_bytes(row.data(), row.size(), rule, y.data(), m.data(), c.data(), k.data());
      for (std::size_t i = 0; i < row.size(); ++i) {
        const std::uint32_t seen = extract && row[i] == 0 ? 0xFFFFFF : row[i];
        ASSERT_EQ(y[i], tone[255 - ((seen >> 16) & 0xFF)]) << i;
        ASSERT_EQ(m[i], tone[255 - ((seen >> 8) & 0xFF)]) << i;
        ASSERT_EQ(c[i], tone[255 - (seen & 0xFF)]) << i;
        ASSERT_EQ(k[i], row[i] == 0 ? 255 : 0) << i;
      }
    }
  }
}

TEST(PanelKernels, BlocksTurnRowsIntoLines) {
  std::mt19937 random(3);
  for (std::size_t rows : {16u, 15u, 1u}) {
    SCOPED_TRACE(rows);
    std::vector<BYTE> source(16 * 40), target(16 * 30, 0xEE);
    for (BYTE& b : source) b = BYTE(random());
    ymcko::turn_block(source.data(), 40, rows, target.data(), 30);
    for (std::size_t i = 0; i < 16; ++i) {
      for (std::size_t r = 0; r < rows; ++r)
        ASSERT_EQ(target[i * 30 + r], source[r * 40 + i]) << i << " " << r;
      for (std::size_t r = rows; r < 30; ++r)
        ASSERT_EQ(target[i * 30 + r], 0xEE) << "beyond the block";
    }
  }
}

}  // namespace
