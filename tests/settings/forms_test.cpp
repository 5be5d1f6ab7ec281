// Forms: the settings' paper fields against the forms database, and forms against the description's
// page sizes.
#include "settings/forms.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "host/host_printer.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "settings/string_copy.h"
#include "settings/units.h"
#include "support/image_builder.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;

std::u16string text(const WCHAR* chars, std::size_t capacity) {
  std::u16string out;
  for (std::size_t i = 0; i < capacity && chars[i] != 0; ++i) out += chars[i];
  return out;
}

engine::HostForm form(std::u16string name, LONG cx, LONG cy) {
  return {std::move(name), {cx, cy}, {0, 0, cx, cy}};
}

class Forms : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    card_ = PpdCreate(u"card", &card_size_);
    ASSERT_NE(card_, nullptr);
    printer_.set_forms({form(u"Letter", 215900, 279400), form(u"CR-80", 85600, 54000),
                        form(u"Odd", 70001, 40000)});
  }
  void TearDown() override {
    PpdDelete(card_);
    EngineTest::TearDown();
  }

  static DEVMODEW settings(DWORD fields) {
    DRVDEVMODE dm;
    ymcko::write_devmode_defaults(dm, u"Card printer", false);
    dm.dmPublic.dmFields = fields;
    return dm.dmPublic;
  }

  print::MemorySink sink_;
  host::HostPrinter printer_{u"Card printer", ymcko::testing::spool_into(sink_)};
  ymcko::ppd_view card() const { return ymcko::ppd_view(card_, card_size_); }

  PPDDATA* card_ = nullptr;
  DWORD card_size_ = 0;
};

TEST_F(Forms, DatabaseListAndItsCount) {
  DWORD count = 99;
  FORM_INFO_1* list = GetDatabaseForms(printer_.handle(), &count);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(count, 3u) << "the count of the call that filled the list";
  EXPECT_EQ(engine::tag_of(list), PPD_POOL_TAG);
  EXPECT_EQ(text(list[1].pName, 32), u"CR-80");
  EXPECT_EQ(list[2].Size.cx, 70001);
  EngFreeMem(list);

  engine::fail_allocations_with_tag(PPD_POOL_TAG);
  EXPECT_EQ(GetDatabaseForms(printer_.handle(), &count), nullptr);
  engine::clear_allocation_faults();

  printer_.fail_form_enumeration(true);
  EXPECT_EQ(GetDatabaseForms(printer_.handle(), &count), nullptr);
  printer_.fail_form_enumeration(false);

  printer_.set_forms({});
  EXPECT_EQ(GetDatabaseForms(printer_.handle(), &count), nullptr);
  EXPECT_EQ(count, 0u);
}

