// Packing descriptions into their image: the exact layouts, the rules the
// packer applies, and the built-in card.
#include "ppdimage/ppd_pack.h"

#include <gtest/gtest.h>

#include "support/image_builder.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "ppd/interpreter.h"
#include "ppd/keywords.h"
#include "ppd/parser.h"
#include "ppdimage/ppd_query.h"
#include "support/test_support.h"

namespace {

using ymcko::ppd_view;

// Makes a description from entries, the way the built-in card is made.
class Description {
 public:
  explicit Description(const WCHAR* file_name) {
    entry_ = PARSEROBJ_Create();
    ppd_ = ymcko::ppdobj_in_new_pool();
    std::size_t bytes = (std::char_traits<char16_t>::length(file_name) + 1) * 2;
    ppd_->pwstrDataFile = static_cast<WCHAR*>(HEAPOBJ_Alloc(ppd_->pHeap, DWORD(bytes)));
    std::memcpy(ppd_->pwstrDataFile, file_name, bytes);
    PPDOBJ_SetDefaults(ppd_);
    InitKeywordTable(ymcko::keyword_table);
  }
  ~Description() {
    PARSEROBJ_Delete(entry_);
    if (ppd_ != nullptr) PPDOBJ_Delete(ppd_);
    if (image_ != nullptr) PpdDelete(image_);
  }

  Description& add(const char* keyword, const char* option, const char* translation,
                   const char* value, WORD type = VALUE_QUOTED) {
    EXPECT_EQ(PPDOBJ_InsertEntry(ppd_, entry_, keyword, option, translation, value, type),
              PPDERR_NONE)
        << keyword << " " << option;
    return *this;
  }

  // Packs (the description is released) and unpacks.
  PPDDATA* pack() {
    DWORD size = 0;
    image_ = PackPpdData(ppd_, &size);
    ppd_ = nullptr;
    if (image_ != nullptr) {
      EXPECT_EQ(image_->cbSize, size);
      UnpackPpdData({reinterpret_cast<BYTE*>(image_), size});
    }
    return image_;
  }
  PPDOBJ* ppd() { return ppd_; }

 private:
  PARSEROBJ* entry_ = nullptr;
  PPDOBJ* ppd_ = nullptr;
  PPDDATA* image_ = nullptr;
};

DWORD u32(const PPDDATA* image, std::size_t at) {
  DWORD v;
  std::memcpy(&v, reinterpret_cast<const BYTE*>(image) + at, 4);
  return v;
}

class Packing : public ymcko::testing::EngineTest {};

TEST_F(Packing, EmptyDescriptionTakes256Bytes) {
  Description d(u"x");
  PPDDATA* image = d.pack();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->cbSize, 256u);
  EXPECT_EQ(image->wVersion, 3);
  EXPECT_EQ(image->pwstrDataFile, 244u);
  EXPECT_EQ(image->pUiGroups, 0u);
  EXPECT_EQ(image->pDevFonts, 0u);
  EXPECT_EQ(image->pOrderDeps, 248u);
  EXPECT_EQ(image->pUiConstraints, 252u);
  EXPECT_EQ(u32(image, 248), 0x000C0000u) << "no entries, 12-byte entries";
  EXPECT_EQ(u32(image, 252), 0x00080000u);
  EXPECT_EQ(image->dwFreeVm, 102400u);
}

TEST_F(Packing, FourHundredByteLayout) {
  Description d(u"ab");
  d.add("NickName", "", "", "Nick")
      .add("OrderDependency", "", "", "30 AnySetup *PageSize", VALUE_STRING)
      .add("PageSize", "CR_80", "CR-80", "");
  PPDDATA* image = d.pack();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->cbSize, 400u);
  EXPECT_EQ(image->pwstrDataFile, 244u);
  EXPECT_EQ(image->pstrNickName, 252u);
  EXPECT_EQ(image->pOrderDeps, 260u);
  EXPECT_EQ(image->pUiConstraints, 276u);
  EXPECT_EQ(image->pUiGroups, 280u);
  EXPECT_EQ(u32(image, 280 + 4), 320u) << "feature name";
  EXPECT_EQ(u32(image, 280 + 12), 0u) << "no translation";
  EXPECT_EQ(u32(image, 280 + 36), 332u) << "options";
  EXPECT_EQ(u32(image, 332 + 4), 380u);
  EXPECT_EQ(u32(image, 332 + 12), 388u);
  EXPECT_EQ(u32(image, 332 + 16), 396u);
  EXPECT_EQ(u32(image, 332 + 20), 0u) << "no page region";
  const BYTE* bytes = reinterpret_cast<const BYTE*>(image);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 388), "CR-80");
  EXPECT_EQ(std::vector<BYTE>(bytes + 252, bytes + 256), (std::vector<BYTE>{'N', 'i', 'c', 'k'}));
  EXPECT_EQ(bytes[260 + 4], 0) << "order dependency on feature 0";
}

