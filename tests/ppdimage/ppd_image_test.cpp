// Unpacking validates every offset of the image, and readers never leave it.
#include "ppdimage/ppd_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ppdimage/ppd_query.h"
#include "support/image_builder.h"

namespace {

using ymcko::ppd_view;
using ymcko::testing::ImageBuilder;

std::vector<BYTE> card_image() {
  ImageBuilder b;
  b.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"CR_80", "CR-80", ""}}});
  b.features.push_back({"Color", UIGRP_GENERIC, 0, true, {{"On", "", "x"}}});
  b.constraints.push_back({0, 0, 1, 0});
  return b.build();
}

PPDDATA* header(std::vector<BYTE>& bytes) { return reinterpret_cast<PPDDATA*>(bytes.data()); }

DWORD u32(const std::vector<BYTE>& bytes, std::size_t at) {
  DWORD v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

void set_u32(std::vector<BYTE>& bytes, std::size_t at, DWORD v) {
  std::memcpy(bytes.data() + at, &v, 4);
}

TEST(Unpack, FillsThePredefinedFeatures) {
  auto bytes = card_image();
  ppd_view image(bytes);
  EXPECT_EQ(header(bytes)->pPredefGroups[UIGRP_PAGESIZE], header(bytes)->pUiGroups);
  for (WORD i = 1; i < 7; ++i) EXPECT_EQ(header(bytes)->pPredefGroups[i], 0u) << i;
  EXPECT_STREQ(image.predefined(UIGRP_PAGESIZE).name(), "PageSize");

  auto before = bytes;
  UnpackPpdData(bytes);
  EXPECT_EQ(bytes, before) << "unpacking twice changes nothing";
}

TEST(Unpack, OffsetsOutsideTheImageBecomeAbsent) {
  struct Case {
    const char* name;
    std::size_t field;  // byte of the image holding an offset
    DWORD value;        // relative to cbSize when `from_end`
    bool from_end;
  };
  const DWORD group = 0;  // resolved below
  (void)group;
  const Case cases[] = {
      {"feature list beyond the end", offsetof(PPDDATA, pUiGroups), 8, true},
      {"feature list at the very end", offsetof(PPDDATA, pUiGroups), 0, true},
      {"feature record cut short", offsetof(PPDDATA, pUiGroups), DWORD(-20), true},
      {"nickname beyond the end", offsetof(PPDDATA, pstrNickName), 1, true},
      {"constraint table cut short", offsetof(PPDDATA, pUiConstraints), DWORD(-2), true},
      {"font list at the header", offsetof(PPDDATA, pDevFonts), 4, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = card_image();
    DWORD size = header(bytes)->cbSize;
    set_u32(bytes, c.field, c.from_end ? size + c.value : c.value);
    UnpackPpdData(bytes);
    EXPECT_EQ(u32(bytes, c.field), 0u);
  }
}

TEST(Unpack, UnterminatedStringsAndBackwardLinksAreCut) {
  auto bytes = card_image();
  DWORD feature = header(bytes)->pUiGroups;
  // The last byte of the image made non-zero: a string there never ends.
  DWORD size = header(bytes)->cbSize;
  bytes[size - 1] = 'x';
  set_u32(bytes, feature + offsetof(ymcko::image_uigroup, pstrTranslation), size - 1);
  // The second feature's link pointing back at the first.
  DWORD second = u32(bytes, feature);
  ASSERT_NE(second, 0u);
  set_u32(bytes, second, feature);
  UnpackPpdData(bytes);
  EXPECT_EQ(u32(bytes, feature + offsetof(ymcko::image_uigroup, pstrTranslation)), 0u);
  EXPECT_EQ(u32(bytes, second), 0u);
  EXPECT_EQ(LISTOBJ_Count(ppd_view(bytes).features()), 2u);
}

TEST(Unpack, ConstraintTableWithTooManyEntriesIsDropped) {
  auto bytes = card_image();
  DWORD table = header(bytes)->pUiConstraints;
  WORD many = 5000;
  std::memcpy(bytes.data() + table, &many, 2);
  UnpackPpdData(bytes);
  EXPECT_EQ(header(bytes)->pUiConstraints, 0u);
  EXPECT_EQ(ppd_view(bytes).constraint_count(), 0u);
}

TEST(View, TakesTheLengthItIsGivenNotTheImagesOwn) {
  auto bytes = card_image();
  EXPECT_FALSE(ppd_view(std::span<const BYTE>(bytes.data(), 100)).valid())
      << "no room for a header";
  EXPECT_FALSE(ppd_view(nullptr, 0).valid());
  EXPECT_TRUE(ppd_view(bytes).valid());

  // A view one byte short of the image reads nothing from that byte on,
  // and one whose image claims a larger size reads no further.
  const std::size_t last = bytes.size() - 4;
  const ppd_view short_view(std::span<const BYTE>(bytes.data(), bytes.size() - 1));
  EXPECT_EQ(short_view.u32(last), 0u);
  EXPECT_FALSE(short_view.holds(DWORD(last), 4));
  set_u32(bytes, offsetof(PPDDATA, cbSize), DWORD(bytes.size() + 1000));
  const ppd_view claimed(bytes);
  EXPECT_EQ(claimed.bytes().size(), bytes.size());
  EXPECT_FALSE(claimed.holds(DWORD(bytes.size()), 1));
}

TEST(View, OneRuleForEveryOffset) {
  // Items, strings and records alike: nothing at offset 0, in the header, or
  // reaching past the end is read.
  const auto bytes = card_image();
  const ppd_view image(bytes);
  const DWORD end = DWORD(bytes.size());
  const DWORD feature = u32(bytes, offsetof(PPDDATA, pUiGroups));
  struct Case {
    const char* name;
    DWORD offset;
    bool named;
  };
  const Case cases[] = {
      {"none", 0, false},
      {"inside the header", offsetof(PPDDATA, pUiGroups), false},
      {"last header byte", sizeof(PPDDATA) - 1, false},
      {"a real feature", feature, true},
      {"past the end", end, false},
      {"header cut by the end", end - 8, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ymcko::image_uigroup record;
    const ymcko::image_item item{image, c.offset};
    EXPECT_EQ(!item.is_null(), c.named);
    EXPECT_EQ(image.record_at(c.offset, &record), c.named && c.offset + sizeof record <= end);
    EXPECT_EQ(item.name() != nullptr, c.named);
  }
  EXPECT_EQ(image.string_at(offsetof(PPDDATA, pUiGroups)), nullptr) << "strings obey the rule too";
}

TEST(View, DamagedImagesAreReadSafely) {
  // Random damage, then every reader; AddressSanitizer watches the reads.
  std::mt19937 random(7);
  const auto pristine = card_image();
  for (int round = 0; round < 3000; ++round) {
    auto bytes = pristine;
    for (int flips = 1 + round % 6; flips > 0; --flips) {
      std::size_t at = random() % bytes.size();  // cbSize too: readers never trust it
      bytes[at] = static_cast<BYTE>(random());
    }
    // An exactly sized copy, so reading one byte past the end is caught.
    std::unique_ptr<BYTE[]> exact(new BYTE[bytes.size()]);
    std::memcpy(exact.get(), bytes.data(), bytes.size());
    UnpackPpdData({exact.get(), bytes.size()});
    ppd_view image(std::span<const BYTE>(exact.get(), bytes.size()));

    SHORT position;
    PpdFindUiOptionWithXlation(image, image.options(image.predefined(UIGRP_PAGESIZE)), "CR-80",
                               &position);
    PpdSupportDuplex(image);
    PpdFindCollateCode(image, TRUE);
    BYTE doc[64], printer[68];
    PpdDefaultDocumentStickyFeatures(image, doc);
    PpdDefaultPrinterStickyFeatures(image, printer);
    PpdFeatureConstrained(image, printer, std::span<const BYTE>(doc), 0, 0);
    for (auto f = image.features(); !f.is_null(); f = f.next()) UIGROUP_CountOptions(f);
  }
}

}  // namespace
