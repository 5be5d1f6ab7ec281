// Cost of decoding one template photo, 300 x 400 pixels, as PNG and JPEG:
// without a colour profile, with an sRGB profile (recognised and skipped),
// and with a wide-gamut profile (converted by littleCMS). Benchmarks are
// named PhotoDecode/<format>/<profile>.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cards/images/image.h"
#include "cards/images/jpeg_decode.h"
#include "cards/images/png_decode.h"
#include "cards/images/png_write.h"
#include "support/image_files.h"

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

Bytes profile(const std::string& which) {
  if (which == "none") return {};
  if (which == "srgb") return ymcko::testing::saved(cmsCreate_sRGBProfile());
  return ymcko::testing::rgb_profile(ymcko::testing::kWidePrimaries, 2.2);
}

// A PNG with the profile in an iCCP chunk after its header.
Bytes png(const Bytes& icc) {
  const std::string path = "/tmp/ymcko-photo-decode-bench.png";
  ymcko::cards::write_png(path, kWidth, kHeight, 3, photo_rgb());
  std::FILE* file = std::fopen(path.c_str(), "rb");
  Bytes bytes(1 << 20);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  std::remove(path.c_str());
  return icc.empty() ? bytes : ymcko::testing::with_chunk(bytes, "iCCP", ymcko::testing::iccp(icc));
}

Bytes jpeg(const Bytes& icc) {
  return ymcko::testing::jpeg_of(photo_rgb(), kWidth, 3, JCS_RGB, icc, 90);
}

void decode(benchmark::State& state, bool is_png, const std::string& which) {
  const Bytes file = is_png ? png(profile(which)) : jpeg(profile(which));
  for (auto _ : state) {
    ymcko::cards::Image image =
        is_png ? ymcko::cards::decode_png(file, "photo") : ymcko::cards::decode_jpeg(file, "photo");
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
