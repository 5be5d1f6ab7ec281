// Card images from files: a file opened once, its format told from its
// first bytes and decoded from the same descriptor, so that a pipe or a FIFO
// reads like a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cards/images/image.h"

namespace ymcko::cards {

// An input file opened once: its format is told from its first bytes and it
// is decoded from the same descriptor, so a pipe or a FIFO reads like a file.
// Throws print::Error naming the file.
class ImageInput {
 public:
  // `name` names it in messages; none: its path.
  explicit ImageInput(const std::filesystem::path& path, std::string name = {});
  const std::string& name() const { return name_; }
  ImageFormat format() const { return sniff_format(head_); }
  // A regular file, which may be read again from its start.
  bool regular() const { return regular_; }
  // Everything the input holds, the first bytes included, within the limit
  // for an image file.
  std::vector<std::uint8_t> read_all();
  // The PNG or JPEG image; a large PNG file is read by libpng straight from
  // the file, without holding the whole file in memory.
  Image decode();

 private:
  std::string name_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  std::vector<std::uint8_t> head_;
  bool regular_ = false;
};

// Every card side a file holds: one for PNG and JPEG, one per page for PDF.
std::vector<Image> load_sides(const std::filesystem::path& path);

// Refuses, naming `name`, bytes that are not a PNG or JPEG file whose header
// can be read, or whose header gives an image without pixels or above the
// size limit: what another renderer decodes is checked first, without
// decoding it here.
void check_image_header(std::span<const std::uint8_t> bytes, const std::string& name);

// An image file's bytes for a renderer that applies no colour profile: as
// they are when the PNG or JPEG embeds none, else the image decoded to sRGB
// (over white) as a PNG. Throws print::Error naming `name`.
std::vector<std::uint8_t> without_colour_profile(std::vector<std::uint8_t> bytes,
                                                 const std::string& name);

}  // namespace ymcko::cards
