// Image decoding and PNG writing over libpng, libjpeg and Poppler.
#include "ymcko/image_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <jpeglib.h>
#include <png.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "print/files.h"
#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

void check_size(std::uint64_t width, std::uint64_t height, const std::string& name) {
  if (width == 0 || height == 0) throw ToolError(name, "the image has no pixels");
  if (width * height > kMaxImagePixels) {
    throw ToolError(name, "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                              " pixels; at most " + std::to_string(kMaxImagePixels) +
                              " pixels are accepted");
  }
}

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back into decode_jpeg_into, whose frame holds only plain data.
struct JpegErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpeg_error_exit(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  errors->manager.format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void jpeg_quiet(j_common_ptr, int) {}

// Decodes into `out` (RGBA); false with `message` set on a malformed stream or
// an image above the size limit. No object with a destructor lives in this
// frame, so the long jump out of libjpeg skips nothing.
bool decode_jpeg_into(const std::uint8_t* data, std::size_t size, Image* out, char* message,
                      std::size_t message_size) {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jpeg_error_exit;
  errors.manager.emit_message = jpeg_quiet;
  errors.message[0] = 0;
  if (setjmp(errors.jump)) {
    std::snprintf(message, message_size, "%s", errors.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  if (std::uint64_t(info.image_width) * info.image_height > kMaxImagePixels) {
    std::snprintf(message, message_size,
                  "the image is %u x %u pixels; at most %llu pixels are accepted", info.image_width,
                  info.image_height, static_cast<unsigned long long>(kMaxImagePixels));
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  out->width = info.output_width;
  out->height = info.output_height;
  out->rgba.resize(std::size_t(out->width) * out->height * 4);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out->rgba.data() + std::size_t(info.output_scanline) * out->width * 4;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  if (cmyk) {
    // Such files store inverted ink amounts: each byte is 255 minus the ink,
    // so a channel is the product of its ink's and black's remaining light.
    for (std::size_t i = 0; i < out->rgba.size(); i += 4) {
      unsigned k = out->rgba[i + 3];
      for (int c = 0; c < 3; ++c)
        out->rgba[i + c] = std::uint8_t((out->rgba[i + c] * k + 127) / 255);
      out->rgba[i + 3] = 255;
    }
  }
  return true;
}

// Poppler's own error output is replaced by nothing: failures are reported
// through the results of its calls.
void poppler_quiet(const std::string&, void*) {}

}  // namespace

Image filled_image(std::uint32_t width, std::uint32_t height, std::uint8_t red, std::uint8_t green,
                   std::uint8_t blue) {
  Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    image.rgba[i] = red;
    image.rgba[i + 1] = green;
    image.rgba[i + 2] = blue;
    image.rgba[i + 3] = 255;
  }
  return image;
}

ImageFormat sniff_format(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() >= sizeof png && std::memcmp(bytes.data(), png, sizeof png) == 0)
    return ImageFormat::png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    return ImageFormat::jpeg;
  if (bytes.size() >= 5 && std::memcmp(bytes.data(), "%PDF-", 5) == 0) return ImageFormat::pdf;
  return ImageFormat::unknown;
}

Image decode_png(std::span<const std::uint8_t> bytes, const std::string& name) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    throw ToolError(name, std::string("not a readable PNG image: ") + png.message);
  }
  if (std::uint64_t(png.width) * png.height > kMaxImagePixels || png.width == 0 ||
      png.height == 0) {
    png_image_free(&png);
    check_size(png.width, png.height, name);
  }
  png.format = PNG_FORMAT_RGBA;
  Image image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    throw ToolError(name, std::string("not a readable PNG image: ") + png.message);
  }
  composite_over_white(image);
  return image;
}

Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name) {
  Image image;
  char message[JMSG_LENGTH_MAX + 64];
  if (!decode_jpeg_into(bytes.data(), bytes.size(), &image, message, sizeof message)) {
    throw ToolError(name, std::string("not a readable JPEG image: ") + message);
  }
  check_size(image.width, image.height, name);
  return image;
}

struct PdfDocument::Impl {
  std::vector<std::uint8_t> bytes;  // the document reads from these while it lives
  std::string name;
  std::unique_ptr<poppler::document> document;
};

