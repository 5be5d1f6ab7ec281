// Image decoding and PNG writing over libpng, libjpeg and Poppler.
#include "ymcko/image_io.h"

#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

#include <dlfcn.h>
#include <fcntl.h>
#include <jpeglib.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
// After jpeglib.h, which it needs.
#include <jerror.h>
#include <png.h>

#include "print/files.h"
#include "print/session.h"
#include "ymcko/colour_profile.h"
#include "ymcko/errors.h"
#include "ymcko/pdf_module.h"
#include "ymcko/png_fast.h"

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

// Warnings are not printed; the two that mean the data ran out before the
// image did (a truncated file, a header claiming more lines than follow) end
// the decoding, where libjpeg would fill the rest with grey.
void jpeg_message(j_common_ptr info, int level) {
  if (level < 0 &&
      (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER)) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    std::snprintf(errors->message, sizeof errors->message,
                  "the image data ends before its last line");
    std::longjmp(errors->jump, 1);
  }
}

// True when the file holds APP2 markers of an ICC profile.
bool has_profile_markers(const jpeg_decompress_struct& info) {
  static constexpr char kTag[] = "ICC_PROFILE";  // with its terminating zero
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 2 && marker->data_length >= sizeof kTag &&
        std::memcmp(marker->data, kTag, sizeof kTag) == 0)
      return true;
  }
  return false;
}

// Decodes into `out` (RGBA, or inverted CMYK as `profile` says) and its
// embedded profile into `profile`; false with `message` set on a malformed
// stream or an image above the size limit, and `broken_profile` set when the
// profile's markers do not make one. No object with a destructor lives in
// this frame, so the long jump out of libjpeg skips nothing.
bool decode_jpeg_into(const std::uint8_t* data, std::size_t size, Image* out,
                      EmbeddedProfile* profile, bool* broken_profile, char* message,
                      std::size_t message_size) {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jpeg_error_exit;
  errors.manager.emit_message = jpeg_message;
  errors.message[0] = 0;
  if (setjmp(errors.jump)) {
    std::snprintf(message, message_size, "%s", errors.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  profile->samples = cmyk                                     ? Samples::inverted_cmyk
                     : info.jpeg_color_space == JCS_GRAYSCALE ? Samples::grey
                                                              : Samples::rgb;
  JOCTET* icc = nullptr;
  unsigned int icc_size = 0;
  if (jpeg_read_icc_profile(&info, &icc, &icc_size)) {
    *broken_profile = icc_size > kMaxProfileBytes;
    if (!*broken_profile) profile->icc.assign(icc, icc + icc_size);
    std::free(icc);
  } else {
    *broken_profile = has_profile_markers(info);
  }
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
  if (cmyk && !profile->icc.empty()) return true;  // converted by the profile
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

namespace {

// Finishes a libpng read begun on `png` into opaque sRGB RGBA.
Image finish_png(png_image& png, const EmbeddedProfile& profile, const std::string& name) {
  if (std::uint64_t(png.width) * png.height > kMaxImagePixels || png.width == 0 ||
      png.height == 0) {
    png_image_free(&png);
    check_size(png.width, png.height, name);
  }
  png.format = PNG_FORMAT_RGBA;
  // 16-bit samples without a gAMA or sRGB chunk are sRGB values like 8-bit
  // ones; libpng would otherwise take them as linear light.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  Image image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    throw ToolError(name, std::string("not a readable PNG image: ") + png.message);
  }
  convert_to_srgb(image, profile, name);
  composite_over_white(image);
  return image;
}

}  // namespace

Image decode_png(std::span<const std::uint8_t> bytes, const std::string& name) {
  const EmbeddedProfile profile = png_profile(bytes, name);
  if (std::optional<Image> image = decode_png_fast(bytes)) {
    convert_to_srgb(*image, profile, name);
    // The fast path takes RGB (colour type 2, opaque) and RGBA (6).
    if (bytes[25] == 6) composite_over_white(*image);
    return std::move(*image);
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    throw ToolError(name, std::string("not a readable PNG image: ") + png.message);
  }
  return finish_png(png, profile, name);
}

ImageInput::ImageInput(const std::filesystem::path& path)
    : name_(path.string()), file_(nullptr, std::fclose) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ToolError(name_, "is a folder, not a file");
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) throw ToolError(name_, std::string("cannot be opened: ") + std::strerror(errno));
  struct stat status {};
  regular_ = ::fstat(fileno(file_.get()), &status) == 0 && S_ISREG(status.st_mode);
  // Signature and PNG header: enough to tell the format, and a PNG's size.
  head_.resize(24);
  head_.resize(std::fread(head_.data(), 1, head_.size(), file_.get()));
  if (std::ferror(file_.get()))
    throw ToolError(name_, std::string("cannot be read: ") + std::strerror(errno));
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
      throw ToolError(name_, "a PDF document, where one image was expected");
    case ImageFormat::unknown:
      throw ToolError(name_, "not a PNG, JPEG or PDF file");
  }
  auto big_endian = [](const std::uint8_t* p) {
    return std::uint64_t{p[0]} << 24 | std::uint64_t{p[1]} << 16 | std::uint64_t{p[2]} << 8 | p[3];
  };
  const std::uint64_t pixels =
      head_.size() == 24 ? big_endian(&head_[16]) * big_endian(&head_[20]) : 0;
  if (pixels <= kFastPngPixels || !regular_) return decode_png(read_all(), name_);
  // A large image is read by libpng from the file, a few rows at a time.
  const EmbeddedProfile profile = png_profile(file_.get(), name_);
  if (std::fseek(file_.get(), 0, SEEK_SET) != 0)
    throw ToolError(name_, std::string("cannot be read: ") + std::strerror(errno));
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&png, file_.get())) {
    throw ToolError(name_, std::string("not a readable PNG image: ") + png.message);
  }
  return finish_png(png, profile, name_);
}

Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name) {
  Image image;
  EmbeddedProfile profile;
  bool broken_profile = false;
  char message[JMSG_LENGTH_MAX + 64];
  if (!decode_jpeg_into(bytes.data(), bytes.size(), &image, &profile, &broken_profile, message,
                        sizeof message)) {
    throw ToolError(name, std::string("not a readable JPEG image: ") + message);
  }
  if (broken_profile)
    throw ToolError(name, "the embedded colour profile is damaged: its markers do not make one");
  check_size(image.width, image.height, name);
  convert_to_srgb(image, profile, name);
  return image;
}

