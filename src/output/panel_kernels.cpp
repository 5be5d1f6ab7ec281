// The fast sweep's inner loops, plain and with AVX2.
#include "output/panel_kernels.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ymcko {
namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

// The curve and undercolour weights and base gains of cyan, magenta, yellow.
constexpr std::int64_t kCurve[3] = {32, 28, 12};
constexpr std::int64_t kUnder[3] = {8, 14, 18};
constexpr std::int64_t kBaseGain[3] = {96, 100, 116};

// Gains within this bound keep 255 x gain + the curve terms inside 32 bits.
constexpr std::int64_t kVectorGainLimit = std::int64_t{1} << 22;

bool has_avx2() {
  static const bool available = [] {
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
  }();
  return available;
}

void correct_plain(const std::uint32_t* in, std::uint32_t* out, std::size_t n,
                   const ColorAdjust& adjust) {
  for (std::size_t i = 0; i < n; ++i) out[i] = correct_pixel(in[i] & kRgbMask, adjust) & kRgbMask;
}

void correct_row_plain(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                       const RowScratch& scratch, const CorrectionTables& tables) {
  std::size_t pending = 0;
  std::uint32_t previous = 0;  // black: passes unchanged
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t rgb = in[i] & kRgbMask;
    out[i] = rgb;
    if (rgb != previous && rgb != kRgbMask && rgb != 0) {
      scratch.pending[pending] = rgb;
      scratch.places[pending++] = std::uint32_t(i);
    }
    previous = rgb;
  }
  correct_colours(scratch.pending, scratch.fixed, pending, tables);
  for (std::size_t m = 0; m < pending; ++m) out[scratch.places[m]] = scratch.fixed[m];
  // A repeat takes the corrected colour of the pixel before it.
  for (std::size_t i = 1; i < n; ++i) {
    const std::uint32_t rgb = in[i] & kRgbMask;
    if (rgb != kRgbMask && rgb != 0 && rgb == (in[i - 1] & kRgbMask)) out[i] = out[i - 1];
  }
}

void panel_bytes_plain(const std::uint32_t* rgb, std::size_t n, const RowRule& rule, BYTE* yellow,
                       BYTE* magenta, BYTE* cyan, BYTE* black) {
  const ToneTable& tone = *rule.tone;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t p = rgb[i] & kRgbMask;
    const bool is_black = p == 0;
    if (yellow != nullptr) {
      const std::uint32_t seen = rule.extract && is_black ? kRgbMask : p;
      yellow[i] = tone[255 - BYTE(seen >> 16)];
      magenta[i] = tone[255 - BYTE(seen >> 8)];
      cyan[i] = tone[255 - BYTE(seen)];
    }
    if (black != nullptr) black[i] = is_black ? 255 : 0;
  }
}

#if defined(__x86_64__)

#define YMCKO_AVX2 __attribute__((target("avx2")))

// The lower (half 0) or upper four lanes of eight as doubles.
YMCKO_AVX2 inline __m256d lanes_as_doubles(__m256i v, int half) {
  return _mm256_cvtepi32_pd(half == 0 ? _mm256_castsi256_si128(v) : _mm256_extracti128_si256(v, 1));
}

// A channel's value as the correction stores it: the integer part of the
// value plus one half, limited to 0..255.
YMCKO_AVX2 inline __m128i limit_channels(__m256d value) {
  const __m128i whole = _mm256_cvttpd_epi32(_mm256_add_pd(value, _mm256_set1_pd(0.5)));
  return _mm_min_epi32(_mm_max_epi32(whole, _mm_setzero_si128()), _mm_set1_epi32(255));
}

