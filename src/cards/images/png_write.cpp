// PNG writing over libpng's simplified interface.
#include "cards/images/png_write.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "print/errors.h"

namespace ymcko::cards {

// The pixels as PNG bytes; `name` is the output named in errors.
std::vector<std::uint8_t> encode_png(const std::string& name, std::uint32_t width,
                                     std::uint32_t height, int channels,
                                     std::span<const std::uint8_t> pixels) {
  static constexpr std::uint32_t formats[] = {0, PNG_FORMAT_GRAY, 0, PNG_FORMAT_RGB,
                                              PNG_FORMAT_RGBA};
  if (channels < 1 || channels > 4 || channels == 2 ||
      pixels.size() != std::size_t(width) * height * std::size_t(channels)) {
    throw print::Error(name, "internal error: pixel buffer does not match the image size");
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = width;
  png.height = height;
  png.format = formats[channels];
  // Encoded once into the most the image can take, rather than once to
  // learn its size and again to write it.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  std::vector<std::uint8_t> encoded(size);
  if (!png_image_write_to_memory(&png, encoded.data(), &size, 0, pixels.data(), 0, nullptr)) {
    throw print::Error(name, std::string("cannot encode PNG: ") + png.message);
  }
  encoded.resize(size);
  return encoded;
}

void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               int channels, std::span<const std::uint8_t> pixels) {
  const std::vector<std::uint8_t> encoded =
      encode_png(path.string(), width, height, channels, pixels);
  const std::size_t size = encoded.size();
  // A card's picture may show a person: a new file is the user's alone.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
  if (fd >= 0 && file == nullptr) ::close(fd);
  if (file == nullptr)
    throw print::Error(path.string(), std::string("cannot be written: ") + std::strerror(errno));
  bool written = std::fwrite(encoded.data(), 1, size, file) == size;
  int saved = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    saved = errno;
  }
  if (!written)
    throw print::Error(path.string(), std::string("cannot be written: ") + std::strerror(saved));
}

}  // namespace ymcko::cards