void* module_entry(const char* module_name, const char* symbol, std::string& failure) {
  std::vector<std::filesystem::path> candidates;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) candidates.push_back(program.parent_path().parent_path() / "lib" / "ymcko");
  candidates.push_back(YMCKO_MODULE_DIR);
  for (const std::filesystem::path& folder : candidates) {
    const std::string path = (folder / module_name).string();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      failure = dlerror();
      continue;
    }
    if (void* entry = dlsym(module, symbol)) return entry;
    failure = path + " has no " + symbol;
  }
  return nullptr;
}

namespace {

// Poppler renders one document at a time here: sides decoded on several
// threads take turns.
std::mutex pdf_lock;

}  // namespace

struct PdfDocument::Impl {
  std::vector<std::uint8_t> bytes;  // the document reads from these while it lives
  std::string name;
  std::chrono::milliseconds page_time_limit;
  std::unique_ptr<pdf::Document> document;
};

PdfDocument::PdfDocument(std::vector<std::uint8_t> bytes, std::string name,
                         std::chrono::milliseconds page_time_limit)
    : impl_(std::make_unique<Impl>()) {
  std::lock_guard guard(pdf_lock);
  impl_->page_time_limit = page_time_limit;
  impl_->bytes = std::move(bytes);
  impl_->name = std::move(name);
  pdf::OpenResult result = pdf::OpenResult::unreadable;
  impl_->document.reset(module_function<pdf::OpenFunction>(
      pdf::kModuleName, pdf::kOpenSymbol, impl_->name, "PDF pages cannot be rendered")(
      impl_->bytes.data(), impl_->bytes.size(), &result));
  switch (result) {
    case pdf::OpenResult::opened:
      break;
    case pdf::OpenResult::unreadable:
      throw ToolError(impl_->name, "not a readable PDF document");
    case pdf::OpenResult::locked:
      throw ToolError(impl_->name, "the PDF document is locked with a password");
    case pdf::OpenResult::no_pages:
      throw ToolError(impl_->name, "the PDF document has no pages");
  }
}

PdfDocument::~PdfDocument() {
  if (!impl_) return;
  std::lock_guard guard(pdf_lock);
  impl_->document.reset();
}

PdfDocument::PdfDocument(PdfDocument&&) noexcept = default;

int PdfDocument::pages() const {
  std::lock_guard guard(pdf_lock);
  return impl_->document->pages();
}

namespace {

// Memory shared with the rendering child: the page's width and height, then
// its pixels.
struct SharedPage {
  void* memory = MAP_FAILED;
  std::size_t size = 0;
  ~SharedPage() {
    if (memory != MAP_FAILED) ::munmap(memory, size);
  }
};

// Renders in a child process that writes the page into `shared` and one byte
// (1 rendered, 0 not) into `done`, then ends without running destructors.
[[noreturn]] void render_in_child(const pdf::Document& document, int index,
                                  std::uint64_t room_pixels, const SharedPage& shared, int done) {
  // The child goes with the tool, and leaves the tool's output files alone.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  pdf::Page page;
  char rendered = document.render(index, kPdfDpi, &page) &&
                  std::uint64_t(page.width) * page.height <= room_pixels;
  if (rendered) {
    auto* bytes = static_cast<std::uint8_t*>(shared.memory);
    std::memcpy(bytes, &page.width, 4);
    std::memcpy(bytes + 4, &page.height, 4);
    std::memcpy(bytes + 8, page.rgba.data(), page.rgba.size());
  }
  [[maybe_unused]] ssize_t ignored = ::write(done, &rendered, 1);
  ::_exit(0);
}

}  // namespace

