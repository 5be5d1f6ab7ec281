// Questions asked of the packed description image, on images laid out by hand.
#include "ppdimage/ppd_query.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "support/image_builder.h"

namespace {

using ymcko::ppd_view;
using ymcko::testing::ImageBuilder;

ImageBuilder card() {
  ImageBuilder b;
  b.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"CR_80", "CR-80", ""}}});
  return b;
}

TEST(Queries, TheCardDescription) {
  auto bytes = card().build();
  ppd_view image(bytes);
  EXPECT_FALSE(PpdSupportDuplex(image));
  EXPECT_EQ(PpdFindCollateCode(image, TRUE), nullptr);
  EXPECT_EQ(PpdFindCollateCode(image, FALSE), nullptr);

  std::array<BYTE, 64> doc;
  doc.fill(0xEE);
  EXPECT_EQ(PpdDefaultDocumentStickyFeatures(image, doc), 1);
  EXPECT_EQ(doc[0], 0);
  EXPECT_EQ(doc[1], 0xEE);
  std::array<BYTE, 68> printer;
  printer.fill(0xEE);
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, printer), 0);
  EXPECT_EQ(printer[0], 0xEE);

  auto options = image.options(image.predefined(UIGRP_PAGESIZE));
  for (const char* name : {"CR-80", "CR_80"}) {
    SHORT position = 7;
    EXPECT_FALSE(PpdFindUiOptionWithXlation(image, options, name, &position).is_null()) << name;
    EXPECT_EQ(position, 0);
  }
  SHORT position = 7;
  EXPECT_TRUE(PpdFindUiOptionWithXlation(image, options, "cr-80", &position).is_null());
  EXPECT_EQ(position, SHORT(0xFFFF));
}

TEST(Queries, TheBuiltInCardImage) {
  const ymcko::testing::CardImage packed;
  ASSERT_NE(packed.get(), nullptr);
  const ppd_view image = packed.view();
  EXPECT_FALSE(PpdSupportDuplex(image));
  EXPECT_EQ(PpdFindCollateCode(image, TRUE), nullptr);
  std::array<BYTE, 64> doc;
  doc.fill(0xEE);
  EXPECT_EQ(PpdDefaultDocumentStickyFeatures(image, doc), 1);
  EXPECT_EQ(doc[0], 0);
  std::array<BYTE, 68> printer{};
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, printer), 0);
  SHORT position = -1;
  auto options = image.options(image.predefined(UIGRP_PAGESIZE));
  EXPECT_STREQ(PpdFindUiOptionWithXlation(image, options, "CR-80", &position).name(), "CR_80");
  EXPECT_EQ(position, 0);
}

TEST(Queries, TranslationWinsWhenItsOptionComesFirst) {
  ImageBuilder b;
  b.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"A", "B", ""}, {"B", "", ""}}});
  auto bytes = b.build();
  ppd_view image(bytes);
  SHORT position = -1;
  auto found = PpdFindUiOptionWithXlation(image, image.options(image.features()), "B", &position);
  EXPECT_EQ(position, 0);
  EXPECT_STREQ(found.name(), "A");
}

TEST(Queries, DuplexAndCollateCodes) {
  ImageBuilder b;
  b.features.push_back({"Duplex", UIGRP_DUPLEX, 0, false, {{"None", "", "d0"}}});
  b.features.push_back(
      {"Collate", UIGRP_COLLATE, 0, false, {{"True", "", "c1"}, {"False", "", "c0"}}});
  b.features.push_back({"Resolution", UIGRP_RESOLUTION, 600, false, {{"600dpi", "", ""}}});
  auto bytes = b.build();
  ppd_view image(bytes);
  EXPECT_TRUE(PpdSupportDuplex(image));
  EXPECT_STREQ(PpdFindCollateCode(image, TRUE), "c1");
  EXPECT_STREQ(PpdFindCollateCode(image, FALSE), "c0");
  std::array<BYTE, 64> doc{};
  EXPECT_EQ(PpdDefaultDocumentStickyFeatures(image, doc), 3);
  EXPECT_EQ(doc[2], 0xFF) << "the resolution default is not a position";
}

TEST(Queries, NoneAndFalseAreCaseSensitive) {
  ImageBuilder b;
  b.features.push_back(
      {"Opt", UIGRP_GENERIC, 0, false, {{"None", "", ""}, {"none", "", ""}, {"False", "", ""}}});
  auto bytes = b.build();
  ppd_view image(bytes);
  EXPECT_TRUE(FeatureSelectionNone(image, 0, 0));
  EXPECT_FALSE(FeatureSelectionNone(image, 0, 1));
  EXPECT_TRUE(FeatureSelectionNone(image, 0, 2));
  EXPECT_FALSE(FeatureSelectionNone(image, 0, 3)) << "beyond the options";
  EXPECT_FALSE(FeatureSelectionNone(image, 0, 0xFF));
}

// Two document features and two printer features with constraints between them.
ImageBuilder constrained() {
  ImageBuilder b;
  b.features.push_back({"Doc0", UIGRP_GENERIC, 0, false, {{"None", "", ""}, {"On", "", ""}}});
  b.features.push_back({"Doc1", UIGRP_GENERIC, 0, false, {{"X", "", ""}, {"Y", "", ""}}});
  b.features.push_back(
      {"Prn0", UIGRP_GENERIC, 1, true, {{"A", "", ""}, {"B", "", ""}, {"C", "", ""}}});
  b.features.push_back({"Prn1", UIGRP_GENERIC, 0, true, {{"P", "", ""}, {"Q", "", ""}}});
  return b;
}