TEST_F(Forms, SettingsResolvedAgainstTheDatabase) {
  constexpr DWORD kCustom = DM_PAPERWIDTH | DM_PAPERLENGTH;
  struct Case {
    const char* name;
    DWORD fields;
    SHORT width, length, paper_size;
    const char16_t* form_name;
    DWORD result;
    const char16_t* matched;  // null: no database form
  };
  const Case cases[] = {
      {"custom size within 1 mm", kCustom, 858, 535, 0, u"", FORM_FROM_DATABASE, u"CR-80"},
      {"differences of exactly 1000 match", kCustom, 866, 550, 0, u"", FORM_FROM_DATABASE,
       u"CR-80"},
      {"1001 across does not", kCustom, 866, 551, 0, u"", FORM_CUSTOM_SIZE, nullptr},
      {"1001 along does not", kCustom, 690, 400, 0, u"", FORM_CUSTOM_SIZE, nullptr},
      {"999 along does", kCustom, 710, 400, 0, u"", FORM_FROM_DATABASE, u"Odd"},
      {"custom size takes precedence", kCustom | DM_PAPERSIZE | DM_FORMNAME, 858, 535, 1, u"Letter",
       FORM_FROM_DATABASE, u"CR-80"},
      {"zero width falls through to the paper size", kCustom | DM_PAPERSIZE, 0, 535, 3, u"",
       FORM_FROM_DATABASE, u"Odd"},
      {"negative length falls through to the form name", kCustom | DM_FORMNAME, 858, -5, 0,
       u"letter", FORM_FROM_DATABASE, u"Letter"},
      {"width alone is no custom size", DM_PAPERWIDTH, 858, 535, 0, u"", FORM_NONE, nullptr},
      {"paper size 1 is the first form", DM_PAPERSIZE, 0, 0, 1, u"", FORM_FROM_DATABASE, u"Letter"},
      {"paper size 0", DM_PAPERSIZE, 0, 0, 0, u"", FORM_NONE, nullptr},
      {"paper size past the count", DM_PAPERSIZE, 0, 0, 4, u"", FORM_NONE, nullptr},
      {"negative paper size", DM_PAPERSIZE, 0, 0, -1, u"", FORM_NONE, nullptr},
      {"paper size wins over the form name", DM_PAPERSIZE | DM_FORMNAME, 0, 0, 4, u"CR-80",
       FORM_NONE, nullptr},
      {"form name ignoring case", DM_FORMNAME, 0, 0, 0, u"cr-80", FORM_FROM_DATABASE, u"CR-80"},
      {"form name the database lacks", DM_FORMNAME, 0, 0, 0, u"CR-8", FORM_NONE, nullptr},
      {"no paper field", DM_ORIENTATION, 858, 535, 2, u"CR-80", FORM_NONE, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DEVMODEW dm = settings(c.fields);
    dm.dmPaperWidth = c.width;
    dm.dmPaperLength = c.length;
    dm.dmPaperSize = c.paper_size;
    CopyStringW(dm.dmFormName, c.form_name, CCHFORMNAME);
    const DEVMODEW before = dm;
    FORM_RECORD record;
    std::memset(&record, 0xEE, sizeof record);

    EXPECT_EQ(ValidateDevModeForm(printer_.handle(), &dm, &record), c.result);
    EXPECT_EQ(record.info.pName, record.awcName);
    if (c.result == FORM_FROM_DATABASE) {
      const LONG cx = c.matched == std::u16string(u"CR-80") ? 85600
                      : c.matched == std::u16string(u"Odd") ? 70001
                                                            : 215900;
      const SHORT position = c.matched == std::u16string(u"Letter")  ? 1
                             : c.matched == std::u16string(u"CR-80") ? 2
                                                                     : 3;
      EXPECT_EQ(text(record.awcName, 32), c.matched);
      EXPECT_EQ(record.info.Size.cx, cx);
      EXPECT_EQ(dm.dmPaperWidth, SHORT(cx / 100)) << "tenths of a millimetre, truncated";
      EXPECT_EQ(dm.dmPaperLength, SHORT(record.info.Size.cy / 100));
      EXPECT_EQ(dm.dmPaperSize, position);
      EXPECT_EQ(text(dm.dmFormName, 32), c.matched);
      EXPECT_EQ(dm.dmFields, c.fields | DM_FORMNAME) << "the other bits stay";
    } else {
      EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0) << "settings untouched";
    }
    if (c.result == FORM_CUSTOM_SIZE) {
      const LONG w = c.width * 100, l = c.length * 100;
      EXPECT_EQ(record.info.Flags, 0u);
      EXPECT_EQ(record.info.Size.cx, w);
      EXPECT_EQ(record.info.Size.cy, l);
      EXPECT_EQ(record.info.ImageableArea.left, 0);
      EXPECT_EQ(record.info.ImageableArea.top, 0);
      EXPECT_EQ(record.info.ImageableArea.right, w);
      EXPECT_EQ(record.info.ImageableArea.bottom, l);
      EXPECT_EQ(text(record.awcName, 32), u"");
      EXPECT_FALSE(FormSupportedOnPrinter(card(), &record, nullptr, 0))
          << "no page size has an empty name";
    }
  }
}

TEST_F(Forms, UnreadableDatabaseGivesNoForm) {
  struct Case {
    const char* name;
    std::vector<engine::HostForm> forms;
    bool enumeration_fails;
    bool memory_fails;
  };
  const Case cases[] = {
      {"empty database", {}, false, false},
      {"enumeration fails", {form(u"CR-80", 85600, 54000)}, true, false},
      {"no memory for the list", {form(u"CR-80", 85600, 54000)}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.set_forms(c.forms);
    printer_.fail_form_enumeration(c.enumeration_fails);
    if (c.memory_fails) engine::fail_allocations_with_tag(PPD_POOL_TAG);
    DEVMODEW dm = settings(DM_FORMNAME);
    CopyStringW(dm.dmFormName, u"CR-80", CCHFORMNAME);
    const DEVMODEW before = dm;
    FORM_RECORD record{};
    EXPECT_EQ(ValidateDevModeForm(printer_.handle(), &dm, &record), FORM_NONE);
    EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0);
    engine::clear_allocation_faults();
    printer_.fail_form_enumeration(false);
  }
}

TEST_F(Forms, ExtremeDatabaseSizesAreHeld) {
  constexpr LONG kMax = std::numeric_limits<LONG>::max(), kMin = std::numeric_limits<LONG>::min();
  printer_.set_forms({{u"Huge", {kMax, kMin}, {kMin, kMin, kMax, kMax}}});
  DEVMODEW dm = settings(DM_PAPERWIDTH | DM_PAPERLENGTH);
  FORM_RECORD record{};
  EXPECT_EQ(ValidateDevModeForm(printer_.handle(), &dm, &record), FORM_CUSTOM_SIZE)
      << "no overflow in the distance";

  dm = settings(DM_PAPERSIZE);
  dm.dmPaperSize = 1;
  ASSERT_EQ(ValidateDevModeForm(printer_.handle(), &dm, &record), FORM_FROM_DATABASE);
  EXPECT_EQ(dm.dmPaperWidth, 32767);
  EXPECT_EQ(dm.dmPaperLength, -32768);

  PRINTERFORM printer_form{};
  FillPrinterFormInfoCommon(&printer_form, &record);  // must not overflow
  EXPECT_EQ(printer_form.rcImageable.lower, MicronToPSReal(kMin));
}

