// The fast sweep's inner loops against the pixel-by-pixel definitions:
// colour correction of many colours under many settings, panel bytes under
// every intensity, and the turning of byte blocks.
#include "output/panel_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using ymcko::ColorAdjust;
using ymcko::Vectors;

// Runs `check` once with each vector width this processor has.
template <class Check>
void with_each_vector_width(Check check) {
  for (Vectors widest : {Vectors::plain, Vectors::avx2, Vectors::avx512}) {
    ymcko::limit_vectors(widest);
    if (ymcko::vectors_in_use() != widest) continue;
    SCOPED_TRACE("vectors " + std::to_string(int(widest)));
    check();
  }
  ymcko::limit_vectors(Vectors::avx512);
}

TEST(PanelKernels, CorrectionGivesThePixelByPixelColours) {
  // Every fifth level of each channel, both ends included, and random
  // colours; and as a row, runs of them among white and black.
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
  std::vector<std::uint32_t> row;
  for (std::size_t i = 0; i < colours.size() && row.size() < 50001; ++i) {
    const std::uint32_t kinds[] = {colours[i], colours[i], 0xFFFFFF, 0, 0xAB000000 | colours[i]};
    for (std::uint32_t run = random() % 20; run > 0; --run) row.push_back(kinds[random() % 5]);
  }
  const ColorAdjust adjusts[] = {
      {0, 0, 0, 0},
      {10, -20, 5, 25},
      {0, 0, 0, -50},
      {-96, -100, -116, 300},
      {200, -150, 90, -100},
      {5000000, 0, 0, 0},  // beyond the vector form's gains: the plain loop
      {-2147483647, 2147483647, 0, 2147483647},
  };
  with_each_vector_width([&] {
    for (const ColorAdjust& adjust : adjusts) {
      SCOPED_TRACE(std::to_string(adjust.cyan) + " " + std::to_string(adjust.magenta) + " " +
                   std::to_string(adjust.yellow) + " " + std::to_string(adjust.saturation));
      const ymcko::CorrectionTables tables = ymcko::make_correction_tables(adjust);
      for (bool as_row : {false, true}) {
        const std::vector<std::uint32_t>& in = as_row ? row : colours;
        std::vector<std::uint32_t> corrected(in.size());
        ymcko::correct_row(in.data(), in.size(), corrected.data(), tables);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < in.size(); ++i) {
          const std::uint32_t expected = ymcko::correct_pixel(in[i] & 0xFFFFFF, adjust) & 0xFFFFFF;
          if (corrected[i] != expected && wrong++ < 5) {
            ADD_FAILURE() << (as_row ? "row " : "") << i << ": " << std::hex << in[i] << " became "
                          << corrected[i] << ", not " << expected;
          }
        }
        EXPECT_EQ(wrong, 0u);
      }
    }
  });
}

TEST(PanelKernels, PanelBytesFollowTheToneTableAndExtraction) {
  // Rows not a multiple of the vector width: random colours with much
  // black, and white with one black pixel (inked only in black when extracting).
  std::mt19937 random(9);
  std::vector<std::uint32_t> mixed(1021), white(1021, 0xFFFFFF);
  for (std::uint32_t& p : mixed) p = random() % 4 == 0 ? 0 : random() & 0xFFFFFF;
  white[700] = 0x7F000000;  // black with a mark byte
  with_each_vector_width([&] {
    for (const auto* row : {&mixed, &white}) {
      for (LONG intensity : {0, 1, 24, 26, 37, 70, 99, 100, -5, 150, 1000}) {
        for (bool extract : {false, true}) {
          SCOPED_TRACE(std::to_string(intensity) + (extract ? " extracting" : ""));
          const ymcko::ToneTable tone = ymcko::make_tone_table(intensity);
          const ymcko::RowRule rule = ymcko::make_row_rule(tone, extract);
          const std::size_t n = row->size();
          std::vector<BYTE> y(n), m(n), c(n), k(n);
          const unsigned inked =
              ymcko::panel_bytes(row->data(), n, rule, y.data(), m.data(), c.data(), k.data());
          BYTE seen[4] = {};
          for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t rgb = (*row)[i] & 0xFFFFFF;
            const std::uint32_t colour = extract && rgb == 0 ? 0xFFFFFF : rgb;
            ASSERT_EQ(y[i], tone[255 - (colour >> 16)]) << i;
            ASSERT_EQ(m[i], tone[255 - ((colour >> 8) & 0xFF)]) << i;
            ASSERT_EQ(c[i], tone[255 - (colour & 0xFF)]) << i;
            ASSERT_EQ(k[i], rgb == 0 ? 255 : 0) << i;
            seen[0] |= y[i], seen[1] |= m[i], seen[2] |= c[i], seen[3] |= k[i];
          }
          for (int p = 0; p < 4; ++p) EXPECT_EQ((inked >> p & 1) != 0, seen[p] != 0) << p;
        }
      }
    }
  });
}

TEST(PanelKernels, BlocksTurnRowsIntoLinesAndNoteTheirInk) {
  std::mt19937 random(3);
  with_each_vector_width([&] {
    for (std::size_t rows : {32u, 31u, 17u, 16u, 15u, 1u}) {
      SCOPED_TRACE(rows);
      std::vector<BYTE> source(32 * 40), target(16 * 40, 0xEE);
      for (BYTE& b : source) b = random() % 3 == 0 ? BYTE(1u << random() % 8) : 0;
      std::vector<BYTE> ink(16, 0x80);
      ymcko::turn_lines(source.data(), 40, rows, target.data(), 40, ink.data());
      for (std::size_t i = 0; i < 16; ++i) {
        BYTE seen = 0x80;
        for (std::size_t r = 0; r < rows; ++r) {
          ASSERT_EQ(target[i * 40 + r], source[r * 40 + i]) << i << " " << r;
          seen |= source[r * 40 + i];
        }
        for (std::size_t r = rows; r < 40; ++r)
          ASSERT_EQ(target[i * 40 + r], 0xEE) << "beyond the block";
        EXPECT_EQ(ink[i], seen) << i;
      }
    }
  });
}

}  // namespace
