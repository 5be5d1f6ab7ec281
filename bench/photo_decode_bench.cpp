// Cost of decoding one template photo, 300 x 400 pixels, as PNG and JPEG:
// without a colour profile, with an sRGB profile (recognised and skipped),
// and with a wide-gamut profile (converted by littleCMS). Benchmarks are
// named PhotoDecode/<format>/<profile>.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ymcko/image_io.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kWidth = 300, kHeight = 400;

// A photo-like picture: smooth gradients with grain.
Bytes photo_rgb() {
  Bytes pixels;
  std::uint32_t grain = 1;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      grain = grain * 1103515245 + 12345;
      pixels.push_back(std::uint8_t(x * 255 / kWidth + (grain >> 30)));
      pixels.push_back(std::uint8_t(y * 255 / kHeight));
      pixels.push_back(std::uint8_t((x + y) / 3));
    }
  }
  return pixels;
}

Bytes profile_bytes(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

Bytes profile(const std::string& which) {
  if (which == "none") return {};
  if (which == "srgb") return profile_bytes(cmsCreate_sRGBProfile());
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE wide = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[] = {curve, curve, curve};
  Bytes bytes = profile_bytes(cmsCreateRGBProfile(&white, &wide, curves));
  cmsFreeToneCurve(curve);
  return bytes;
}

// A PNG with the profile in an iCCP chunk after its header.
Bytes png(const Bytes& icc) {
  const std::string path = "/tmp/ymcko-photo-decode-bench.png";
  ymcko::tool::write_png(path, kWidth, kHeight, 3, photo_rgb());
  std::FILE* file = std::fopen(path.c_str(), "rb");
  Bytes bytes(1 << 20);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  std::remove(path.c_str());
  if (icc.empty()) return bytes;
  Bytes chunk = {'i', 'C', 'C', 'P', 'p', 0, 0};
  uLongf size = compressBound(uLong(icc.size()));
  Bytes compressed(size);
  compress(compressed.data(), &size, icc.data(), uLong(icc.size()));
  chunk.insert(chunk.end(), compressed.begin(), compressed.begin() + long(size));
  auto be32 = [](std::uint32_t v) {
    return Bytes{std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                 std::uint8_t(v)};
  };
  Bytes whole = be32(std::uint32_t(chunk.size() - 4));
  whole.insert(whole.end(), chunk.begin(), chunk.end());
  const Bytes crc = be32(std::uint32_t(crc32(0, chunk.data(), uInt(chunk.size()))));
  whole.insert(whole.end(), crc.begin(), crc.end());
  bytes.insert(bytes.begin() + 33, whole.begin(), whole.end());
  return bytes;
}

Bytes jpeg(const Bytes& icc) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  if (!icc.empty()) jpeg_write_icc_profile(&info, icc.data(), unsigned(icc.size()));
  const Bytes pixels = photo_rgb();
  while (info.next_scanline < kHeight) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[std::size_t{info.next_scanline} * kWidth * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

void decode(benchmark::State& state, bool is_png, const std::string& which) {
  const Bytes file = is_png ? png(profile(which)) : jpeg(profile(which));
  for (auto _ : state) {
    ymcko::tool::Image image =
        is_png ? ymcko::tool::decode_png(file, "photo") : ymcko::tool::decode_jpeg(file, "photo");
    benchmark::DoNotOptimize(image.rgba.data());
  }
}

const bool registered = [] {
  for (bool is_png : {true, false}) {
    for (const char* which : {"none", "srgb", "wide"}) {
      const std::string name = std::string("PhotoDecode/") + (is_png ? "png/" : "jpeg/") + which;
      benchmark::RegisterBenchmark(name.c_str(), decode, is_png, std::string(which));
    }
  }
  return true;
}();

}  // namespace
