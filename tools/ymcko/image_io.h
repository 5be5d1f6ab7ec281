// Card images in and previews out: PNG, JPEG and PDF pages decoded to 8-bit
// sRGB RGBA in memory (transparency composited over white), and PNG writing.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "ymcko/errors.h"

namespace ymcko::tool {

// Pixels in rows from the top, four bytes each: red, green, blue, alpha.
struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;

  std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) {
    return &rgba[(std::size_t(y) * width + x) * 4];
  }
  const std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) const {
    return &rgba[(std::size_t(y) * width + x) * 4];
  }
};

// An image of the given size filled with one opaque colour.
Image filled_image(std::uint32_t width, std::uint32_t height, std::uint8_t red, std::uint8_t green,
                   std::uint8_t blue);

// Largest image accepted, in pixels: larger ones would only exhaust memory.
inline constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;

// PDF pages are rendered at the printer's resolution, each within a time
// limit: a page that takes longer is refused.
inline constexpr int kPdfDpi = 300;
inline constexpr std::chrono::seconds kPdfPageTimeLimit{30};

enum class ImageFormat { png, jpeg, pdf, unknown };

// The format by the file's first bytes, whatever its name says.
ImageFormat sniff_format(std::span<const std::uint8_t> bytes);

// Decoders; `name` is the input named in errors. The results are opaque
// sRGB: an embedded colour profile is applied, and transparent pixels are
// already composited over white.
Image decode_png(std::span<const std::uint8_t> bytes, const std::string& name);
Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name);

// An input file opened once: its format is told from its first bytes and it
// is decoded from the same descriptor, so a pipe or a FIFO reads like a file.
// Throws ToolError naming the file.
class ImageInput {
 public:
  explicit ImageInput(const std::filesystem::path& path);
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

// A PDF whose pages are rendered one at a time.
class PdfDocument {
 public:
  PdfDocument(std::vector<std::uint8_t> bytes, std::string name,
              std::chrono::milliseconds page_time_limit = kPdfPageTimeLimit);
  ~PdfDocument();
  PdfDocument(PdfDocument&&) noexcept;
  int pages() const;
  // Page `index` (from 0) at kPdfDpi on white paper. The page is rendered in
  // a child process, which is ended when the time limit passes: Poppler's
  // rendering cannot be stopped from outside, and a crash in it stays there.
  Image render(int index) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Every card side a file holds: one for PNG and JPEG, one per page for PDF.
std::vector<Image> load_sides(const std::filesystem::path& path);

// Blends every pixel over white (8-bit, straight alpha) and makes it opaque.
void composite_over_white(Image& image);

// An image file's bytes for a renderer that applies no colour profile: as
// they are when the PNG or JPEG embeds none, else the image decoded to sRGB
// (over white) as a PNG. Throws ToolError naming `name`.
std::vector<std::uint8_t> without_colour_profile(std::vector<std::uint8_t> bytes,
                                                 const std::string& name);

// The entry point `symbol` of one of the tool's modules, from lib/ymcko
// beside the program's folder (a build tree or a relocated install), else
// from where it is installed; null, with the reason in `failure`, when none
// loads.
void* module_entry(const char* module_name, const char* symbol, std::string& failure);

// The entry point of type `Function`, loaded once on first use; throws
// ToolError naming `input` when the module is missing: "<what>: the module
// <name> is missing (<reason>)".
template <class Function>
Function module_function(const char* module_name, const char* symbol, const std::string& input,
                         const char* what) {
  static std::once_flag once;
  static Function function = nullptr;
  static std::string failure;
  std::call_once(once, [&] {
    function = reinterpret_cast<Function>(module_entry(module_name, symbol, failure));
  });
  if (function == nullptr)
    throw ToolError(
        input, std::string(what) + ": the module " + module_name + " is missing (" + failure + ")");
  return function;
}

// Writes a PNG of one (grey), three (RGB) or four (RGBA) channels per pixel.
void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               int channels, std::span<const std::uint8_t> pixels);

}  // namespace ymcko::tool