TEST(Constraints, AnyOptionButNoneOrFalse) {
  ImageBuilder b = constrained();
  b.constraints.push_back({0, 0xFF, 1, 1});  // Doc0 at anything but None rules out Doc1 Y
  b.constraints.push_back({-1, 0, 1, 0});    // unusable
  auto bytes = b.build();
  ppd_view image(bytes);
  EXPECT_FALSE(SearchUiConstraints(image, 0, 0, 1, 1)) << "Doc0 is None";
  EXPECT_TRUE(SearchUiConstraints(image, 0, 1, 1, 1));
  EXPECT_TRUE(SearchUiConstraints(image, 0, 0xFF, 1, 1)) << "no selection is not None";
  EXPECT_FALSE(SearchUiConstraints(image, 0, 1, 1, 0));
  EXPECT_FALSE(SearchUiConstraints(image, 0xFFFF, 0, 1, 0)) << "unusable entries never match";
}

TEST(Constraints, ConflictCodesNameFeatureOptionAndClass) {
  ImageBuilder b = constrained();
  b.constraints.push_back({3, 1, 1, 0});  // Prn1 Q rules out Doc1 X
  b.constraints.push_back({0, 1, 1, 1});  // Doc0 On rules out Doc1 Y
  auto bytes = b.build();
  ppd_view image(bytes);
  std::array<BYTE, 2> printer{1, 1};
  std::array<BYTE, 2> doc{1, 0xFF};
  EXPECT_EQ(PpdFeatureConstrained(image, printer, std::span<const BYTE>(doc), 1, 0),
            1u * 65536 + 3 * 256 + 1);
  EXPECT_EQ(PpdFeatureConstrained(image, printer, std::span<const BYTE>(doc), 1, 1),
            2u * 65536 + 0 * 256 + 1);
  EXPECT_EQ(PpdFeatureConstrained(image, printer, std::span<const BYTE>(doc), 1, 0xFF), 0u)
      << "no selection is never constrained";
  doc[0] = 0xFF;
  EXPECT_EQ(PpdFeatureConstrained(image, printer, std::span<const BYTE>(doc), 1, 1), 0u);
}

TEST(Constraints, PrinterDefaultMovesToItsFirstFreeOption) {
  ImageBuilder b = constrained();
  b.constraints.push_back({3, 0, 2, 1});  // Prn1 P rules out Prn0 B (its default)
  auto bytes = b.build();
  ppd_view image(bytes);
  std::array<BYTE, 68> sel{};
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, sel), 2);
  EXPECT_EQ(sel[0], 0) << "moved from B to A";
  EXPECT_EQ(sel[1], 0);
}

TEST(Constraints, OtherFeatureMovesWhenNoOptionIsFree) {
  ImageBuilder b = constrained();
  b.constraints.push_back({3, 0, 2, 0xFF});  // Prn1 P rules out every Prn0 option
  auto bytes = b.build();
  ppd_view image(bytes);
  std::array<BYTE, 68> sel{};
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, sel), 2);
  EXPECT_EQ(sel[0], 1) << "keeps its default";
  EXPECT_EQ(sel[1], 1) << "Prn1 moves to Q, which allows Prn0 B";
}

TEST(Constraints, ConflictWithADocumentFeatureMovesNothingElse) {
  ImageBuilder b = constrained();
  // A conflict code can only name a printer feature here, but an entry that
  // rules out every option of Prn0 from Prn1 while Prn1 cannot move either
  // leaves both as they are.
  b.constraints.push_back({3, 0xFF, 2, 0xFF});
  auto bytes = b.build();
  ppd_view image(bytes);
  std::array<BYTE, 68> sel{};
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, sel), 2);
  EXPECT_EQ(sel[0], 1);
  EXPECT_EQ(sel[1], 0);
}

TEST(Defaults, WriteNoMoreThanTheCallersArray) {
  ImageBuilder b;
  for (int i = 0; i < 70; ++i) {
    b.features.push_back({"F" + std::to_string(i),
                          UIGRP_GENERIC,
                          DWORD(i % 3),
                          i >= 3,
                          {{"a", "", ""}, {"b", "", ""}, {"c", "", ""}}});
  }
  auto bytes = b.build();
  ppd_view image(bytes);
  std::vector<BYTE> doc(2, 0xEE);
  EXPECT_EQ(PpdDefaultDocumentStickyFeatures(image, std::span<BYTE>(doc.data(), 1)), 1);
  EXPECT_EQ(doc[1], 0xEE);
  std::vector<BYTE> printer(69, 0xEE);
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, std::span<BYTE>(printer.data(), 68)), 67);
  EXPECT_EQ(printer[66], BYTE(69 % 3));
  EXPECT_EQ(printer[67], 0xEE);
  EXPECT_EQ(PpdDefaultPrinterStickyFeatures(image, std::span<BYTE>(printer.data(), 10)), 10);
}

}  // namespace
