// Image files opened once and decoded by their format.
#include "cards/images/image_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "cards/images/colour_profile.h"
#include "cards/images/jpeg_decode.h"
#include "cards/images/pdf_document.h"
#include "cards/images/png_chunks.h"
#include "cards/images/png_decode.h"
#include "cards/images/png_fast.h"
#include "cards/images/png_write.h"
#include "print/errors.h"
#include "print/files.h"

namespace ymcko::cards {

ImageInput::ImageInput(const std::filesystem::path& path, std::string name)
    : name_(name.empty() ? path.string() : std::move(name)), file_(nullptr, std::fclose) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw print::Error(name_, "is a folder, not a file");
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) throw print::Error(name_, std::string("cannot be opened: ") + std::strerror(errno));
  struct stat status {};
  regular_ = ::fstat(fileno(file_.get()), &status) == 0 && S_ISREG(status.st_mode);
  // Signature and PNG header chunk: enough to tell the format, and a PNG's size.
  head_.resize(8 + 8 + 13);
  head_.resize(std::fread(head_.data(), 1, head_.size(), file_.get()));
  if (std::ferror(file_.get()))
    throw print::Error(name_, std::string("cannot be read: ") + std::strerror(errno));
}

std::vector<std::uint8_t> ImageInput::read_all() {
  std::vector<std::uint8_t> rest =
      print::read_rest(file_.get(), name_, print::kImageFileLimit, head_.size());
  rest.insert(rest.begin(), head_.begin(), head_.end());
  return rest;
}

Image ImageInput::decode() {
  switch (format()) {
    case ImageFormat::png:
      break;
    case ImageFormat::jpeg:
      return decode_jpeg(read_all(), name_);
    case ImageFormat::pdf:
      throw print::Error(name_, "a PDF document, where one image was expected");
    case ImageFormat::unknown:
      throw print::Error(name_, "not a PNG, JPEG or PDF file");
  }
  const std::optional<PngHeader> header = read_png_header(PngBytes(head_));
  const std::uint64_t pixels = header ? std::uint64_t{header->width} * header->height : 0;
  if (pixels <= kFastPngPixels || !regular_) return decode_png(read_all(), name_);
  // A large image is read by libpng from the file, a few rows at a time.
  return decode_png_file(file_.get(), name_);
}

std::vector<Image> load_sides(const std::filesystem::path& path) {
  ImageInput input(path);
  const std::string& name = input.name();
  if (input.format() == ImageFormat::png || input.format() == ImageFormat::jpeg)
    return {input.decode()};
  std::vector<std::uint8_t> bytes = input.read_all();
  switch (sniff_format(bytes)) {
    case ImageFormat::png:
      return {decode_png(bytes, name)};
    case ImageFormat::jpeg:
      return {decode_jpeg(bytes, name)};
    case ImageFormat::pdf: {
      PdfDocument document(std::move(bytes), name);
      std::vector<Image> sides;
      for (int i = 0; i < document.pages(); ++i) sides.push_back(document.render(i));
      return sides;
    }
    case ImageFormat::unknown:
      break;
  }
  throw print::Error(name, "not a PNG, JPEG or PDF file");
}

void check_image_header(std::span<const std::uint8_t> bytes, const std::string& name) {
  switch (sniff_format(bytes)) {
    case ImageFormat::png: {
      const std::optional<PngHeader> header = read_png_header(PngBytes(bytes));
      if (!header) throw print::Error(name, "not a readable PNG image: its header cannot be read");
      check_image_size(header->width, header->height, name);
      return;
    }
    case ImageFormat::jpeg: {
      const auto [width, height] = jpeg_size(bytes, name);
      check_image_size(width, height, name);
      return;
    }
    default:
      throw print::Error(name, "not a PNG or JPEG file");
  }
}

std::vector<std::uint8_t> without_colour_profile(std::vector<std::uint8_t> bytes,
                                                 const std::string& name) {
  if (!has_colour_profile(bytes)) return bytes;
  const Image image =
      sniff_format(bytes) == ImageFormat::png ? decode_png(bytes, name) : decode_jpeg(bytes, name);
  return encode_png(name, image.width, image.height, 4, image.rgba);
}

}  // namespace ymcko::cards
