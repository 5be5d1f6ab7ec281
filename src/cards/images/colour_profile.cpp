// Embedded colour profiles over zlib (PNG's iCCP chunk) and littleCMS.
#include "cards/images/colour_profile.h"

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "cards/images/png_chunks.h"
#include "print/errors.h"

namespace ymcko::cards {
namespace {

print::Error damaged(const std::string& name, const std::string& what) {
  return print::Error(name, "the embedded colour profile is damaged: " + what);
}

// The iCCP chunk's data: a name of 1 to 79 bytes and a zero, the compression
// method (0, zlib) and the compressed profile.
std::vector<std::uint8_t> inflate_profile(std::span<const std::uint8_t> data,
                                          const std::string& name) {
  const auto* end_of_name = static_cast<const std::uint8_t*>(
      std::memchr(data.data(), 0, std::min<std::size_t>(data.size(), 80)));
  if (end_of_name == nullptr || end_of_name == data.data() ||
      std::size_t(end_of_name - data.data()) + 2 > data.size() || end_of_name[1] != 0)
    throw damaged(name, "its chunk does not start with a name and the compression method");
  const std::span<const std::uint8_t> compressed =
      data.subspan(std::size_t(end_of_name - data.data()) + 2);

  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw damaged(name, "it cannot be inflated");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = uInt(compressed.size());
  std::vector<std::uint8_t> profile;
  int result = Z_OK;
  while (result == Z_OK) {
    if (profile.size() == kMaxProfileBytes)
      throw damaged(name,
                    "it inflates to more than " + std::to_string(kMaxProfileBytes) + " bytes");
    const std::size_t done = profile.size();
    profile.resize(std::min(kMaxProfileBytes, std::max<std::size_t>(2 * done, 4096)));
    stream.next_out = profile.data() + done;
    stream.avail_out = uInt(profile.size() - done);
    result = inflate(&stream, Z_NO_FLUSH);
    profile.resize(profile.size() - stream.avail_out);
    if (result == Z_BUF_ERROR && stream.avail_in > 0) result = Z_OK;  // room ran out
  }
  if (result != Z_STREAM_END) throw damaged(name, "its compressed data is not whole");
  return profile;
}

// The profile of the chunks before the image data.
EmbeddedProfile find_png_profile(const PngBytes& png, const std::string& name) {
  EmbeddedProfile profile;
  const std::optional<PngHeader> header = read_png_header(png);
  if (!header) return profile;
  profile.samples =
      header->colour_type == 0 || header->colour_type == 4 ? Samples::grey : Samples::rgb;
  PngChunks chunks(png);
  std::vector<std::uint8_t> copy;
  while (const std::optional<PngChunk> chunk = chunks.next()) {
    if (chunk->is("IDAT") || chunk->is("IEND")) break;
    if (!chunk->is("iCCP")) continue;
    if (chunk->length > kMaxProfileBytes)
      throw damaged(name,
                    "its chunk is larger than " + std::to_string(kMaxProfileBytes) + " bytes");
    const std::optional<std::span<const std::uint8_t>> data = chunks.data(*chunk, copy);
    if (!data) throw damaged(name, "its chunk's checksum is wrong");
    profile.icc = inflate_profile(*data, name);
    break;
  }
  return profile;
}

// littleCMS handles released in the order they were made in reverse: the
// transform and profiles before their context.
struct DeleteContext {
  void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
struct CloseProfile {
  void operator()(cmsHPROFILE profile) const { cmsCloseProfile(profile); }
};
struct DeleteTransform {
  void operator()(cmsHTRANSFORM transform) const { cmsDeleteTransform(transform); }
};
struct FreeCurve {
  void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using Context = std::unique_ptr<_cmsContext_struct, DeleteContext>;
using Profile = std::unique_ptr<void, CloseProfile>;
using Transform = std::unique_ptr<void, DeleteTransform>;
using Curve = std::unique_ptr<cmsToneCurve, FreeCurve>;

// Keeps littleCMS's first error message for the one line the person reads.
void keep_error(cmsContext context, cmsUInt32Number, const char* text) {
  auto* message = static_cast<std::string*>(cmsGetContextUserData(context));
  if (message->empty()) *message = text;
}

std::string space_name(cmsColorSpaceSignature space) {
  switch (space) {
    case cmsSigRgbData:
      return "RGB";
    case cmsSigGrayData:
      return "grey";
    case cmsSigCmykData:
      return "CMYK";
    default:
      break;
  }
  // Otherwise the four letters of its signature.
  std::string letters;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char letter = char((std::uint32_t(space) >> shift) & 0xFF);
    letters += letter >= ' ' && letter <= '~' ? letter : '?';
  }
  while (!letters.empty() && letters.back() == ' ') letters.pop_back();
  return "'" + letters + "'";
}

// sRGB's colorants and its curve reversed, from light back to 8-bit levels
// (0 to 255 for each 16-bit light value), made once and only read after.
struct SrgbReference {
  cmsCIEXYZ colorants[3];
  std::vector<std::uint8_t> level_of_light;
};

const SrgbReference& srgb_reference() {
  static const SrgbReference reference = [] {
    SrgbReference made{};
    const Profile srgb(cmsCreate_sRGBProfile());
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (int i = 0; i < 3; ++i) {
      if (const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), tags[i])))
        made.colorants[i] = *xyz;
    }
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), cmsSigRedTRCTag));
    const Curve back(curve != nullptr ? cmsReverseToneCurve(curve) : nullptr);
    if (back) {
      made.level_of_light.resize(65536);
      for (std::uint32_t light = 0; light < 65536; ++light) {
        made.level_of_light[light] =
            std::uint8_t((cmsEvalToneCurve16(back.get(), cmsUInt16Number(light)) + 128u) / 257u);
      }
    }
    return made;
  }();
  return reference;
}

