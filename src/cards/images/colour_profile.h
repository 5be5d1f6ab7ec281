// Embedded ICC colour profiles: found in PNG and JPEG files and applied with
// littleCMS, so that every image reaches the card as sRGB.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "cards/images/image.h"
#include "cards/images/png_chunks.h"

namespace ymcko::cards {

// What the four bytes of a decoded pixel hold before conversion: red,
// green, blue and alpha; a grey level in the first three and alpha; or the
// inverted inks (255 is no ink) of a CMYK JPEG.
enum class Samples { rgb, grey, inverted_cmyk };

// A profile as the file holds it; no bytes means the file has none.
struct EmbeddedProfile {
  std::vector<std::uint8_t> icc;
  Samples samples = Samples::rgb;
};

// Largest profile accepted, in bytes: libpng's limit for a chunk.
inline constexpr std::size_t kMaxProfileBytes = 8'000'000;

// The profile of a PNG's iCCP chunk, inflated, and whether the image is
// grey, read from the chunks before the image data. A file that ends or
// goes wrong before its image data has no profile here: the decoder reports
// what is wrong with it. Throws print::Error naming `name` when the
// profile's chunk is damaged.
EmbeddedProfile png_profile(const PngBytes& png, const std::string& name);

// True when a PNG or JPEG file embeds a colour profile (before its image
// data), whatever the profile says.
bool has_colour_profile(std::span<const std::uint8_t> bytes);

// Converts the pixels from the embedded profile to sRGB in place, with the
// perceptual intent, keeping alpha (CMYK becomes opaque). Nothing happens
// without a profile or for a profile that describes sRGB itself. Throws
// print::Error naming `name` when the profile cannot be read or does not fit
// the image's colours.
void convert_to_srgb(Image& image, const EmbeddedProfile& profile, const std::string& name);

}  // namespace ymcko::cards