PdfDocument::PdfDocument(std::vector<std::uint8_t> bytes, std::string name)
    : impl_(std::make_unique<Impl>()) {
  poppler::set_debug_error_function(poppler_quiet, nullptr);
  impl_->bytes = std::move(bytes);
  impl_->name = std::move(name);
  impl_->document.reset(poppler::document::load_from_raw_data(
      reinterpret_cast<const char*>(impl_->bytes.data()), static_cast<int>(impl_->bytes.size())));
  if (!impl_->document) throw ToolError(impl_->name, "not a readable PDF document");
  if (impl_->document->is_locked())
    throw ToolError(impl_->name, "the PDF document is locked with a password");
  if (impl_->document->pages() < 1) throw ToolError(impl_->name, "the PDF document has no pages");
}

PdfDocument::~PdfDocument() = default;
PdfDocument::PdfDocument(PdfDocument&&) noexcept = default;

int PdfDocument::pages() const { return impl_->document->pages(); }

Image PdfDocument::render(int index) const {
  std::string where = impl_->name + " page " + std::to_string(index + 1);
  std::unique_ptr<poppler::page> page(impl_->document->create_page(index));
  if (!page) throw ToolError(where, "the page cannot be read");
  poppler::rectf box = page->page_rect();
  check_size(std::uint64_t(box.width() / 72.0 * kPdfDpi + 1),
             std::uint64_t(box.height() / 72.0 * kPdfDpi + 1), where);
  poppler::page_renderer renderer;
  renderer.set_render_hints(poppler::page_renderer::antialiasing |
                            poppler::page_renderer::text_antialiasing);
  renderer.set_image_format(poppler::image::format_argb32);
  renderer.set_paper_color(0xFFFFFFFF);
  poppler::image rendered = renderer.render_page(page.get(), kPdfDpi, kPdfDpi);
  if (!rendered.is_valid() || rendered.format() != poppler::image::format_argb32) {
    throw ToolError(where, "the page cannot be rendered");
  }
  Image image{std::uint32_t(rendered.width()), std::uint32_t(rendered.height()), {}};
  check_size(image.width, image.height, where);
  image.rgba.resize(std::size_t(image.width) * image.height * 4);
  // Each rendered pixel is a native 32-bit 0xAARRGGBB word; on the opaque
  // white paper alpha is always full.
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const char* row = rendered.const_data() + std::size_t(y) * rendered.bytes_per_row();
    for (std::uint32_t x = 0; x < image.width; ++x) {
      std::uint32_t word;
      std::memcpy(&word, row + std::size_t(x) * 4, 4);
      std::uint8_t* out = image.pixel(x, y);
      out[0] = std::uint8_t(word >> 16);
      out[1] = std::uint8_t(word >> 8);
      out[2] = std::uint8_t(word);
      out[3] = 255;
    }
  }
  return image;
}

std::vector<Image> load_sides(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = print::read_file(path);
  std::string name = path.string();
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
  throw ToolError(name, "not a PNG, JPEG or PDF file");
}

void composite_over_white(Image& image) {
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    unsigned alpha = image.rgba[i + 3];
    if (alpha == 255) continue;
    for (int c = 0; c < 3; ++c) {
      image.rgba[i + c] =
          std::uint8_t((image.rgba[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
    image.rgba[i + 3] = 255;
  }
}

void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               int channels, std::span<const std::uint8_t> pixels) {
  static constexpr std::uint32_t formats[] = {0, PNG_FORMAT_GRAY, 0, PNG_FORMAT_RGB,
                                              PNG_FORMAT_RGBA};
  if (channels < 1 || channels > 4 || channels == 2 ||
      pixels.size() != std::size_t(width) * height * std::size_t(channels)) {
    throw ToolError(path.string(), "internal error: pixel buffer does not match the image size");
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = width;
  png.height = height;
  png.format = formats[channels];
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
    throw ToolError(path.string(), std::string("cannot encode PNG: ") + png.message);
  }
  std::vector<std::uint8_t> encoded(size);
  if (!png_image_write_to_memory(&png, encoded.data(), &size, 0, pixels.data(), 0, nullptr)) {
    throw ToolError(path.string(), std::string("cannot encode PNG: ") + png.message);
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    throw ToolError(path.string(), std::string("cannot be written: ") + std::strerror(errno));
  bool written = std::fwrite(encoded.data(), 1, size, file) == size;
  int saved = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    saved = errno;
  }
  if (!written)
    throw ToolError(path.string(), std::string("cannot be written: ") + std::strerror(saved));
}

}  // namespace ymcko::tool
