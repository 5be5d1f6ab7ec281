// Embedded colour profiles: PNG and JPEG photos with a profile decode to the
// colours littleCMS gives for them in sRGB; sRGB and no profile change
// nothing; a damaged or unfitting profile is refused naming the file.
#include "cards/images/colour_profile.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>

#include <array>
#include <cstring>

#include "cards/images/image.h"
#include "cards/images/image_file.h"
#include "cards/images/jpeg_decode.h"
#include "cards/images/png_decode.h"
#include "cards/images/png_fast.h"
#include "cards/images/png_write.h"
#include "print/errors.h"
#include "print/files.h"
#include "support/image_files.h"
#include "support/scratch.h"

namespace {

using namespace ymcko::cards;
using ymcko::testing::ScratchFolder;
using Bytes = std::vector<std::uint8_t>;
using ymcko::testing::iccp;
using ymcko::testing::jpeg_of;
using ymcko::testing::kWidePrimaries;
using ymcko::testing::rgb_profile;
using ymcko::testing::saved;
using ymcko::testing::with_chunk;

const cmsCIExyYTRIPLE kSrgbPrimaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};

Bytes linear_grey_profile() {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.0);
  Bytes bytes = saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
  cmsFreeToneCurve(curve);
  return bytes;
}

// The colours every case draws: black, white, mid grey, the primaries,
// and a few in between; the last is half transparent in RGBA images.
const std::uint8_t kColours[][4] = {{0, 0, 0, 255},      {255, 255, 255, 255}, {128, 128, 128, 255},
                                    {255, 0, 0, 255},    {0, 255, 0, 255},     {0, 0, 255, 255},
                                    {200, 120, 40, 255}, {30, 200, 220, 255},  {90, 40, 160, 128}};
constexpr std::uint32_t kColourCount = std::size(kColours);
constexpr std::uint32_t kBlock = 8;  // each colour as a block, for JPEG's sake

// A picture of kColours side by side in blocks, repeated `repeat` times
// across and `rows` blocks down, as RGBA (grey takes each colour's first
// channel, and only RGBA is transparent) and in the file's channels.
struct Drawing {
  Image rgba;
  Bytes samples;
};

Drawing drawn(int channels, std::uint32_t repeat = 1, std::uint32_t rows = 1) {
  Drawing drawing{{kColourCount * kBlock * repeat, kBlock * rows, {}}, {}};
  for (std::uint32_t y = 0; y < drawing.rgba.height; ++y) {
    for (std::uint32_t x = 0; x < drawing.rgba.width; ++x) {
      const std::uint8_t* colour = kColours[(x / kBlock) % kColourCount];
      drawing.samples.insert(drawing.samples.end(), colour, colour + channels);
      for (int k = 0; k < 3; ++k) drawing.rgba.rgba.push_back(colour[channels == 1 ? 0 : k]);
      drawing.rgba.rgba.push_back(channels == 4 ? colour[3] : 255);
    }
  }
  return drawing;
}

Bytes png_file(const ScratchFolder& folder, const Drawing& drawing, int channels) {
  const std::filesystem::path path = folder / "plain.png";
  write_png(path, drawing.rgba.width, drawing.rgba.height, channels, drawing.samples);
  return ymcko::print::read_file(path, ymcko::print::kImageFileLimit);
}

// The drawn colours as a JPEG.
Bytes jpeg_file(int channels, const Bytes& profile) {
  return jpeg_of(drawn(channels).samples, kColourCount * kBlock, channels,
                 channels == 1 ? JCS_GRAYSCALE : JCS_RGB, profile);
}

// What littleCMS makes of the decoded pixels in sRGB: each pixel's colour
// (or grey, its first byte) converted from the profile, if any, alpha kept,
// then put over white as every decoded image is.
Image converted(Image image, const Bytes& profile, bool grey) {
  if (profile.empty()) {
    composite_over_white(image);
    return image;
  }
  cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform = cmsCreateTransform(source, grey ? TYPE_GRAY_8 : TYPE_RGB_8, srgb,
                                               TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    std::uint8_t out[3];
    cmsDoTransform(transform, &image.rgba[i], out, 1);
    std::memcpy(&image.rgba[i], out, 3);
  }
  cmsDeleteTransform(transform);
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);
  composite_over_white(image);
  return image;
}

// Checks the decoded image against the expected pixels and shows the first
// pixel that differs.
void expect_pixels(const Image& image, const Image& expected) {
  ASSERT_EQ(image.width, expected.width);
  ASSERT_EQ(image.height, expected.height);
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    if (std::memcmp(&image.rgba[i], &expected.rgba[i], 4) != 0) {
      ADD_FAILURE() << "pixel " << i / 4 % image.width << "," << i / 4 / image.width << " is "
                    << int(image.rgba[i]) << " " << int(image.rgba[i + 1]) << " "
                    << int(image.rgba[i + 2]) << " " << int(image.rgba[i + 3]) << ", expected "
                    << int(expected.rgba[i]) << " " << int(expected.rgba[i + 1]) << " "
                    << int(expected.rgba[i + 2]) << " " << int(expected.rgba[i + 3]);
      return;
    }
  }
}