TEST_F(Packing, TheBuiltInCard) {
  for (const WCHAR* name : {u"c", u"card.ppd"}) {
    SCOPED_TRACE(std::string(name, name + std::char_traits<char16_t>::length(name)));
    DWORD size = 0;
    PPDDATA* image = PpdCreate(name, &size);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(size, image->cbSize);
    const DWORD n = DWORD(std::char_traits<char16_t>::length(name));
    const DWORD w = (2 * n + 2 + 3) & ~3u;
    EXPECT_EQ(image->cbSize, 400 + w);
    EXPECT_EQ(image->cDocStickyFeatures, 1);
    EXPECT_EQ(image->cPrinterStickyFeatures, 0);
    EXPECT_EQ(image->pOrderDeps, 244 + w);
    EXPECT_EQ(image->pUiConstraints, 272 + w);
    EXPECT_EQ(image->pUiGroups, 276 + w);
    EXPECT_EQ(image->pPredefGroups[UIGRP_PAGESIZE], 276 + w);
    for (int i = 1; i < 7; ++i) EXPECT_EQ(image->pPredefGroups[i], 0u);

    const ppd_view view = ymcko::testing::packed_view(image);
    ymcko::image_uigroup page = view.uigroup(view.features());
    EXPECT_EQ(page.dwDefault, 0u);
    EXPECT_EQ(page.pOptions, 328 + w);
    ymcko::image_media_option option;
    ASSERT_TRUE(view.record_at(page.pOptions, &option));
    EXPECT_EQ(option.szPaper.width, 40448);
    EXPECT_EQ(option.szPaper.height, 62976);
    EXPECT_EQ(option.rcImageable[0], 0);
    EXPECT_EQ(option.rcImageable[1], 0);
    EXPECT_EQ(option.rcImageable[2], 40305);
    EXPECT_EQ(option.rcImageable[3], 62915);
    EXPECT_STREQ(view.string_at(option.common.pstrTranslation), "CR-80");
    EXPECT_STREQ(view.string_at(option.common.pstrInvocation), "");
    EXPECT_STREQ(view.string_at(option.pstrPageRegion), "");

    // Two order dependencies: PageSize usable, PageRegion names no feature.
    EXPECT_EQ(u32(image, image->pOrderDeps), 0x000C0002u);
    ymcko::image_orderdep_entry first, second;
    view.record_at(image->pOrderDeps + 4, &first);
    view.record_at(image->pOrderDeps + 16, &second);
    EXPECT_EQ(first.wFeature, 0);
    EXPECT_EQ(first.wOption, 0xFF);
    EXPECT_EQ(first.order, 7680);
    EXPECT_EQ(first.wSection, 32);
    EXPECT_EQ(second.wFeature, -1);
    EXPECT_EQ(second.wOption, 0);
    EXPECT_EQ(second.order, 10240);
    EXPECT_EQ(second.wSection, 32);
    EXPECT_EQ(u32(image, image->pUiConstraints), 0x00080000u);
    PpdDelete(image);
  }
}

