// The fast sweep's inner loops, plain and with AVX2.
#include "output/panel_kernels.h"

#include <algorithm>
#include <atomic>
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

// floor(x / 1000) is (x x kToneFactor) >> 25 for the tone table's products
// (make_row_rule checks it for the table at hand).
constexpr std::uint32_t kToneFactor = 33555;

// A 16 x 16 byte transpose in four rounds of interleaving leaves line
// kLineOf[h] in register h.
constexpr int kLineOf[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};

std::atomic<Vectors> g_widest{Vectors::avx512};

// The widest vectors of this processor.
Vectors available() {
  static const Vectors widest = [] {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx512f")) return Vectors::avx512;
    if (__builtin_cpu_supports("avx2")) return Vectors::avx2;
#endif
    return Vectors::plain;
  }();
  return widest;
}

bool has_avx2() { return vectors_in_use() >= Vectors::avx2; }
bool has_avx512() { return vectors_in_use() >= Vectors::avx512; }

void correct_row_plain(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                       const ColorAdjust& adjust) {
  std::uint32_t previous = 0;  // black: passes unchanged
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t rgb = in[i] & kRgbMask;
    if (rgb == kRgbMask || rgb == 0)
      out[i] = rgb;
    else if (rgb == previous)
      out[i] = out[i - 1];
    else
      out[i] = correct_pixel(rgb, adjust) & kRgbMask;
    previous = rgb;
  }
}

unsigned panel_bytes_plain(const std::uint32_t* rgb, std::size_t n, const RowRule& rule,
                           BYTE* yellow, BYTE* magenta, BYTE* cyan, BYTE* black) {
  const ToneTable& tone = *rule.tone;
  BYTE seen[4] = {};
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t p = rgb[i] & kRgbMask;
    const bool is_black = p == 0;
    if (yellow != nullptr) {
      const std::uint32_t colour = rule.extract && is_black ? kRgbMask : p;
      yellow[i] = tone[255 - BYTE(colour >> 16)];
      magenta[i] = tone[255 - BYTE(colour >> 8)];
      cyan[i] = tone[255 - BYTE(colour)];
      seen[0] |= yellow[i];
      seen[1] |= magenta[i];
      seen[2] |= cyan[i];
    }
    if (black != nullptr) {
      black[i] = is_black ? 255 : 0;
      seen[3] |= black[i];
    }
  }
  unsigned inked = 0;
  for (int q = 0; q < 4; ++q) {
    if (seen[q] != 0) inked |= 1u << q;
  }
  return inked;
}

void turn_plain(const BYTE* source, std::size_t source_step, std::size_t rows, BYTE* target,
                std::size_t target_step, BYTE* line_ink) {
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t i = 0; i < 16; ++i) {
      const BYTE b = source[r * source_step + i];
      target[i * target_step + r] = b;
      if (line_ink != nullptr) line_ink[i] |= b;
    }
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

#define YMCKO_AVX512 __attribute__((target("avx512f")))

// GCC 12 warns about the undefined source vector inside its own AVX-512
// intrinsics' headers (a false report).
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The lower (half 0) or upper eight lanes of sixteen as doubles.
YMCKO_AVX512 inline __m512d lanes_as_doubles16(__m512i v, int half) {
  return _mm512_cvtepi32_pd(half == 0 ? _mm512_castsi512_si256(v)
                                      : _mm512_extracti64x4_epi64(v, 1));
}