TEST(ColourProfile, PhotosDecodeToTheirSrgbColours) {
  ScratchFolder folder;
  const Bytes linear = rgb_profile(kSrgbPrimaries, 1.0);
  const Bytes wide = rgb_profile(kWidePrimaries, 2.2);
  const Bytes srgb = saved(cmsCreate_sRGBProfile());
  const Bytes grey_linear = linear_grey_profile();
  enum Format { png, large_png, jpeg };
  struct Case {
    const char* name;
    Format format;
    int channels;
    Bytes profile;       // none: the file has none
    bool converted;      // or the pixels stay as they are
    int mid_grey;        // what 128 grey becomes, where known (-1: not checked)
    bool gamma = false;  // a gAMA chunk of linear light too, which the profile overrides
  };
  const Case cases[] = {
      {"PNG, RGB, linear light", png, 3, linear, true, 188},
      {"PNG, RGBA, linear light", png, 4, linear, true, 188},
      {"PNG, RGB, wide gamut", png, 3, wide, true, -1},
      {"PNG, grey, linear light", png, 1, grey_linear, true, 188},
      {"PNG, grey, RGB profile", png, 1, linear, true, 188},
      {"PNG, RGB, sRGB profile", png, 3, srgb, false, 128},
      {"PNG, RGB, no profile", png, 3, {}, false, 128},
      {"PNG read from the file, linear light", large_png, 3, linear, true, 188},
      {"PNG, RGB, linear light, and a gamma", png, 3, linear, true, 188, true},
      {"JPEG, RGB, linear light", jpeg, 3, linear, true, -1},
      {"JPEG, RGB, wide gamut", jpeg, 3, wide, true, -1},
      {"JPEG, grey, linear light", jpeg, 1, grey_linear, true, -1},
      {"JPEG, RGB, sRGB profile", jpeg, 3, srgb, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Large enough for libpng to read it from the file.
    const Drawing drawing = c.format == large_png ? drawn(c.channels, 100, 80) : drawn(c.channels);
    ASSERT_TRUE(c.format != large_png ||
                std::uint64_t{drawing.rgba.width} * drawing.rgba.height > kFastPngPixels);
    const Bytes plain =
        c.format == jpeg ? jpeg_file(c.channels, {}) : png_file(folder, drawing, c.channels);
    Bytes file = c.profile.empty()  ? plain
                 : c.format == jpeg ? jpeg_file(c.channels, c.profile)
                                    : with_chunk(plain, "iCCP", iccp(c.profile));
    if (c.gamma) file = with_chunk(file, "gAMA", {0, 1, 0x86, 0xA0});
    ymcko::testing::write_bytes(folder / "photo", file);
    ymcko::testing::write_bytes(folder / "plain", plain);
    const Image image = load_sides(folder / "photo").at(0);
    // JPEG's pixels are what its decoder makes of them; a PNG holds them as drawn.
    const Image before = c.format == jpeg ? load_sides(folder / "plain").at(0) : drawing.rgba;
    expect_pixels(image, converted(before, c.converted ? c.profile : Bytes{},
                                   c.channels == 1 && c.profile == grey_linear));
    if (c.mid_grey >= 0) {
      const std::uint8_t* grey = image.pixel(2 * kBlock + 1, 1);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(grey[k], c.mid_grey, 1);
    }
  }
}

// A CMYK profile whose table makes lightness from the inks' coverage and
// colour from their balance: no press's, but any fault shows.
Bytes cmyk_profile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 2.1);  // a table alone is saved as a version 2 lut16
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, 2, 4, 3, nullptr);
  cmsStageSampleCLut16bit(
      table,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void*) -> cmsInt32Number {
        const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0,
                     k = in[3] / 65535.0;
        const cmsCIELab lab = {100 * (1 - c) * (1 - m) * (1 - y) * (1 - k),
                               60 * (m - (c + y) / 2) * (1 - k), 60 * (y - (c + m) / 2) * (1 - k)};
        cmsFloat2LabEncoded(out, &lab);
        return TRUE;
      },
      nullptr, 0);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, table);
  cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
  cmsPipelineFree(pipeline);
  return saved(profile);
}

// A CMYK JPEG of flat blocks, stored inverted (255 is no ink) as such files
// are, with the profile, if any.
Bytes cmyk_jpeg(const std::vector<std::array<std::uint8_t, 4>>& inks, const Bytes& profile) {
  const std::uint32_t width = std::uint32_t(inks.size()) * kBlock;
  Bytes samples;
  for (std::uint32_t y = 0; y < kBlock; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      for (std::uint8_t ink : inks[x / kBlock]) samples.push_back(std::uint8_t(255 - ink));
    }
  }
  return jpeg_of(samples, width, 4, JCS_CMYK, profile);
}