Image PdfDocument::render(int index) const {
  std::lock_guard guard(pdf_lock);
  std::string where = impl_->name + " page " + std::to_string(index + 1);
  double width = 0, height = 0;
  if (!impl_->document->page_size(index, &width, &height))
    throw ToolError(where, "the page cannot be read");
  const std::uint64_t columns = std::uint64_t(width / 72.0 * kPdfDpi + 1);
  const std::uint64_t rows = std::uint64_t(height / 72.0 * kPdfDpi + 1);
  check_size(columns, rows, where);

  // Room for the page as Poppler rounds its size, in memory the child shares.
  const std::uint64_t room_pixels = (columns + 2) * (rows + 2);
  SharedPage shared;
  shared.size = 8 + room_pixels * 4;
  shared.memory =
      ::mmap(nullptr, shared.size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  int done[2];
  if (shared.memory == MAP_FAILED || ::pipe2(done, O_CLOEXEC) != 0)
    throw ToolError(where, std::string("cannot be rendered: ") + std::strerror(errno));
  const pid_t child = ::fork();
  if (child == 0) render_in_child(*impl_->document, index, room_pixels, shared, done[1]);
  ::close(done[1]);
  if (child < 0) {
    ::close(done[0]);
    throw ToolError(where, std::string("cannot be rendered: ") + std::strerror(errno));
  }

  // The child's byte, or nothing when it ended without one or the time ran out.
  const auto deadline = std::chrono::steady_clock::now() + impl_->page_time_limit;
  char rendered = 0;
  bool answered = false, late = false;
  while (true) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wait{done[0], POLLIN, 0};
    const int ready = left.count() > 0
                          ? ::poll(&wait, 1, int(std::min<std::int64_t>(left.count(), INT32_MAX)))
                          : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) late = true;
    if (ready > 0) answered = ::read(done[0], &rendered, 1) == 1;
    break;
  }
  ::close(done[0]);
  if (late) ::kill(child, SIGKILL);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (late) {
    throw ToolError(where, "rendering takes longer than the " +
                               std::to_string(impl_->page_time_limit.count() / 1000) +
                               " s a page may take");
  }
  if (!answered || !rendered) throw ToolError(where, "the page cannot be rendered");
  Image image;
  const auto* bytes = static_cast<const std::uint8_t*>(shared.memory);
  std::memcpy(&image.width, bytes, 4);
  std::memcpy(&image.height, bytes + 4, 4);
  check_size(image.width, image.height, where);
  if (std::uint64_t(image.width) * image.height > room_pixels)
    throw ToolError(where, "the page cannot be rendered");
  image.rgba.assign(bytes + 8, bytes + 8 + std::size_t(image.width) * image.height * 4);
  return image;
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
  throw ToolError(name, "not a PNG, JPEG or PDF file");
}

void composite_over_white(Image& image) { print::composite_over_white(image.rgba); }

namespace {

// The pixels as PNG bytes; `name` is the output named in errors.
std::vector<std::uint8_t> encode_png(const std::string& name, std::uint32_t width,
                                     std::uint32_t height, int channels,
                                     std::span<const std::uint8_t> pixels) {
  static constexpr std::uint32_t formats[] = {0, PNG_FORMAT_GRAY, 0, PNG_FORMAT_RGB,
                                              PNG_FORMAT_RGBA};
  if (channels < 1 || channels > 4 || channels == 2 ||
      pixels.size() != std::size_t(width) * height * std::size_t(channels)) {
    throw ToolError(name, "internal error: pixel buffer does not match the image size");
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = width;
  png.height = height;
  png.format = formats[channels];
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
    throw ToolError(name, std::string("cannot encode PNG: ") + png.message);
  }
  std::vector<std::uint8_t> encoded(size);
  if (!png_image_write_to_memory(&png, encoded.data(), &size, 0, pixels.data(), 0, nullptr)) {
    throw ToolError(name, std::string("cannot encode PNG: ") + png.message);
  }
  encoded.resize(size);
  return encoded;
}

}  // namespace

std::vector<std::uint8_t> without_colour_profile(std::vector<std::uint8_t> bytes,
                                                 const std::string& name) {
  if (!has_colour_profile(bytes)) return bytes;
  const Image image =
      sniff_format(bytes) == ImageFormat::png ? decode_png(bytes, name) : decode_jpeg(bytes, name);
  return encode_png(name, image.width, image.height, 4, image.rgba);
}

void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               int channels, std::span<const std::uint8_t> pixels) {
  const std::vector<std::uint8_t> encoded =
      encode_png(path.string(), width, height, channels, pixels);
  const std::size_t size = encoded.size();
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
