// Image files made in memory, for the tests and benchmarks of image
// decoding: JPEGs of given samples with an optional ICC profile, PNG chunks
// put after the header chunk, and profiles made by littleCMS.
#pragma once

#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace ymcko::testing {

// A JPEG of `samples` (rows of `width` pixels of `channels` samples in
// `space`), with the profile, if any, in APP2 markers.
inline std::vector<std::uint8_t> jpeg_of(std::span<const std::uint8_t> samples, std::uint32_t width,
                                         int channels, J_COLOR_SPACE space,
                                         std::span<const std::uint8_t> profile = {},
                                         int quality = 100) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = std::uint32_t(samples.size() / (std::size_t(width) * channels));
  info.input_components = channels;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  if (!profile.empty()) jpeg_write_icc_profile(&info, profile.data(), unsigned(profile.size()));
  while (info.next_scanline < info.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(&samples[std::size_t{info.next_scanline} * width * channels]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// The PNG with a chunk put after its header chunk; `corrupt` spoils its
// checksum.
inline std::vector<std::uint8_t> with_chunk(std::vector<std::uint8_t> png, const char* type,
                                            const std::vector<std::uint8_t>& data,
                                            bool corrupt = false) {
  std::vector<std::uint8_t> chunk(type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const std::uint32_t crc = std::uint32_t(crc32(0, chunk.data(), uInt(chunk.size()))) ^ corrupt;
  auto put32 = [&chunk](std::size_t at, std::uint32_t v) {
    const std::uint8_t b[4] = {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                               std::uint8_t(v)};
    chunk.insert(chunk.begin() + std::ptrdiff_t(at), b, b + 4);
  };
  put32(chunk.size(), crc);
  put32(0, std::uint32_t(data.size()));
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());
  return png;
}

// An iCCP chunk's data: a name, the compression method and the profile
// compressed (or `raw` as it is).
inline std::vector<std::uint8_t> iccp(std::span<const std::uint8_t> profile, bool raw = false) {
  std::vector<std::uint8_t> data = {'p', 'h', 'o', 't', 'o', 0, 0};
  if (raw) {
    data.insert(data.end(), profile.begin(), profile.end());
    return data;
  }
  uLongf size = compressBound(uLong(profile.size()));
  std::vector<std::uint8_t> compressed(size);
  compress(compressed.data(), &size, profile.data(), uLong(profile.size()));
  data.insert(data.end(), compressed.begin(), compressed.begin() + std::ptrdiff_t(size));
  return data;
}

// A littleCMS profile's bytes; the profile is closed.
inline std::vector<std::uint8_t> saved(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<std::uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// An RGB profile of the given primaries, a D65 white and one gamma for all
// channels.
inline std::vector<std::uint8_t> rgb_profile(const cmsCIExyYTRIPLE& primaries, double gamma) {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  cmsToneCurve* curves[] = {curve, curve, curve};
  std::vector<std::uint8_t> bytes = saved(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(curve);
  return bytes;
}

inline constexpr cmsCIExyYTRIPLE kWidePrimaries = {
    {0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};

}  // namespace ymcko::testing
