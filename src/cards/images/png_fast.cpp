// The fast PNG path: chunks checked (lengths, order, CRCs), the image data
// inflated in one call, rows unfiltered one pixel at a time in SSE2 lanes.
#include "cards/images/png_fast.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cards/images/png_chunks.h"

namespace ymcko::cards {
namespace {

// libpng's default limits: the image's width and height, and a chunk's data.
constexpr std::uint32_t kLargestSide = 1'000'000;
constexpr std::uint32_t kLargestChunk = 8'000'000;

std::uint32_t big_endian(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Chunks that change the pixels libpng gives (gamma other than sRGB's, a
// transparent colour, a palette), which send a file to libpng. Other
// ancillary chunks do not touch the pixels; a colour profile (iCCP) is
// applied to them afterwards, whichever path decoded them.
bool changes_pixels(const PngChunk& chunk, std::span<const std::uint8_t> data) {
  if (chunk.is("gAMA")) return data.size() != 4 || big_endian(data.data()) != 45455;
  return chunk.is("tRNS") || chunk.is("PLTE");
}

std::uint8_t paeth(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  const int pa = std::abs(int(b) - c), pb = std::abs(int(a) - c), pc = std::abs(int(a) + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Reverses one row's filter: `in` the filtered bytes, `up` the row above
// unfiltered (zeros above the first), `out` the row; n bytes, bpp a pixel.
// `in` and `up` may be read, and `out` written, 4 bytes beyond the row.
[[maybe_unused]] void unfilter_plain(int filter, const std::uint8_t* in, const std::uint8_t* up,
                                     std::uint8_t* out, std::size_t n, std::size_t bpp) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t a = i >= bpp ? out[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
    std::uint8_t predicted = 0;
    switch (filter) {
      case 1:
        predicted = a;
        break;
      case 2:
        predicted = b;
        break;
      case 3:
        predicted = std::uint8_t((a + b) / 2);
        break;
      case 4:
        predicted = paeth(a, b, c);
        break;
    }
    out[i] = std::uint8_t(in[i] + predicted);
  }
}

#if defined(__SSE2__)

// A pixel's bytes in 16-bit lanes (4 bytes read, the fourth of a 3-byte
// pixel unused), and back.
inline __m128i load_pixel(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128());
}

inline void store_pixel(std::uint8_t* p, __m128i lanes) {
  const std::uint32_t v = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
  std::memcpy(p, &v, 4);  // a fourth byte beyond a 3-byte pixel is rewritten by the next
}

inline __m128i absolute(__m128i x) {
  return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

// Sub (1), average (3) and Paeth (4), whose bytes depend on the pixel
// before, one pixel at a time with the channels side by side.
template <int kFilter, std::size_t kBpp>
void unfilter_sse2(const std::uint8_t* in, const std::uint8_t* up, std::uint8_t* out,
                   std::size_t n) {
  const __m128i byte = _mm_set1_epi16(0xFF);
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  for (std::size_t i = 0; i < n; i += kBpp) {
    const __m128i x = load_pixel(in + i), b = load_pixel(up + i);
    __m128i predicted;
    if constexpr (kFilter == 1) {
      predicted = a;
    } else if constexpr (kFilter == 3) {
      predicted = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
    } else {
      const __m128i pa = absolute(_mm_sub_epi16(b, c));
      const __m128i pb = absolute(_mm_sub_epi16(a, c));
      const __m128i pc = absolute(_mm_add_epi16(_mm_sub_epi16(b, c), _mm_sub_epi16(a, c)));
      // a where pa <= pb and pa <= pc, else b where pb <= pc, else c.
      const __m128i not_a = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
      const __m128i take_c = _mm_cmpgt_epi16(pb, pc);
      const __m128i b_or_c = _mm_or_si128(_mm_andnot_si128(take_c, b), _mm_and_si128(take_c, c));
      predicted = _mm_or_si128(_mm_andnot_si128(not_a, a), _mm_and_si128(not_a, b_or_c));
    }
    a = _mm_and_si128(_mm_add_epi16(x, predicted), byte);
    c = b;
    store_pixel(out + i, a);
  }
}

template <std::size_t kBpp>
void unfilter_sse2(int filter, const std::uint8_t* in, const std::uint8_t* up, std::uint8_t* out,
                   std::size_t n) {
  if (filter == 1) return unfilter_sse2<1, kBpp>(in, up, out, n);
  if (filter == 3) return unfilter_sse2<3, kBpp>(in, up, out, n);
  unfilter_sse2<4, kBpp>(in, up, out, n);
}

#endif

void unfilter(int filter, const std::uint8_t* in, const std::uint8_t* up, std::uint8_t* out,
              std::size_t n, std::size_t bpp) {
  switch (filter) {
    case 0:
      std::memcpy(out, in, n);
      return;
    case 2:
      for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(in[i] + up[i]);
      return;
  }
#if defined(__SSE2__)
  if (bpp == 3) return unfilter_sse2<3>(filter, in, up, out, n);
  unfilter_sse2<4>(filter, in, up, out, n);
#else
  unfilter_plain(filter, in, up, out, n, bpp);
#endif
}

struct Decompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

std::optional<Image> decode_png_fast(std::span<const std::uint8_t> bytes) {
  const PngBytes png(bytes);
  const std::optional<PngHeader> header = read_png_header(png);
  if (!header) return std::nullopt;
  const std::uint32_t width = header->width, height = header->height;
  const int colour = header->colour_type;
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide ||
      std::uint64_t{width} * height > kFastPngPixels || header->depth != 8 ||
      (colour != 2 && colour != 6) || header->compression != 0 || header->filter != 0 ||
      header->interlace != 0) {
    return std::nullopt;
  }
  const std::size_t bpp = colour == 6 ? 4 : 3;
  const std::size_t row = std::size_t{width} * bpp;
  const std::size_t raw_size = std::size_t{height} * (row + 1);

  // The image data, gathered when it is split over several chunks. Every
  // chunk's checksum must hold.
  PngChunks chunks(png);
  std::vector<std::uint8_t> gathered, unused;
  if (const std::optional<PngChunk> first = chunks.next(); !first || !chunks.data(*first, unused))
    return std::nullopt;
  std::span<const std::uint8_t> compressed;
  bool in_data = false, data_done = false, ended = false;
  while (std::optional<PngChunk> chunk = chunks.next()) {
    // libpng refuses other chunks this large.
    if (chunk->length > kLargestChunk && !chunk->is("IDAT")) return std::nullopt;
    const std::optional<std::span<const std::uint8_t>> data = chunks.data(*chunk, unused);
    if (!data) return std::nullopt;
    if (chunk->is("IEND")) {
      ended = true;
      break;
    }
    if (chunk->is("IDAT")) {
      if (data_done) return std::nullopt;
      if (!in_data) {
        compressed = *data;
      } else {
        if (gathered.empty()) gathered.assign(compressed.begin(), compressed.end());
        gathered.insert(gathered.end(), data->begin(), data->end());
        compressed = gathered;
      }
      in_data = true;
      continue;
    }
    data_done = in_data;
    if (chunk->critical() || changes_pixels(*chunk, *data)) return std::nullopt;
  }
  if (!ended || !in_data) return std::nullopt;

  // The RGBA result holds the inflated rows at its end while they are
  // unfiltered into it from the front; each output row ends before the
  // next filtered row starts.
  Image image{width, height, {}};
  const std::size_t pixels_size = std::size_t{width} * height * 4;
  // (The unfiltering reads 4 bytes of a 3-byte pixel: one spare byte at the end.)
  image.rgba.resize(std::max(pixels_size, raw_size) + 4);
  std::uint8_t* const raw = image.rgba.data() + image.rgba.size() - 4 - raw_size;
  // A stream that declares a window under 32 KiB may not reach further
  // back; libdeflate does not check that, so such a stream must be short.
  if (compressed.size() < 2) return std::nullopt;
  const std::size_t window = std::size_t{1} << ((compressed[0] >> 4) + 8);
  if (window < 32768 && raw_size > window) return std::nullopt;
  static thread_local std::unique_ptr<libdeflate_decompressor, Decompressor> inflater(
      libdeflate_alloc_decompressor());
  if (!inflater) return std::nullopt;
  std::size_t used = 0, made = 0;
  if (libdeflate_zlib_decompress_ex(inflater.get(), compressed.data(), compressed.size(), raw,
                                    raw_size, &used, &made) != LIBDEFLATE_SUCCESS ||
      used != compressed.size() || made != raw_size) {
    return std::nullopt;
  }

  std::vector<std::uint8_t> rows(2 * (row + 4), 0);
  std::uint8_t* up = rows.data();
  std::uint8_t* line = rows.data() + row + 4;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* filtered = raw + std::size_t{y} * (row + 1);
    if (filtered[0] > 4) return std::nullopt;
    unfilter(filtered[0], filtered + 1, up, line, row, bpp);
    std::uint8_t* out = image.rgba.data() + std::size_t{y} * width * 4;
    if (bpp == 4) {
      std::memcpy(out, line, row);
    } else {
      for (std::uint32_t x = 0; x < width; ++x) {
        out[4 * x] = line[3 * x];
        out[4 * x + 1] = line[3 * x + 1];
        out[4 * x + 2] = line[3 * x + 2];
        out[4 * x + 3] = 0xFF;
      }
    }
    std::swap(up, line);
  }
  image.rgba.resize(pixels_size);
  return image;
}

}  // namespace ymcko::cards