TEST_F(Packing, DocumentStickyFeaturesComeFirst) {
  Description d(u"x");
  d.add("OpenUI", "*Doc1", "", "PickOne", VALUE_STRING)
      .add("Doc1", "A", "", "a")
      .add("CloseUI", "", "", "*Doc1", VALUE_STRING);
  d.add("OpenGroup", "", "", "InstallableOptions", VALUE_STRING)
      .add("OpenUI", "*Prn", "", "PickOne", VALUE_STRING)
      .add("Prn", "P", "", "p")
      .add("CloseUI", "", "", "*Prn", VALUE_STRING)
      .add("CloseGroup", "", "", "InstallableOptions", VALUE_STRING);
  d.add("OpenUI", "*Doc2", "", "PickOne", VALUE_STRING)
      .add("Doc2", "B", "", "b")
      .add("CloseUI", "", "", "*Doc2", VALUE_STRING);
  PPDDATA* image = d.pack();
  ASSERT_NE(image, nullptr);
  const ppd_view view = ymcko::testing::packed_view(image);
  EXPECT_EQ(view.doc_sticky_count(), 2);
  EXPECT_EQ(view.printer_sticky_count(), 1);
  std::vector<std::string> names;
  std::vector<WORD> indices;
  for (auto f = view.features(); !f.is_null(); f = f.next()) {
    names.push_back(f.name());
    indices.push_back(view.uigroup(f).wFeatureIndex);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Doc1", "Doc2", "Prn"}));
  EXPECT_EQ(indices, (std::vector<WORD>{0, 1, 0}));
}

TEST_F(Packing, MemoryAndCustomPageSizeRules) {
  {
    Description d(u"x");
    d.add("FreeVM", "", "", "200000");
    PPDDATA* image = d.pack();
    EXPECT_EQ(image->dwFreeVm, 200000u);
  }
  {
    Description d(u"x");
    d.add("CustomPageSize", "True", "", "code").add("MaxMediaWidth", "", "", "100");
    PPDDATA* image = d.pack();
    EXPECT_EQ(image->bCustomPageSize, 1u);
    EXPECT_STREQ(ymcko::testing::packed_view(image).string_at(image->pstrCustomPageSize), "code");
  }
  {
    Description d(u"x");
    d.add("CustomPageSize", "True", "", "code");
    PPDDATA* image = d.pack();
    EXPECT_EQ(image->bCustomPageSize, 0u) << "no maximum media size";
  }
}

TEST_F(Packing, PageSizeGeometryIsNormalised) {
  Description d(u"x");
  d.add("PaperDimension", "NoArea", "", "100 200")
      .add("PaperDimension", "Wide", "", "100 200")
      .add("ImageableArea", "Wide", "", "10 10 150 250")
      .add("ImageableArea", "NoPaper", "", "1 1 5 5");
  PPDDATA* image = d.pack();
  ASSERT_NE(image, nullptr);
  const ppd_view view = ymcko::testing::packed_view(image);
  struct Expected {
    const char* name;
    PSREAL paper[2];
    PSREAL area[4];
  };
  const Expected expected[] = {
      {"NoArea", {25600, 51200}, {0, 0, 25600, 51200}},
      {"Wide", {25600, 51200}, {2560, 2560, 25600, 51200}},
      {"NoPaper", {0, 0}, {0, 0, 0, 0}},
  };
  auto option = view.options(view.predefined(UIGRP_PAGESIZE));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_FALSE(option.is_null());
    EXPECT_STREQ(option.name(), e.name);
    ymcko::image_media_option media;
    view.record_at(option.offset, &media);
    EXPECT_EQ(media.szPaper.width, e.paper[0]);
    EXPECT_EQ(media.szPaper.height, e.paper[1]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(media.rcImageable[i], e.area[i]) << i;
    option = option.next();
  }
}

TEST_F(Packing, ResolutionDefaults) {
  struct Case {
    const char* name;
    const char* default_keyword;  // null: none
    const char* first_option;
    DWORD expected;
  };
  const Case cases[] = {
      {"digits then letters", "600dpi", "300dpi", 600},
      {"first option", nullptr, "150x150dpi", 150},
      {"letters", "high", "300dpi", 300},
      {"huge number saturates", "99999999999dpi", "300dpi", 0x7FFFFFFF},
      {"negative", "-5", "300dpi", 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Description d(u"x");
    if (c.default_keyword) d.add("DefaultResolution", "", "", c.default_keyword, VALUE_STRING);
    d.add("Resolution", c.first_option, "", "r");
    PPDDATA* image = d.pack();
    ASSERT_NE(image, nullptr);
    const ppd_view view = ymcko::testing::packed_view(image);
    EXPECT_EQ(view.uigroup(view.predefined(UIGRP_RESOLUTION)).dwDefault, c.expected);
  }
}

TEST_F(Packing, EveryOffsetIsAlignedAndInside) {
  Description d(u"abc");
  d.add("NickName", "", "", "A card<41>")
      .add("Font", "Courier", "Mono", "Standard \"(001)\" Standard", VALUE_STRING);
  d.add("Resolution", "300dpi", "Normal", "r").add("InputSlot", "Tray", "", "t");
  d.add("UIConstraints", "", "", "*Resolution 300dpi *InputSlot Tray", VALUE_STRING);
  PPDDATA* image = d.pack();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->cbSize % 4, 0u);
  const ppd_view view = ymcko::testing::packed_view(image);
  auto check = [&](DWORD offset) {
    EXPECT_EQ(offset % 4, 0u);
    EXPECT_LT(offset, image->cbSize);
  };
  for (DWORD field : {image->pwstrDataFile, image->pstrNickName, image->pOrderDeps,
                      image->pUiConstraints, image->pUiGroups, image->pDevFonts}) {
    check(field);
  }
  for (auto f = view.features(); !f.is_null(); f = f.next()) {
    check(f.offset);
    for (auto o = view.options(f); !o.is_null(); o = o.next()) check(o.offset);
  }
  EXPECT_EQ(view.constraint_count(), 1u);
  EXPECT_NE(view.constraint(0).wFeature1, -1);
}

TEST_F(Packing, ImageAllocationFailureStillReleasesTheDescription) {
  Description d(u"x");
  d.add("PageSize", "CR_80", "CR-80", "");
  // The image is the next allocation with the description tag.
  ymcko::engine::fail_allocation_in(1);
  EXPECT_EQ(d.pack(), nullptr);
}

TEST_F(Packing, EveryFailedAllocationOfACreateLeavesNothing) {
  std::size_t before = ymcko::engine::allocation_attempts();
  DWORD size = 0;
  PPDDATA* image = PpdCreate(u"card", &size);
  ASSERT_NE(image, nullptr);
  PpdDelete(image);
  const std::size_t allocations = ymcko::engine::allocation_attempts() - before;
  for (std::size_t n = 1; n <= allocations; ++n) {
    SCOPED_TRACE(n);
    ymcko::engine::fail_allocation_in(n);
    DWORD size = 1;
    EXPECT_EQ(PpdCreate(u"card", &size), nullptr);
    EXPECT_EQ(size, 0u);
    ymcko::engine::clear_allocation_faults();
  }
}

}  // namespace
