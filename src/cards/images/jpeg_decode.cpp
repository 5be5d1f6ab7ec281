// JPEG decoding over libjpeg: the ICC profile's APP2 markers read, CMYK
// files' inverted inks turned into light, and a stream that ends early
// refused rather than filled with grey.
#include "cards/images/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "cards/images/colour_profile.h"
#include "print/errors.h"

namespace ymcko::cards {
namespace {

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
// profile's markers do not make one. With `header_only`, only the frame's
// width and height are read into `out`. No object with a destructor lives in
// this frame, so the long jump out of libjpeg skips nothing.
bool decode_jpeg_into(const std::uint8_t* data, std::size_t size, Image* out,
                      EmbeddedProfile* profile, bool* broken_profile, char* message,
                      std::size_t message_size, bool header_only = false) {
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
  if (header_only) {
    out->width = info.image_width;
    out->height = info.image_height;
    jpeg_destroy_decompress(&info);
    return true;
  }
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

std::pair<std::uint32_t, std::uint32_t> jpeg_size(std::span<const std::uint8_t> bytes,
                                                  const std::string& name) {
  Image header;
  EmbeddedProfile profile;
  bool broken_profile = false;
  char message[JMSG_LENGTH_MAX + 64];
  if (!decode_jpeg_into(bytes.data(), bytes.size(), &header, &profile, &broken_profile, message,
                        sizeof message, true))
    throw print::Error(name, std::string("not a readable JPEG image: ") + message);
  return {header.width, header.height};
}

Image decode_jpeg(std::span<const std::uint8_t> bytes, const std::string& name) {
  Image image;
  EmbeddedProfile profile;
  bool broken_profile = false;
  char message[JMSG_LENGTH_MAX + 64];
  if (!decode_jpeg_into(bytes.data(), bytes.size(), &image, &profile, &broken_profile, message,
                        sizeof message)) {
    throw print::Error(name, std::string("not a readable JPEG image: ") + message);
  }
  if (broken_profile)
    throw print::Error(name, "the embedded colour profile is damaged: its markers do not make one");
  check_image_size(image.width, image.height, name);
  convert_to_srgb(image, profile, name);
  return image;
}

}  // namespace ymcko::cards