// Eight colours corrected at once: the integer amounts in 32-bit lanes, the
// chroma step in two halves of four doubles, each operation as the
// pixel-by-pixel correction does it (no fused multiply-add, the same order,
// single precision where it rounds to single precision).
YMCKO_AVX2 __m256i correct8(__m256i pixels, const CorrectionTables& t) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const __m256i full = _mm256_set1_epi32(255);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i rgb = _mm256_and_si256(pixels, _mm256_set1_epi32(int(kRgbMask)));
  const __m256i amount[3] = {
      _mm256_sub_epi32(full, _mm256_and_si256(rgb, byte)),
      _mm256_sub_epi32(full, _mm256_and_si256(_mm256_srli_epi32(rgb, 8), byte)),
      _mm256_sub_epi32(full, _mm256_srli_epi32(rgb, 16))};
  const __m256i common = _mm256_min_epi32(amount[0], _mm256_min_epi32(amount[1], amount[2]));
  __m256i channel[3];
  for (int c = 0; c < 3; ++c) {
    const __m256i sum = _mm256_sub_epi32(
        _mm256_i32gather_epi32(t.gained[c].data(), amount[c], 4),
        _mm256_i32gather_epi32(t.under[c].data(), _mm256_sub_epi32(amount[c], common), 4));
    const __m256i corrected =
        _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(sum, 7), zero), full);
    channel[c] = _mm256_sub_epi32(full, corrected);
  }

  const __m256d s = _mm256_set1_pd(t.saturation);
  __m128i result[2];
  for (int half = 0; half < 2; ++half) {
    const __m256d r = lanes_as_doubles(channel[0], half), g = lanes_as_doubles(channel[1], half),
                  b = lanes_as_doubles(channel[2], half);
    __m128 luma =
        _mm256_cvtpd_ps(_mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(0.299), r),
                                                    _mm256_mul_pd(_mm256_set1_pd(0.587), g)),
                                      _mm256_mul_pd(_mm256_set1_pd(0.114), b)));
    __m128 cb = _mm256_cvtpd_ps(
        _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(0.5), b),
                                    _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(0.331), g),
                                                  _mm256_mul_pd(_mm256_set1_pd(0.169), r))),
                      s));
    __m256d cr = _mm256_mul_pd(_mm256_sub_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(0.5), r),
                                                           _mm256_mul_pd(_mm256_set1_pd(0.418), g)),
                                             _mm256_mul_pd(_mm256_set1_pd(0.082), b)),
                               s);
    luma = _mm_min_ps(_mm_max_ps(luma, _mm_set1_ps(0.0f)), _mm_set1_ps(255.0f));
    cb = _mm_min_ps(_mm_max_ps(cb, _mm_set1_ps(-127.0f)), _mm_set1_ps(127.0f));
    cr = _mm256_min_pd(_mm256_max_pd(cr, _mm256_set1_pd(-127.0)), _mm256_set1_pd(127.0));
    const __m256d y = _mm256_cvtps_pd(luma), cbd = _mm256_cvtps_pd(cb);
    const __m128i red = limit_channels(_mm256_add_pd(y, _mm256_mul_pd(_mm256_set1_pd(1.402), cr)));
    const __m128i green =
        limit_channels(_mm256_sub_pd(_mm256_sub_pd(y, _mm256_mul_pd(_mm256_set1_pd(0.346), cbd)),
                                     _mm256_mul_pd(_mm256_set1_pd(0.7145), cr)));
    const __m128i blue =
        limit_channels(_mm256_add_pd(y, _mm256_mul_pd(_mm256_set1_pd(1.771), cbd)));
    result[half] =
        _mm_or_si128(red, _mm_or_si128(_mm_slli_epi32(green, 8), _mm_slli_epi32(blue, 16)));
  }
  const __m256i corrected = _mm256_set_m128i(result[1], result[0]);
  // White and black pass unchanged.
  const __m256i keep = _mm256_or_si256(_mm256_cmpeq_epi32(rgb, zero),
                                       _mm256_cmpeq_epi32(rgb, _mm256_set1_epi32(int(kRgbMask))));
  return _mm256_blendv_epi8(corrected, rgb, keep);
}

YMCKO_AVX2 void correct_avx2(const std::uint32_t* in, std::uint32_t* out, std::size_t n,
                             const CorrectionTables& t) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), correct8(pixels, t));
  }
  if (i < n) {
    alignas(32) std::uint32_t tail[8] = {};
    std::memcpy(tail, in + i, (n - i) * sizeof(std::uint32_t));
    const __m256i done = correct8(_mm256_load_si256(reinterpret_cast<const __m256i*>(tail)), t);
    _mm256_store_si256(reinterpret_cast<__m256i*>(tail), done);
    std::memcpy(out + i, tail, (n - i) * sizeof(std::uint32_t));
  }
}

