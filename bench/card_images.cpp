// Writes the inputs of the whole-process figures into a folder: photo-like
// 1024 x 656 card images, a manifest of many cards cycling through them,
// and one large 4000 x 2562 image.
//
//   card_images FOLDER [CARDS]
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Gradients that differ per image, soft shapes and a little grain, as a
// photograph's smooth areas and noise would give.
std::vector<std::uint8_t> photo(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
  std::uint32_t grain = seed * 2654435761u + 1;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      grain = grain * 1103515245 + 12345;
      const int noise = int(grain >> 28) - 8;
      const std::uint32_t u = x * 1024 / width, v = y * 656 / height;
      const int dx = int(u) - 300 - int(seed * 37 % 400), dy = int(v) - 330;
      const bool disc = dx * dx + dy * dy < 160 * 160;
      int r = int((u / 4 + seed * 29) % 256), g = int(v * 255 / 656), b = int((u + v) / 6 + seed);
      if (disc) r = 255 - r, g = g / 2 + 60;
      std::uint8_t* p = &rgb[(std::size_t{y} * width + x) * 3];
      p[0] = std::uint8_t(std::clamp(r + noise, 0, 255));
      p[1] = std::uint8_t(std::clamp(g + noise, 0, 255));
      p[2] = std::uint8_t(std::clamp((b & 0xFF) + noise, 0, 255));
    }
  }
  return rgb;
}

void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               std::uint32_t seed) {
  const std::vector<std::uint8_t> rgb = photo(width, height, seed);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::fprintf(stderr, "card_images: %s: %s\n", path.c_str(), image.message);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: card_images FOLDER [CARDS]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const long cards = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 1000;
  std::filesystem::create_directories(folder);
  constexpr std::uint32_t kImages = 10;
  for (std::uint32_t i = 0; i < kImages; ++i)
    write_png(folder / ("card" + std::to_string(i) + ".png"), 1024, 656, i);
  write_png(folder / "large.png", 4000, 2562, 99);
  std::ofstream manifest(folder / "cards.csv");
  manifest << "front,track2\n";
  for (long c = 0; c < cards; ++c)
    manifest << "card" << c % kImages << ".png," << 100000 + c << "\n";
  return manifest ? 0 : 1;
}
