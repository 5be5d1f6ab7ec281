// The fast PNG path against libpng: every PNG it takes decodes to libpng's
// pixels, and it declines what it must leave to libpng.
#include "cards/images/png_fast.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void put_chunk(Bytes& out, const char* type, const Bytes& data, bool good_crc = true) {
  put32(out, std::uint32_t(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const auto crc = std::uint32_t(crc32(0, &out[start], uInt(out.size() - start)));
  put32(out, good_crc ? crc : ~crc);
}

std::uint8_t paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return std::uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// How a test PNG is made.
struct Recipe {
  std::uint32_t width = 17, height = 5;
  int colour = 2;  // 2 RGB, 6 RGBA
  int depth = 8;
  int interlace = 0;
  int filter = -1;              // every row's filter, or -1 for a random one per row
  int unknown_filter_row = -1;  // a row whose filter byte is 5
  std::size_t split = 0;        // IDAT chunk size, 0 for one chunk
  std::vector<std::pair<std::string, Bytes>> before;   // chunks before the data
  std::vector<std::pair<std::string, Bytes>> between;  // chunks between data chunks
  std::vector<std::pair<std::string, Bytes>> after;    // chunks after the data
  bool bad_crc = false;                                // on the first chunk after the header
  bool end = true;                                     // IEND
  Bytes zlib_tail;                                     // bytes after the compressed stream
  bool truncate = false;                               // the file cut in the middle of the data
  std::uint32_t declared_height = 0;                   // the header's height, when not the data's
};

Bytes make_png(const Recipe& r, std::mt19937& random) {
  const std::size_t bpp = r.colour == 6 ? 4 : 3, row = r.width * bpp;
  Bytes raw, previous(row, 0), current(row);
  for (std::uint32_t y = 0; y < r.height; ++y) {
    // Smooth content with noise, so that every filter has work to do.
    for (std::size_t i = 0; i < row; ++i) current[i] = std::uint8_t(i * 3 + y * 5 + random() % 9);
    const int filter = r.filter >= 0 ? r.filter : int(random() % 5);
    raw.push_back(std::uint8_t(int(y) == r.unknown_filter_row ? 5 : filter));
    for (std::size_t i = 0; i < row; ++i) {
      const int a = i >= bpp ? current[i - bpp] : 0, b = previous[i],
                c = i >= bpp ? previous[i - bpp] : 0;
      const int predicted[5] = {0, a, b, (a + b) / 2, paeth(a, b, c)};
      raw.push_back(std::uint8_t(current[i] - predicted[filter]));
    }
    previous = current;
  }
  uLongf size = compressBound(uLong(raw.size()));
  Bytes compressed(size);
  compress2(compressed.data(), &size, raw.data(), uLong(raw.size()), 6);
  compressed.resize(size);
  compressed.insert(compressed.end(), r.zlib_tail.begin(), r.zlib_tail.end());

  Bytes png = {137, 80, 78, 71, 13, 10, 26, 10};
  Bytes header;
  put32(header, r.width);
  put32(header, r.declared_height != 0 ? r.declared_height : r.height);
  header.insert(header.end(),
                {std::uint8_t(r.depth), std::uint8_t(r.colour), 0, 0, std::uint8_t(r.interlace)});
  put_chunk(png, "IHDR", header);
  bool first = true;
  for (const auto& [type, data] : r.before) {
    put_chunk(png, type.c_str(), data, !(r.bad_crc && first));
    first = false;
  }
  const std::size_t step = r.split == 0 ? compressed.size() : r.split;
  for (std::size_t at = 0; at < compressed.size(); at += step) {
    put_chunk(png, "IDAT",
              Bytes(compressed.begin() + at,
                    compressed.begin() + std::min(compressed.size(), at + step)));
    if (at == 0) {
      for (const auto& [type, data] : r.between) put_chunk(png, type.c_str(), data);
    }
  }
  for (const auto& [type, data] : r.after) put_chunk(png, type.c_str(), data);
  if (r.end) put_chunk(png, "IEND", {});
  if (r.truncate) png.resize(png.size() / 2);
  return png;
}

// libpng's RGBA pixels, or nothing when libpng refuses the file.
std::optional<Bytes> libpng_pixels(const Bytes& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  Bytes pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return std::nullopt;
  return pixels;
}

Bytes gamma(std::uint32_t value) {
  Bytes data;
  put32(data, value);
  return data;
}

const Bytes kText = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'};
const Bytes kPhys = {0, 0, 0x2E, 0x23, 0, 0, 0x2E, 0x23, 1};
const Bytes kChrm(32, 1);
// A named profile, compressed: libpng gives the samples as they are, and the
// profile is applied after either path.
const Bytes kIccp = {'p', 0, 0, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};

TEST(PngFast, GivesLibpngsPixels) {
  std::mt19937 random(7);
  std::vector<std::pair<const char*, Recipe>> cases;
  for (int colour : {2, 6}) {
    for (int filter : {0, 1, 2, 3, 4, -1}) {
      Recipe r;
      r.colour = colour;
      r.filter = filter;
      cases.push_back({"one filter", r});
    }
    for (auto [w, h] : {std::pair{1u, 1u}, {2u, 3u}, {64u, 33u}, {301u, 7u}}) {
      Recipe r;
      r.colour = colour, r.width = w, r.height = h;
      cases.push_back({"size", r});
    }
    Recipe split;
    split.colour = colour, split.split = 7, split.width = 40, split.height = 20;
    cases.push_back({"data in many chunks", split});
    Recipe chunks;
    chunks.colour = colour;
    chunks.before = {
        {"sRGB", {0}}, {"gAMA", gamma(45455)}, {"cHRM", kChrm}, {"pHYs", kPhys}, {"iCCP", kIccp}};
    chunks.after = {{"tEXt", kText}, {"tIME", Bytes(7, 1)}};
    cases.push_back({"pixel-neutral chunks", chunks});
  }
  for (const auto& [what, recipe] : cases) {
    SCOPED_TRACE(std::string(what) + " colour " + std::to_string(recipe.colour) + " " +
                 std::to_string(recipe.width) + "x" + std::to_string(recipe.height));
    const Bytes png = make_png(recipe, random);
    const auto expected = libpng_pixels(png);
    ASSERT_TRUE(expected);
    const auto fast = ymcko::cards::decode_png_fast(png);
    ASSERT_TRUE(fast);
    EXPECT_EQ(fast->width, recipe.width);
    EXPECT_EQ(fast->height, recipe.height);
    EXPECT_TRUE(fast->rgba == *expected);
  }
}

TEST(PngFast, LeavesTheRestToLibpng) {
  std::mt19937 random(8);
  auto with = [](auto change) {
    Recipe r;
    change(r);
    return r;
  };
  const std::pair<const char*, Recipe> cases[] = {
      {"another gamma", with([](Recipe& r) {
         r.before = {{"gAMA", gamma(100000)}};
       })},
      {"transparent colour", with([](Recipe& r) {
         r.before = {{"tRNS", Bytes(6, 0)}};
       })},
      {"suggested palette", with([](Recipe& r) {
         r.before = {{"PLTE", Bytes(6, 0)}};
       })},
      {"a chunk name not of letters", with([](Recipe& r) {
         r.before = {{"sRG\xc1", {0}}};
       })},
      {"wider than libpng takes",
       with([](Recipe& r) { r.width = 1'000'001, r.height = 1, r.filter = 0; })},
      {"unknown critical chunk", with([](Recipe& r) {
         r.before = {{"ABCD", Bytes(3, 0)}};
       })},
      {"interlaced", with([](Recipe& r) { r.interlace = 1; })},
      {"16-bit", with([](Recipe& r) { r.depth = 16; })},
      {"grey", with([](Recipe& r) { r.colour = 0; })},
      {"bad checksum", with([](Recipe& r) {
         r.before = {{"tEXt", kText}}, r.bad_crc = true;
       })},
      {"data split by a chunk", with([](Recipe& r) {
         r.split = 20, r.width = 40, r.height = 20, r.between = {{"tEXt", kText}};
       })},
      {"unknown filter", with([](Recipe& r) { r.unknown_filter_row = 3; })},
      {"no end", with([](Recipe& r) { r.end = false; })},
      {"truncated", with([](Recipe& r) { r.truncate = true; })},
      {"bytes after the data", with([](Recipe& r) {
         r.zlib_tail = {1, 2, 3};
       })},
      {"larger than the fast path",
       with([](Recipe& r) { r.width = 4096, r.height = 1, r.declared_height = 1025; })},
  };
  for (const auto& [what, recipe] : cases) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(ymcko::cards::decode_png_fast(make_png(recipe, random)));
  }
}

}  // namespace