YMCKO_AVX2 void correct_row_avx2(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                                 const RowScratch& scratch, const CorrectionTables& t) {
  const __m256i mask = _mm256_set1_epi32(int(kRgbMask));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t pending = 0;
  std::size_t first_repeat = n;
  std::size_t i = 0;
  // Colours copied; the ones to correct listed with their places.
  for (; i + 8 <= n; i += 8) {
    const __m256i rgb =
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)), mask);
    const __m256i before =
        i == 0 ? _mm256_permutevar8x32_epi32(rgb, _mm256_set_epi32(6, 5, 4, 3, 2, 1, 0, 0))
               : _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i - 1)),
                                  mask);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), rgb);
    const __m256i plain =
        _mm256_or_si256(_mm256_cmpeq_epi32(rgb, mask), _mm256_cmpeq_epi32(rgb, zero));
    __m256i repeat = _mm256_andnot_si256(plain, _mm256_cmpeq_epi32(rgb, before));
    if (i == 0) repeat = _mm256_and_si256(repeat, _mm256_set_epi32(-1, -1, -1, -1, -1, -1, -1, 0));
    const unsigned repeats = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(repeat)));
    unsigned need =
        ~unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_or_si256(plain, repeat)))) & 0xFF;
    if (repeats != 0 && first_repeat == n) first_repeat = i + unsigned(__builtin_ctz(repeats));
    while (need != 0) {
      const unsigned lane = unsigned(__builtin_ctz(need));
      scratch.pending[pending] = in[i + lane] & kRgbMask;
      scratch.places[pending++] = std::uint32_t(i + lane);
      need &= need - 1;
    }
  }
  // The last few pixels one by one.
  for (; i < n; ++i) {
    const std::uint32_t rgb = in[i] & kRgbMask;
    out[i] = rgb;
    if (rgb == kRgbMask || rgb == 0) continue;
    if (i > 0 && rgb == (in[i - 1] & kRgbMask)) {
      first_repeat = std::min(first_repeat, i);
      continue;
    }
    scratch.pending[pending] = rgb;
    scratch.places[pending++] = std::uint32_t(i);
  }
  correct_avx2(scratch.pending, scratch.fixed, pending, t);
  for (std::size_t m = 0; m < pending; ++m) out[scratch.places[m]] = scratch.fixed[m];
  for (std::size_t k = std::max<std::size_t>(first_repeat, 1); k < n; ++k) {
    const std::uint32_t rgb = in[k] & kRgbMask;
    if (rgb != kRgbMask && rgb != 0 && rgb == (in[k - 1] & kRgbMask)) out[k] = out[k - 1];
  }
}

// Eight 32-bit lanes narrowed to eight bytes, in order.
YMCKO_AVX2 inline std::uint64_t narrow8(__m256i lanes) {
  const __m256i words = _mm256_packus_epi32(lanes, lanes);  // per 128-bit half: 4 words twice
  const __m256i bytes = _mm256_packus_epi16(words, words);  // per half: 4 bytes four times
  const __m256i ordered =
      _mm256_permutevar8x32_epi32(bytes, _mm256_set_epi32(0, 0, 0, 0, 0, 0, 4, 0));
  return std::uint64_t(_mm_cvtsi128_si64(_mm256_castsi256_si128(ordered)));
}

// tone[255 - v] for eight channel values, by the table's own formula.
YMCKO_AVX2 inline __m256i tone_of(__m256i value, __m256i g2) {
  const __m256i k = _mm256_sub_epi32(_mm256_set1_epi32(255), value);
  const __m256i x = _mm256_mullo_epi32(k, g2);
  const __m256i quotient = _mm256_srli_epi32(_mm256_mullo_epi32(x, _mm256_set1_epi32(67109)), 26);
  return _mm256_sub_epi32(k, quotient);
}

YMCKO_AVX2 void panel_bytes_avx2(const std::uint32_t* rgb, std::size_t n, const RowRule& rule,
                                 BYTE* yellow, BYTE* magenta, BYTE* cyan, BYTE* black) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const __m256i g2 = _mm256_set1_epi32(rule.g2);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mask = _mm256_set1_epi32(int(kRgbMask));
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i p =
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rgb + i)), mask);
    const __m256i is_black = _mm256_cmpeq_epi32(p, zero);
    if (yellow != nullptr) {
      if (rule.extract) p = _mm256_or_si256(p, is_black);
      const std::uint64_t y =
          narrow8(tone_of(_mm256_and_si256(_mm256_srli_epi32(p, 16), byte), g2));
      const std::uint64_t m = narrow8(tone_of(_mm256_and_si256(_mm256_srli_epi32(p, 8), byte), g2));
      const std::uint64_t c = narrow8(tone_of(_mm256_and_si256(p, byte), g2));
      std::memcpy(yellow + i, &y, 8);
      std::memcpy(magenta + i, &m, 8);
      std::memcpy(cyan + i, &c, 8);
    }
    if (black != nullptr) {
      const std::uint64_t k = narrow8(_mm256_and_si256(is_black, byte));
      std::memcpy(black + i, &k, 8);
    }
  }
  panel_bytes_plain(rgb + i, n - i, rule, yellow ? yellow + i : nullptr,
                    magenta ? magenta + i : nullptr, cyan ? cyan + i : nullptr,
                    black ? black + i : nullptr);
}

#endif

}  // namespace