YMCKO_AVX512 inline __m256i limit_channels16(__m512d value) {
  const __m256i whole = _mm512_cvttpd_epi32(_mm512_add_pd(value, _mm512_set1_pd(0.5)));
  return _mm256_min_epi32(_mm256_max_epi32(whole, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

// correct8 for sixteen colours from `in` into `out`, operation for operation.
YMCKO_AVX512 void correct16(const std::uint32_t* in, std::uint32_t* out,
                            const CorrectionTables& t) {
  const __m512i byte = _mm512_set1_epi32(0xFF);
  const __m512i full = _mm512_set1_epi32(255);
  const __m512i zero = _mm512_setzero_si512();
  const __m512i mask = _mm512_set1_epi32(int(kRgbMask));
  const __m512i rgb = _mm512_and_si512(_mm512_loadu_si512(in), mask);
  const __m512i amount[3] = {
      _mm512_sub_epi32(full, _mm512_and_si512(rgb, byte)),
      _mm512_sub_epi32(full, _mm512_and_si512(_mm512_srli_epi32(rgb, 8), byte)),
      _mm512_sub_epi32(full, _mm512_srli_epi32(rgb, 16))};
  const __m512i common = _mm512_min_epi32(amount[0], _mm512_min_epi32(amount[1], amount[2]));
  __m512i channel[3];
  for (int c = 0; c < 3; ++c) {
    const __m512i sum = _mm512_sub_epi32(
        _mm512_i32gather_epi32(amount[c], t.gained[c].data(), 4),
        _mm512_i32gather_epi32(_mm512_sub_epi32(amount[c], common), t.under[c].data(), 4));
    const __m512i corrected =
        _mm512_min_epi32(_mm512_max_epi32(_mm512_srai_epi32(sum, 7), zero), full);
    channel[c] = _mm512_sub_epi32(full, corrected);
  }

  const __m512d s = _mm512_set1_pd(t.saturation);
  __m256i result[2];
  for (int half = 0; half < 2; ++half) {
    const __m512d r = lanes_as_doubles16(channel[0], half),
                  g = lanes_as_doubles16(channel[1], half),
                  b = lanes_as_doubles16(channel[2], half);
    __m256 luma =
        _mm512_cvtpd_ps(_mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(0.299), r),
                                                    _mm512_mul_pd(_mm512_set1_pd(0.587), g)),
                                      _mm512_mul_pd(_mm512_set1_pd(0.114), b)));
    __m256 cb = _mm512_cvtpd_ps(
        _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(_mm512_set1_pd(0.5), b),
                                    _mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(0.331), g),
                                                  _mm512_mul_pd(_mm512_set1_pd(0.169), r))),
                      s));
    __m512d cr = _mm512_mul_pd(_mm512_sub_pd(_mm512_sub_pd(_mm512_mul_pd(_mm512_set1_pd(0.5), r),
                                                           _mm512_mul_pd(_mm512_set1_pd(0.418), g)),
                                             _mm512_mul_pd(_mm512_set1_pd(0.082), b)),
                               s);
    luma = _mm256_min_ps(_mm256_max_ps(luma, _mm256_set1_ps(0.0f)), _mm256_set1_ps(255.0f));
    cb = _mm256_min_ps(_mm256_max_ps(cb, _mm256_set1_ps(-127.0f)), _mm256_set1_ps(127.0f));
    cr = _mm512_min_pd(_mm512_max_pd(cr, _mm512_set1_pd(-127.0)), _mm512_set1_pd(127.0));
    const __m512d y = _mm512_cvtps_pd(luma), cbd = _mm512_cvtps_pd(cb);
    const __m256i red =
        limit_channels16(_mm512_add_pd(y, _mm512_mul_pd(_mm512_set1_pd(1.402), cr)));
    const __m256i green =
        limit_channels16(_mm512_sub_pd(_mm512_sub_pd(y, _mm512_mul_pd(_mm512_set1_pd(0.346), cbd)),
                                       _mm512_mul_pd(_mm512_set1_pd(0.7145), cr)));
    const __m256i blue =
        limit_channels16(_mm512_add_pd(y, _mm512_mul_pd(_mm512_set1_pd(1.771), cbd)));
    result[half] = _mm256_or_si256(
        red, _mm256_or_si256(_mm256_slli_epi32(green, 8), _mm256_slli_epi32(blue, 16)));
  }
  const __m512i corrected = _mm512_inserti64x4(_mm512_castsi256_si512(result[0]), result[1], 1);
  // White and black pass unchanged.
  const __mmask16 keep = _mm512_cmpeq_epi32_mask(rgb, zero) | _mm512_cmpeq_epi32_mask(rgb, mask);
  _mm512_storeu_si512(out, _mm512_mask_blend_epi32(keep, corrected, rgb));
}

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Eight pixels at a time: a group with a colour of its own is corrected
// whole (white, black and repeats come out as they would alone), with the
// next eight when AVX-512 does sixteen at once; in a group of only white,
// black and repeats, each repeat takes its predecessor's colour.
YMCKO_AVX2 void correct_row_avx2(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                                 const CorrectionTables& t) {
  const bool sixteen = has_avx512();
  const __m256i mask = _mm256_set1_epi32(int(kRgbMask));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i rgb =
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)), mask);
    // The pixel before the first is black, which needs nothing.
    const __m256i before =
        i == 0 ? _mm256_permutevar8x32_epi32(_mm256_blend_epi32(rgb, zero, 0x80),
                                             _mm256_set_epi32(6, 5, 4, 3, 2, 1, 0, 7))
               : _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i - 1)),
                                  mask);
    const __m256i plain =
        _mm256_or_si256(_mm256_cmpeq_epi32(rgb, mask), _mm256_cmpeq_epi32(rgb, zero));
    const __m256i repeat = _mm256_andnot_si256(plain, _mm256_cmpeq_epi32(rgb, before));
    const unsigned settled =
        unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_or_si256(plain, repeat))));
    if (settled != 0xFF) {
      if (sixteen && i + 16 <= n) {
        correct16(in + i, out + i, t);
        i += 8;
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), correct8(rgb, t));
      }
      continue;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), rgb);
    for (unsigned repeats = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(repeat))); repeats != 0;
         repeats &= repeats - 1) {
      const std::size_t at = i + unsigned(__builtin_ctz(repeats));
      out[at] = out[at - 1];
    }
  }
  if (i < n) {
    // The last few pixels corrected together.
    alignas(32) std::uint32_t tail[8] = {};
    std::memcpy(tail, in + i, (n - i) * sizeof(std::uint32_t));
    const __m256i done = correct8(_mm256_load_si256(reinterpret_cast<const __m256i*>(tail)), t);
    _mm256_store_si256(reinterpret_cast<__m256i*>(tail), done);
    std::memcpy(out + i, tail, (n - i) * sizeof(std::uint32_t));
  }
}