// CMYK JPEGs with a CMYK profile take its colours; without one, the plain
// formula of remaining light stays.
TEST(ColourProfile, CmykJpegsTakeTheirProfilesColours) {
  ScratchFolder folder;
  const std::vector<std::array<std::uint8_t, 4>> inks = {{0, 0, 0, 0},   {255, 0, 0, 0},
                                                         {0, 255, 0, 0}, {0, 0, 255, 0},
                                                         {0, 0, 0, 255}, {40, 90, 160, 20}};
  const Bytes profile = cmyk_profile();
  cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform =
      cmsCreateTransform(source, TYPE_CMYK_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(transform, nullptr);
  for (bool with_profile : {true, false}) {
    SCOPED_TRACE(with_profile ? "with a profile" : "without a profile");
    ymcko::testing::write_bytes(folder / "cmyk.jpg",
                                cmyk_jpeg(inks, with_profile ? profile : Bytes{}));
    const Image image = load_sides(folder / "cmyk.jpg").at(0);
    for (std::size_t i = 0; i < inks.size(); ++i) {
      SCOPED_TRACE(i);
      std::uint8_t expected[3];
      if (with_profile) {
        cmsDoTransform(transform, inks[i].data(), expected, 1);
      } else {
        for (int c = 0; c < 3; ++c)
          expected[c] = std::uint8_t(((255 - inks[i][c]) * (255 - inks[i][3]) + 127) / 255);
      }
      const std::uint8_t* pixel = image.pixel(std::uint32_t(i) * kBlock + kBlock / 2, kBlock / 2);
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], expected[c], 3) << "channel " << c;
      EXPECT_EQ(pixel[3], 255);
    }
  }
  cmsDeleteTransform(transform);
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);
}

// Renderers that ignore profiles (a template's photos) get the file as it
// is without a profile, else a plain PNG of the converted pixels.
TEST(ColourProfile, FilesForRenderersLoseTheirProfile) {
  ScratchFolder folder;
  const Bytes linear = rgb_profile(kSrgbPrimaries, 1.0);
  const Bytes png = png_file(folder, drawn(4), 4);
  struct Case {
    const char* name;
    Bytes bytes;
    bool kept;  // the bytes come back as they are
  };
  const Case cases[] = {
      {"PNG without a profile", png, true},
      {"JPEG without a profile", jpeg_file(3, {}), true},
      {"PNG with a profile", with_chunk(png, "iCCP", iccp(linear)), false},
      {"PNG with an sRGB profile", with_chunk(png, "iCCP", iccp(saved(cmsCreate_sRGBProfile()))),
       false},
      {"JPEG with a profile", jpeg_file(3, linear), false},
      {"not an image", Bytes{'h', 'i'}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes out = without_colour_profile(c.bytes, "photo");
    if (c.kept) {
      EXPECT_TRUE(out == c.bytes);
      continue;
    }
    EXPECT_FALSE(has_colour_profile(out));
    expect_pixels(decode_png(out, "out"), sniff_format(c.bytes) == ImageFormat::png
                                              ? decode_png(c.bytes, "in")
                                              : decode_jpeg(c.bytes, "in"));
  }
}

TEST(ColourProfile, UnusableProfilesAreRefusedNamingTheFile) {
  ScratchFolder folder;
  const Bytes rgb = png_file(folder, drawn(3), 3);
  const Bytes linear = rgb_profile(kSrgbPrimaries, 1.0);
  const Bytes nonsense(200, 7);
  const Bytes compressed = iccp(linear);
  Bytes jpeg_nonsense = jpeg_file(3, nonsense);
  struct Case {
    const char* name;
    Bytes bytes;
    const char* message;
  };
  const Case cases[] = {
      {"checksum.png", with_chunk(rgb, "iCCP", iccp(linear), true),
       "the embedded colour profile is damaged: its chunk's checksum is wrong"},
      {"uncompressed.png", with_chunk(rgb, "iCCP", iccp(linear, true)),
       "the embedded colour profile is damaged: its compressed data is not whole"},
      {"cut.png", with_chunk(rgb, "iCCP", Bytes(compressed.begin(), compressed.end() - 20)),
       "the embedded colour profile is damaged: its compressed data is not whole"},
      {"no-name.png", with_chunk(rgb, "iCCP", Bytes{0, 0, 1, 2}),
       "the embedded colour profile is damaged: its chunk does not start with a name"},
      {"nonsense.png", with_chunk(rgb, "iCCP", iccp(nonsense)),
       "the embedded colour profile cannot be read"},
      {"grey-profile.png", with_chunk(rgb, "iCCP", iccp(linear_grey_profile())),
       "the embedded colour profile is for grey colours, and the image is RGB"},
      {"nonsense.jpg", jpeg_nonsense, "the embedded colour profile cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ymcko::testing::write_bytes(folder / c.name, c.bytes);
    try {
      load_sides(folder / c.name);
      ADD_FAILURE() << "accepted";
    } catch (const ymcko::print::Error& error) {
      EXPECT_EQ(error.input(), (folder / c.name).string());
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
