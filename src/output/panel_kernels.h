// The fast sweep's inner loops: colour correction of many colours at once
// and the panel bytes of a run of pixels, each with the bytes of the
// pixel-by-pixel definitions. Where the processor has AVX2 they run on it,
// otherwise (and for settings outside the ranges the vector forms cover)
// the plain loops run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "output/panel_separation.h"

namespace ymcko {

// The widest vectors the kernels use: AVX-512 (for colour correction) and
// AVX2 where the processor has them. The tests narrow it to cover each form.
enum class Vectors { plain, avx2, avx512 };
Vectors vectors_in_use();
void limit_vectors(Vectors widest);

// What colour correction needs for a page, made once per page.
struct CorrectionTables {
  ColorAdjust adjust;
  bool vector;  // the gains keep every sum within 32 bits
  // Per channel (cyan, magenta, yellow): curve x curtbl[c] + c x gain, and
  // undercolour x curtbl[d].
  std::array<std::array<std::int32_t, 256>, 3> gained;
  std::array<std::array<std::int32_t, 256>, 3> under;
  double saturation;  // (lSaturation + 50) x 0.02
};

CorrectionTables make_correction_tables(const ColorAdjust& adjust);

// The corrected colours of n pixels (mark bytes are not read) into `out`,
// as correct_pixel gives them (white and black unchanged), skipping work on
// runs of white, black and repeated colours.
void correct_row(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                 const CorrectionTables& tables);

// How a run of pixels becomes panel bytes.
struct RowRule {
  const ToneTable* tone;
  bool extract;  // pure black becomes white for the colour panels
  // The tone table as k - floor(k x g2 / 1000), when it is exactly that;
  // 0 to 192, or -1 when the table is used as it is.
  int g2;
};

RowRule make_row_rule(const ToneTable& tone, bool extract);

// The panel bytes of n pixels (their mark bytes are not read): yellow,
// magenta and cyan (when `yellow` is not null) and black (when `black` is
// not null). Returns which panels got ink: bit 0 yellow to bit 3 black.
unsigned panel_bytes(const std::uint32_t* rgb, std::size_t n, const RowRule& rule, BYTE* yellow,
                     BYTE* magenta, BYTE* cyan, BYTE* black);

// Copies a block of rows x 16 bytes (row r at source + r x source_step)
// turned: byte r of each of the 16 output lines (line i at target +
// i x target_step) comes from row r; rows is at most 32. When `line_ink` is
// not null, line_ink[i] is or-ed with every byte of line i. The 16 lines of
// 64 bytes at `ahead`, when not null, are fetched into the cache meanwhile.
void turn_lines(const BYTE* source, std::size_t source_step, std::size_t rows, BYTE* target,
                std::size_t target_step, BYTE* line_ink, const BYTE* ahead = nullptr);

}  // namespace ymcko