// One channel of sixteen pixels (eight in a, eight in b) as 16-bit values,
// in the order a0-3 b0-3 a4-7 b4-7.
YMCKO_AVX2 inline __m256i channel_words(__m256i a, __m256i b, int shift) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  return _mm256_packus_epi32(_mm256_and_si256(_mm256_srli_epi32(a, shift), byte),
                             _mm256_and_si256(_mm256_srli_epi32(b, shift), byte));
}

// Two vectors of words from channel_words (or laid out alike), each word at
// most 255, as the 32 bytes of their pixels in order.
YMCKO_AVX2 inline __m256i ordered_bytes(__m256i ab, __m256i cd) {
  return _mm256_permutevar8x32_epi32(_mm256_packus_epi16(ab, cd),
                                     _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// tone[255 - v] for sixteen channel values by the table's formula
// k - floor(k g2 / 1000), the quotient taken as (k g2 x 33555) >> 25.
YMCKO_AVX2 inline __m256i tone16(__m256i value, __m256i g2) {
  const __m256i k = _mm256_sub_epi16(_mm256_set1_epi16(255), value);
  const __m256i x = _mm256_mullo_epi16(k, g2);
  const __m256i quotient = _mm256_srli_epi16(
      _mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<std::int16_t>(kToneFactor))), 9);
  return _mm256_sub_epi16(k, quotient);
}