TEST_F(Forms, PageSizeByTranslationOrKeywordExactly) {
  struct Case {
    const char16_t* name;
    bool supported;
  };
  const Case cases[] = {
      {u"CR-80", true}, {u"CR_80", true}, {u"cr-80", false}, {u"CR-80 ", false}, {u"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    FORM_RECORD record{};
    record.info = {0, record.awcName, {85600, 54000}, {0, 0, 85600, 54000}};
    CopyStringW(record.awcName, c.name, CCHFORMRECORDNAME);
    PRINTERFORM printer_form;
    std::memset(&printer_form, 0xEE, sizeof printer_form);
    EXPECT_EQ(FormSupportedOnPrinter(card(), &record, &printer_form, 1),
              c.supported ? TRUE : FALSE);
    if (c.supported) {
      EXPECT_EQ(text(printer_form.wszFormName, 32), c.name);
      EXPECT_STREQ(printer_form.szOptionName, "CR_80");
      EXPECT_EQ(printer_form.iPageSizeOption, 0);
      EXPECT_EQ(printer_form.bLandscape, 0u);
      EXPECT_TRUE(FormSupportedOnPrinter(card(), &record, nullptr, 0))
          << "without a printer form to fill";
    }
  }

  ymcko::testing::ImageBuilder no_page_sizes;
  no_page_sizes.features.push_back({"InputSlot", UIGRP_INPUTSLOT, 0, false, {{"CR-80", "", ""}}});
  auto bytes = no_page_sizes.build();
  FORM_RECORD record{};
  CopyStringW(record.awcName, u"CR-80", CCHFORMRECORDNAME);
  EXPECT_FALSE(FormSupportedOnPrinter(ymcko::ppd_view(bytes), &record, nullptr, 0));
}

TEST_F(Forms, GeometryTurnsToTheDescriptionsUpwardY) {
  FORM_RECORD record{};
  record.info = {0, record.awcName, {85600, 54000}, {1000, 2000, 80000, 50000}};
  CopyStringW(record.awcName, u"Card", CCHFORMRECORDNAME);
  PRINTERFORM printer_form;
  std::memset(&printer_form, 0xEE, sizeof printer_form);
  FillPrinterFormInfoCommon(&printer_form, &record);
  EXPECT_EQ(text(printer_form.wszFormName, 32), u"Card");
  EXPECT_EQ(printer_form.wszFormName[31], 0);
  EXPECT_EQ(printer_form.szPaper.width, 62117);
  EXPECT_EQ(printer_form.szPaper.height, 39186);
  EXPECT_EQ(printer_form.rcImageable.left, 725);
  EXPECT_EQ(printer_form.rcImageable.lower, 2902) << "height - printable lower edge";
  EXPECT_EQ(printer_form.rcImageable.right, 58053);
  EXPECT_EQ(printer_form.rcImageable.upper, 37734) << "height - printable upper edge";
  EXPECT_EQ(printer_form.bLandscape, 0u);
}

TEST_F(Forms, PrintableAreaIsLimitedToTheOptions) {
  // The built-in option: paper 40448 x 62976, area 0, 0, 40305, 62915.
  struct Case {
    const char* name;
    RECTL area;
    PSRECT expected;
  };
  const Case cases[] = {
      {"wider and taller than the option", {0, 0, 56000, 90000}, {0, 0, 40305, 62915}},
      {"inside the option", {2000, 88000, 40000, 90000}, {1451, 0, 29026, 1451}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FORM_RECORD record{};
    record.info = {0, record.awcName, {56000, 90000}, c.area};
    CopyStringW(record.awcName, u"CR-80", CCHFORMRECORDNAME);
    PRINTERFORM printer_form{};
    ASSERT_TRUE(FormSupportedOnPrinter(card(), &record, &printer_form, 0));
    EXPECT_EQ(printer_form.rcImageable.left, c.expected.left);
    EXPECT_EQ(printer_form.rcImageable.lower, c.expected.lower);
    EXPECT_EQ(printer_form.rcImageable.right, c.expected.right);
    EXPECT_EQ(printer_form.rcImageable.upper, c.expected.upper);
    EXPECT_EQ(printer_form.szPaper.width, 40637) << "the paper stays the form's";
  }
}

TEST(FormNames, DefaultIsTheCardWhateverTheMetricSetting) {
  EXPECT_EQ(std::u16string(GetDefaultFormName(FALSE)), u"CR-80");
  EXPECT_EQ(std::u16string(GetDefaultFormName(TRUE)), u"CR-80");
}

}  // namespace