CorrectionTables make_correction_tables(const ColorAdjust& adjust) {
  CorrectionTables t{};
  t.adjust = adjust;
  const std::int64_t gains[3] = {kBaseGain[0] + adjust.cyan, kBaseGain[1] + adjust.magenta,
                                 kBaseGain[2] + adjust.yellow};
  t.vector = true;
  for (int c = 0; c < 3; ++c) {
    if (gains[c] > kVectorGainLimit || gains[c] < -kVectorGainLimit) t.vector = false;
    for (std::int64_t v = 0; v < 256; ++v) {
      t.gained[c][v] = std::int32_t(kCurve[c] * curtbl[v] +
                                    v * std::clamp(gains[c], -kVectorGainLimit, kVectorGainLimit));
      t.under[c][v] = std::int32_t(kUnder[c] * curtbl[v]);
    }
  }
  t.saturation = (adjust.saturation + 50.0) * 0.02;
  return t;
}

void correct_colours(const std::uint32_t* in, std::uint32_t* out, std::size_t n,
                     const CorrectionTables& tables) {
#if defined(__x86_64__)
  if (tables.vector && has_avx2()) return correct_avx2(in, out, n, tables);
#endif
  correct_plain(in, out, n, tables.adjust);
}

void correct_row(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                 const RowScratch& scratch, const CorrectionTables& tables) {
#if defined(__x86_64__)
  if (tables.vector && has_avx2()) return correct_row_avx2(in, n, out, scratch, tables);
#endif
  correct_row_plain(in, n, out, scratch, tables);
}

RowRule make_row_rule(const ToneTable& tone, bool extract) {
  RowRule rule{&tone, extract, -1};
  // The table is k - floor(2g k / 1000) for intensities 0 to 100; find g
  // from its last entry and take the formula when it gives every entry.
  for (int g2 = 0; g2 <= 192; g2 += 2) {
    bool same = true;
    for (int k = 0; k < 256 && same; ++k) {
      const std::uint32_t x = std::uint32_t(k * g2);
      same = tone[k] == BYTE(k - int((std::uint64_t{x} * 67109) >> 26));
    }
    if (same) {
      rule.g2 = g2;
      break;
    }
  }
  return rule;
}

void panel_bytes(const std::uint32_t* rgb, std::size_t n, const RowRule& rule, BYTE* yellow,
                 BYTE* magenta, BYTE* cyan, BYTE* black) {
#if defined(__x86_64__)
  if (rule.g2 >= 0 && has_avx2())
    return panel_bytes_avx2(rgb, n, rule, yellow, magenta, cyan, black);
#endif
  panel_bytes_plain(rgb, n, rule, yellow, magenta, cyan, black);
}

void turn_block(const BYTE* source, std::size_t source_step, std::size_t rows, BYTE* target,
                std::size_t target_step) {
#if defined(__x86_64__)
  if (rows == 16) {
    // A 16 x 16 byte transpose in four rounds of interleaving.
    __m128i v[16];
    for (int r = 0; r < 16; ++r)
      v[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + r * source_step));
    __m128i w[16];
    for (int r = 0; r < 8; ++r) {
      w[2 * r] = _mm_unpacklo_epi8(v[2 * r], v[2 * r + 1]);
      w[2 * r + 1] = _mm_unpackhi_epi8(v[2 * r], v[2 * r + 1]);
    }
    for (int r = 0; r < 4; ++r) {
      for (int h = 0; h < 2; ++h) {
        v[4 * r + h] = _mm_unpacklo_epi16(w[4 * r + h], w[4 * r + 2 + h]);
        v[4 * r + 2 + h] = _mm_unpackhi_epi16(w[4 * r + h], w[4 * r + 2 + h]);
      }
    }
    for (int r = 0; r < 2; ++r) {
      for (int h = 0; h < 4; ++h) {
        w[8 * r + h] = _mm_unpacklo_epi32(v[8 * r + h], v[8 * r + 4 + h]);
        w[8 * r + 4 + h] = _mm_unpackhi_epi32(v[8 * r + h], v[8 * r + 4 + h]);
      }
    }
    for (int h = 0; h < 8; ++h) {
      v[h] = _mm_unpacklo_epi64(w[h], w[8 + h]);
      v[8 + h] = _mm_unpackhi_epi64(w[h], w[8 + h]);
    }
    // The rounds leave line i in a permuted register; this order undoes it.
    static constexpr int kLineOf[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int h = 0; h < 16; ++h) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target + kLineOf[h] * target_step), v[h]);
    }
    return;
  }
#endif
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t i = 0; i < 16; ++i) target[i * target_step + r] = source[r * source_step + i];
  }
}

}  // namespace ymcko