YMCKO_AVX2 unsigned panel_bytes_avx2(const std::uint32_t* rgb, std::size_t n, const RowRule& rule,
                                     BYTE* yellow, BYTE* magenta, BYTE* cyan, BYTE* black) {
  const __m256i g2 = _mm256_set1_epi16(static_cast<std::int16_t>(rule.g2));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mask = _mm256_set1_epi32(int(kRgbMask));
  __m256i seen[4] = {zero, zero, zero, zero};
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i p[4];
    __m256i is_black[4];
    for (int q = 0; q < 4; ++q) {
      p[q] = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rgb + i + 8 * q)),
                              mask);
      is_black[q] = _mm256_cmpeq_epi32(p[q], zero);
      if (rule.extract) p[q] = _mm256_or_si256(p[q], is_black[q]);
    }
    if (yellow != nullptr) {
      BYTE* const out[3] = {yellow, magenta, cyan};
      for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const __m256i bytes = ordered_bytes(tone16(channel_words(p[0], p[1], shift), g2),
                                            tone16(channel_words(p[2], p[3], shift), g2));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[c] + i), bytes);
        seen[c] = _mm256_or_si256(seen[c], bytes);
      }
    }
    if (black != nullptr) {
      // All-ones lanes as words of 255.
      const __m256i bytes =
          ordered_bytes(_mm256_srli_epi16(_mm256_packs_epi32(is_black[0], is_black[1]), 8),
                        _mm256_srli_epi16(_mm256_packs_epi32(is_black[2], is_black[3]), 8));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(black + i), bytes);
      seen[3] = _mm256_or_si256(seen[3], bytes);
    }
  }
  unsigned inked = panel_bytes_plain(rgb + i, n - i, rule, yellow ? yellow + i : nullptr,
                                     magenta ? magenta + i : nullptr, cyan ? cyan + i : nullptr,
                                     black ? black + i : nullptr);
  for (int q = 0; q < 4; ++q) {
    if (!_mm256_testz_si256(seen[q], seen[q])) inked |= 1u << q;
  }
  return inked;
}

// Turns 32 (or 16) rows x 16 bytes: each 128-bit half transposes 16 x 16
// bytes, the lower half rows 0 to 15, the upper rows 16 to 31, so each
// result is one whole line of 32 (or 16) bytes. The lines at `ahead` are
// fetched meanwhile, one at a time between the stores.
YMCKO_AVX2 void turn_avx2(const BYTE* source, std::size_t source_step, bool all_32, BYTE* target,
                          std::size_t target_step, BYTE* line_ink, const BYTE* ahead) {
  __m256i v[16];
  for (int r = 0; r < 16; ++r) {
    const __m256i lower = _mm256_castsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + r * source_step)));
    v[r] = all_32 ? _mm256_inserti128_si256(lower,
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                                source + (r + 16) * source_step)),
                                            1)
                  : _mm256_zextsi128_si256(_mm256_castsi256_si128(lower));
  }
  __m256i any = v[0];
  for (int r = 1; r < 16; ++r) any = _mm256_or_si256(any, v[r]);
  // A block without ink (white areas, the black panel of most pictures)
  // turns into zeros without the shuffles.
  if (_mm256_testz_si256(any, any)) {
    for (int i = 0; i < 16; ++i) {
      BYTE* line = target + i * target_step;
      if (ahead != nullptr) {
        _mm_prefetch(reinterpret_cast<const char*>(ahead + i * target_step), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(ahead + i * target_step + 63), _MM_HINT_T0);
      }
      if (all_32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line), _mm256_setzero_si256());
      else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line), _mm_setzero_si128());
    }
    return;
  }
  if (line_ink != nullptr) {
    __m128i* ink = reinterpret_cast<__m128i*>(line_ink);
    _mm_storeu_si128(
        ink, _mm_or_si128(_mm_loadu_si128(ink), _mm_or_si128(_mm256_castsi256_si128(any),
                                                             _mm256_extracti128_si256(any, 1))));
  }
  __m256i w[16];
  for (int r = 0; r < 8; ++r) {
    w[2 * r] = _mm256_unpacklo_epi8(v[2 * r], v[2 * r + 1]);
    w[2 * r + 1] = _mm256_unpackhi_epi8(v[2 * r], v[2 * r + 1]);
  }
  for (int r = 0; r < 4; ++r) {
    for (int h = 0; h < 2; ++h) {
      v[4 * r + h] = _mm256_unpacklo_epi16(w[4 * r + h], w[4 * r + 2 + h]);
      v[4 * r + 2 + h] = _mm256_unpackhi_epi16(w[4 * r + h], w[4 * r + 2 + h]);
    }
  }
  for (int r = 0; r < 2; ++r) {
    for (int h = 0; h < 4; ++h) {
      w[8 * r + h] = _mm256_unpacklo_epi32(v[8 * r + h], v[8 * r + 4 + h]);
      w[8 * r + 4 + h] = _mm256_unpackhi_epi32(v[8 * r + h], v[8 * r + 4 + h]);
    }
  }
  for (int h = 0; h < 8; ++h) {
    v[h] = _mm256_unpacklo_epi64(w[h], w[8 + h]);
    v[8 + h] = _mm256_unpackhi_epi64(w[h], w[8 + h]);
  }
  for (int h = 0; h < 16; ++h) {
    BYTE* line = target + kLineOf[h] * target_step;
    if (ahead != nullptr) {
      _mm_prefetch(reinterpret_cast<const char*>(ahead + h * target_step), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(ahead + h * target_step + 63), _MM_HINT_T0);
    }
    if (all_32)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(line), v[h]);
    else
      _mm_storeu_si128(reinterpret_cast<__m128i*>(line), _mm256_castsi256_si128(v[h]));
  }
}

