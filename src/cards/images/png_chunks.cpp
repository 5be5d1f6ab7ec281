// The PNG chunk walker, with libdeflate's checksum.
#include "cards/images/png_chunks.h"

#include <sys/stat.h>

#include <climits>

#include <libdeflate.h>

namespace ymcko::cards {
namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

std::uint32_t big_endian(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

PngBytes::PngBytes(std::FILE* file) : file_(file) {
  struct stat status {};
  if (::fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode))
    size_ = std::uint64_t(status.st_size);
}

bool PngBytes::read(std::uint64_t offset, std::size_t size, std::uint8_t* out) const {
  if (offset > size_ || size_ - offset < size) return false;
  if (file_ == nullptr) {
    std::memcpy(out, memory_.data() + offset, size);
    return true;
  }
  return offset <= std::uint64_t(LONG_MAX) && std::fseek(file_, long(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, size, file_) == size;
}

std::optional<PngHeader> read_png_header(const PngBytes& png) {
  // Signature, the chunk's length and type, and its 13 bytes of data.
  std::uint8_t bytes[8 + 8 + 13];
  if (!png.read(0, sizeof bytes, bytes) || std::memcmp(bytes, kSignature, 8) != 0 ||
      big_endian(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
    return std::nullopt;
  const std::uint8_t* h = bytes + 16;
  return PngHeader{big_endian(h), big_endian(h + 4), h[8], h[9], h[10], h[11], h[12]};
}

std::optional<PngChunk> PngChunks::next() {
  std::uint8_t head[8];
  if (ended_ || png_.size() - at_ < 12 || !png_.read(at_, sizeof head, head)) return std::nullopt;
  PngChunk chunk{{}, at_ + 8, big_endian(head)};
  std::memcpy(chunk.type.data(), head + 4, 4);
  if (chunk.length > 0x7FFFFFFFu || png_.size() - at_ - 12 < chunk.length) return std::nullopt;
  for (char letter : chunk.type) {
    const char upper = char(letter & ~0x20);
    if (upper < 'A' || upper > 'Z') return std::nullopt;
  }
  at_ += 12 + std::uint64_t{chunk.length};
  ended_ = chunk.is("IEND");
  return chunk;
}

std::optional<std::span<const std::uint8_t>> PngChunks::data(
    const PngChunk& chunk, std::vector<std::uint8_t>& copy) const {
  // The checksum covers the type and the data; it follows them.
  const std::size_t covered = 4 + std::size_t{chunk.length};
  std::span<const std::uint8_t> typed;
  if (!png_.memory().empty()) {
    typed = png_.memory().subspan(std::size_t(chunk.offset) - 4, covered + 4);
  } else {
    copy.resize(covered + 4);
    if (!png_.read(chunk.offset - 4, copy.size(), copy.data())) return std::nullopt;
    typed = copy;
  }
  if (libdeflate_crc32(0, typed.data(), covered) != big_endian(typed.data() + covered))
    return std::nullopt;
  return typed.subspan(4, chunk.length);
}

}  // namespace ymcko::cards