// True when a matrix-and-curves profile gives the colours sRGB gives: its
// colorants within 0.001 of sRGB's and every 8-bit level through its
// curve and back through sRGB's lands on itself, so converting would change
// no byte beyond the transform's own rounding. Profiles with tables are
// converted whatever they say.
bool describes_srgb(cmsHPROFILE profile, bool grey) {
  if (!cmsIsMatrixShaper(profile) || cmsIsTag(profile, cmsSigAToB0Tag)) return false;
  const SrgbReference& srgb = srgb_reference();
  if (srgb.level_of_light.empty()) return false;
  if (!grey) {
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (int i = 0; i < 3; ++i) {
      const auto* ours = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[i]));
      const cmsCIEXYZ& theirs = srgb.colorants[i];
      if (ours == nullptr || std::fabs(ours->X - theirs.X) > 0.001 ||
          std::fabs(ours->Y - theirs.Y) > 0.001 || std::fabs(ours->Z - theirs.Z) > 0.001)
        return false;
    }
  }
  const cmsTagSignature colour_curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  const cmsTagSignature grey_curve[] = {cmsSigGrayTRCTag};
  for (cmsTagSignature tag : grey ? std::span<const cmsTagSignature>(grey_curve)
                                  : std::span<const cmsTagSignature>(colour_curves)) {
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    if (curve == nullptr) return false;
    for (unsigned level = 0; level < 256; ++level) {
      if (srgb.level_of_light[cmsEvalToneCurve16(curve, cmsUInt16Number(level * 257))] != level)
        return false;
    }
  }
  return true;
}

}  // namespace

EmbeddedProfile png_profile(const PngBytes& png, const std::string& name) {
  return find_png_profile(png, name);
}

bool has_colour_profile(std::span<const std::uint8_t> bytes) {
  switch (sniff_format(bytes)) {
    case ImageFormat::png: {
      const PngBytes png(bytes);
      PngChunks chunks(png);
      while (const std::optional<PngChunk> chunk = chunks.next()) {
        if (chunk->is("iCCP")) return true;
        if (chunk->is("IDAT")) break;
      }
    }
      return false;
    case ImageFormat::jpeg:
      break;
    default:
      return false;
  }
  // JPEG segments up to the scan: a marker, its length (which counts
  // itself) and its data; the profile's APP2 data opens with its tag.
  static constexpr char kTag[] = "ICC_PROFILE";  // with its terminating zero
  for (std::size_t at = 2; bytes.size() - at >= 4 && bytes[at] == 0xFF;) {
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // start of scan, end of image
    const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    if (marker == 0xE2 && length >= 2 + sizeof kTag && bytes.size() - at - 4 >= sizeof kTag &&
        std::memcmp(&bytes[at + 4], kTag, sizeof kTag) == 0)
      return true;
    if (bytes.size() - at - 2 < length) return false;
    at += 2 + length;
  }
  return false;
}

void convert_to_srgb(Image& image, const EmbeddedProfile& profile, const std::string& name) {
  if (profile.icc.empty()) return;
  std::string message;
  const Context context(cmsCreateContext(nullptr, &message));
  if (!context)
    throw print::Error(name, "the embedded colour profile cannot be used: out of memory");
  cmsSetLogErrorHandlerTHR(context.get(), keep_error);
  auto failed = [&](const std::string& what) {
    return print::Error(
        name, "the embedded colour profile " + what + (message.empty() ? "" : ": " + message));
  };

  const Profile source(cmsOpenProfileFromMemTHR(context.get(), profile.icc.data(),
                                                cmsUInt32Number(profile.icc.size())));
  if (!source) throw failed("cannot be read");
  // The pixel layout littleCMS reads: a grey image is read from its first
  // byte, the other three skipped; alpha is put back below.
  const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
  cmsUInt32Number format = 0;
  if (space == cmsSigRgbData && profile.samples != Samples::inverted_cmyk) {
    format = TYPE_RGBA_8;
  } else if (space == cmsSigGrayData && profile.samples == Samples::grey) {
    format = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
  } else if (space == cmsSigCmykData && profile.samples == Samples::inverted_cmyk) {
    format = TYPE_CMYK_8_REV;
  } else {
    const char* image_space = profile.samples == Samples::rgb    ? "RGB"
                              : profile.samples == Samples::grey ? "grey"
                                                                 : "CMYK";
    throw print::Error(name, "the embedded colour profile is for " + space_name(space) +
                                 " colours, and the image is " + image_space);
  }
  if (profile.samples != Samples::inverted_cmyk &&
      describes_srgb(source.get(), space == cmsSigGrayData))
    return;
  const Profile srgb(cmsCreate_sRGBProfileTHR(context.get()));
  if (!srgb) throw failed("cannot be used");

  // Perceptual: a profile with tables for it maps colours outside sRGB
  // smoothly into it; for matrix profiles, most photos', it is the
  // colorimetric mapping.
  const Transform transform(cmsCreateTransformTHR(context.get(), source.get(), format, srgb.get(),
                                                  TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
  if (!transform) throw failed("cannot be used");
  std::vector<std::uint8_t> row(std::size_t{image.width} * 3);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    std::uint8_t* pixels = image.pixel(0, y);
    cmsDoTransform(transform.get(), pixels, row.data(), image.width);
    for (std::uint32_t x = 0; x < image.width; ++x) {
      std::memcpy(pixels + 4 * std::size_t{x}, &row[3 * std::size_t{x}], 3);
      if (profile.samples == Samples::inverted_cmyk) pixels[4 * std::size_t{x} + 3] = 255;
    }
  }
}

}  // namespace ymcko::cards