#endif

}  // namespace

Vectors vectors_in_use() { return std::min(g_widest.load(), available()); }

void limit_vectors(Vectors widest) { g_widest.store(widest); }

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

void correct_row(const std::uint32_t* in, std::size_t n, std::uint32_t* out,
                 const CorrectionTables& tables) {
#if defined(__x86_64__)
  if (tables.vector && has_avx2()) return correct_row_avx2(in, n, out, tables);
#endif
  correct_row_plain(in, n, out, tables.adjust);
}

RowRule make_row_rule(const ToneTable& tone, bool extract) {
  RowRule rule{&tone, extract, -1};
  // The table is k - floor(2g k / 1000) for intensities 0 to 100: take the
  // formula when it gives every entry.
  for (int g2 = 0; g2 <= 192; g2 += 2) {
    bool same = true;
    for (int k = 0; k < 256 && same; ++k) {
      const std::uint32_t x = std::uint32_t(k * g2);
      same = tone[k] == BYTE(k - int((x * kToneFactor) >> 25));
    }
    if (same) {
      rule.g2 = g2;
      break;
    }
  }
  return rule;
}

unsigned panel_bytes(const std::uint32_t* rgb, std::size_t n, const RowRule& rule, BYTE* yellow,
                     BYTE* magenta, BYTE* cyan, BYTE* black) {
#if defined(__x86_64__)
  if (rule.g2 >= 0 && has_avx2())
    return panel_bytes_avx2(rgb, n, rule, yellow, magenta, cyan, black);
#endif
  return panel_bytes_plain(rgb, n, rule, yellow, magenta, cyan, black);
}

void turn_lines(const BYTE* source, std::size_t source_step, std::size_t rows, BYTE* target,
                std::size_t target_step, BYTE* line_ink, const BYTE* ahead) {
#if defined(__x86_64__)
  if (rows >= 16 && has_avx2()) {
    turn_avx2(source, source_step, rows == 32, target, target_step, line_ink, ahead);
    const std::size_t turned = rows == 32 ? 32 : 16;
    source += turned * source_step;
    target += turned;
    rows -= turned;
  }
#endif
  turn_plain(source, source_step, rows, target, target_step, line_ink);
}

}  // namespace ymcko
