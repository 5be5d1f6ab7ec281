// The chunks of a PNG file in order, from memory or from an open file: the
// one walker of the fast decoder, the colour-profile reader and the choice
// of how a large file is read.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace ymcko::cards {

// A PNG's bytes where the walker reads them: memory, or an open regular file
// read as it is walked, so that a large file is not held whole.
class PngBytes {
 public:
  explicit PngBytes(std::span<const std::uint8_t> bytes) : memory_(bytes), size_(bytes.size()) {}
  // The file stays open and is read with fseek and fread.
  explicit PngBytes(std::FILE* file);

  std::uint64_t size() const { return size_; }
  // `size` bytes at `offset` into `out`; false when the source ends before them.
  bool read(std::uint64_t offset, std::size_t size, std::uint8_t* out) const;
  // The bytes of a source in memory; empty for a file.
  std::span<const std::uint8_t> memory() const { return memory_; }

 private:
  std::span<const std::uint8_t> memory_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
};

// The header chunk's fields.
struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t depth = 0;
  std::uint8_t colour_type = 0;
  std::uint8_t compression = 0;
  std::uint8_t filter = 0;
  std::uint8_t interlace = 0;
};

// The signature and a first chunk "IHDR" of 13 bytes, or nothing.
std::optional<PngHeader> read_png_header(const PngBytes& png);

// One chunk: its type, where its data starts and how long it is.
struct PngChunk {
  std::array<char, 4> type;
  std::uint64_t offset;  // of the data, past the length and the type
  std::uint32_t length;

  bool is(const char (&name)[5]) const { return std::memcmp(type.data(), name, 4) == 0; }
  bool critical() const { return (type[0] & 0x20) == 0; }
};

// The chunks after the signature, in file order. The walk ends after IEND
// and at the first chunk that does not lie whole inside the file, whose
// length is above 2^31 - 1 or whose type is not four letters.
class PngChunks {
 public:
  explicit PngChunks(const PngBytes& png) : png_(png) {}

  std::optional<PngChunk> next();

  // The chunk's data when its checksum is right, else nothing: a view into a
  // source in memory, or `copy` holding it as read from a file.
  std::optional<std::span<const std::uint8_t>> data(const PngChunk& chunk,
                                                    std::vector<std::uint8_t>& copy) const;

 private:
  const PngBytes& png_;
  std::uint64_t at_ = 8;
  bool ended_ = false;
};

}  // namespace ymcko::cards
