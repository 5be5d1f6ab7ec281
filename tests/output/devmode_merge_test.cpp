// Settings defaults with the description's selections, and the merge of an application's device
// mode.
#include "output/devmode_merge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "settings/string_copy.h"
#include "support/image_builder.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::ImageBuilder;

std::u16string text(const WCHAR* chars, std::size_t capacity) {
  std::u16string out;
  for (std::size_t i = 0; i < capacity && chars[i] != 0; ++i) out += chars[i];
  return out;
}

// An application's device mode of `size` public bytes (its own dmSize) and
// `extra` private bytes, taken from a full record; exactly that long.
std::vector<BYTE> application_record(DRVDEVMODE full, WORD size, WORD extra) {
  full.dmPublic.dmSize = size;
  full.dmPublic.dmDriverExtra = extra;
  const auto* bytes = reinterpret_cast<const BYTE*>(&full);
  std::vector<BYTE> out(bytes, bytes + std::min<std::size_t>(size, sizeof(DEVMODEW)));
  out.resize(size, 0);
  const auto* priv = reinterpret_cast<const BYTE*>(&full.dmPrivate);
  out.insert(out.end(), priv, priv + std::min<std::size_t>(extra, sizeof(DRVPRIVATE)));
  out.resize(std::size_t{size} + extra, 0);
  return out;
}

const DEVMODEW* as_devmode(const std::vector<BYTE>& bytes) {
  return reinterpret_cast<const DEVMODEW*>(bytes.data());
}

// A colour description with Duplex and Collate features.
std::vector<BYTE> duplex_collate_image() {
  ImageBuilder b;
  b.checksum = 0x0BAD;
  b.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"CR_80", "CR-80", ""}}});
  b.features.push_back(
      {"Duplex", UIGRP_DUPLEX, 0, false, {{"None", "", "n"}, {"DuplexNoTumble", "", "d"}}});
  b.features.push_back(
      {"Collate", UIGRP_COLLATE, 0, false, {{"True", "", "c1"}, {"False", "", "c0"}}});
  std::vector<BYTE> bytes = b.build();
  const DWORD colour = 1;
  std::memcpy(bytes.data() + offsetof(PPDDATA, bColorDevice), &colour, sizeof colour);
  return bytes;
}

class SettingsMerge : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    card_ = PpdCreate(u"card", &card_size_);
    ASSERT_NE(card_, nullptr);
  }
  void TearDown() override {
    PpdDelete(card_);
    EngineTest::TearDown();
  }

  DRVDEVMODE defaults(ymcko::ppd_view image = {}) {
    DRVDEVMODE dm;
    std::memset(&dm, 0xCD, sizeof dm);
    EXPECT_TRUE(SetDefaultDevMode(&dm, u"Card printer", image.valid() ? image : card(), FALSE));
    return dm;
  }

  // Merges an application's record into fresh defaults.
  DRVDEVMODE merged(const std::vector<BYTE>& input, ymcko::ppd_view image = {},
                    BOOL* result = nullptr) {
    DRVDEVMODE dm = defaults(image);
    BOOL ok =
        ValidateSetDevMode(&dm, as_devmode(input), input.size(), image.valid() ? image : card());
    if (result != nullptr) *result = ok;
    return dm;
  }

  ymcko::ppd_view card() const { return ymcko::ppd_view(card_, card_size_); }

  PPDDATA* card_ = nullptr;
  DWORD card_size_ = 0;
};

TEST_F(SettingsMerge, DefaultsCarryTheDescriptionsSelections) {
  DRVDEVMODE dm = defaults();
  DRVDEVMODE plain;
  ymcko::write_devmode_defaults(plain, u"Card printer", false);
  EXPECT_EQ(dm.dmPrivate.wPpdChecksum, card_->wChecksum);
  EXPECT_EQ(dm.dmPrivate.wFeatureCount, 1) << "the built-in card has the page size feature only";
  EXPECT_EQ(dm.dmPrivate.abFeatureSel[0], 0);

  // Apart from the selections, the defaults are write_devmode_defaults'.
  plain.dmPrivate.wPpdChecksum = dm.dmPrivate.wPpdChecksum;
  plain.dmPrivate.wFeatureCount = dm.dmPrivate.wFeatureCount;
  EXPECT_EQ(std::memcmp(&plain, &dm, sizeof dm), 0);

  DRVDEVMODE metric;
  SetDefaultDevMode(&metric, nullptr, card(), TRUE);
  EXPECT_EQ(text(metric.dmPublic.dmFormName, 32), u"A4");
}

TEST_F(SettingsMerge, DefaultSelectionsStayWithinTheirSixtyFourBytes) {
  ImageBuilder b;
  b.checksum = 0x7777;
  for (int i = 0; i < 70; ++i)
    b.features.push_back({"F" + std::to_string(i), UIGRP_GENERIC, 1, false, {}});
  auto bytes = b.build();
  DRVDEVMODE dm = defaults(ymcko::ppd_view(bytes));
  EXPECT_EQ(dm.dmPrivate.wPpdChecksum, 0x7777);
  EXPECT_EQ(dm.dmPrivate.wFeatureCount, 64);
  EXPECT_EQ(dm.dmPrivate.abFeatureSel[63], 1);
  EXPECT_EQ(dm.dmPrivate.bFrontColor, 1u) << "the field after the array is untouched";
}

TEST_F(SettingsMerge, NoApplicationRecordKeepsTheDefaults) {
  DRVDEVMODE dm = defaults();
  const DRVDEVMODE before = dm;
  EXPECT_TRUE(ValidateSetDevMode(&dm, nullptr, 0, card()));
  EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0);
}

TEST_F(SettingsMerge, VersionsBySize) {
  struct Case {
    WORD size;
    WORD spec_version;
    WORD expected;
  };
  const Case cases[] = {
      {188, 0, 0x320}, {212, 0x999, 0x400}, {220, 0, 0x401}, {100, 0x123, 0x123}, {300, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    DEVMODEW dm{};
    dm.dmSize = c.size;
    dm.dmSpecVersion = c.spec_version;
    EXPECT_EQ(CheckDevmodeVersion(&dm), c.expected);
  }
  EXPECT_EQ(CheckDevmodeVersion(nullptr), 0);
}

TEST_F(SettingsMerge, ConvertKeepsTheDestinationsVersionAndSizes) {
  DRVDEVMODE source = defaults();
  source.dmPublic.dmCopies = 7;
  source.dmPublic.dmDriverVersion = 0x0100;
  source.dmPublic.dmLogPixels = 96;  // beyond 188 bytes: not carried
  source.dmPrivate.lColorIntensity = 33;
  auto input = application_record(source, 188, 200);

  DRVDEVMODE dest = defaults();
  EXPECT_EQ(ConvertDevmode(as_devmode(input), &dest.dmPublic), 388);
  EXPECT_EQ(dest.dmPublic.dmCopies, 7);
  EXPECT_EQ(dest.dmPublic.dmSpecVersion, 0x401);
  EXPECT_EQ(dest.dmPublic.dmDriverVersion, 0x407);
  EXPECT_EQ(dest.dmPublic.dmSize, 220);
  EXPECT_EQ(dest.dmPublic.dmDriverExtra, 1228);
  EXPECT_EQ(dest.dmPublic.dmLogPixels, 96) << "byte 166 lies within the 188";
  EXPECT_EQ(dest.dmPrivate.lColorIntensity, 70) << "offset 1188 lies beyond the 200 private bytes";

  auto unknown = application_record(source, 300, 0);
  reinterpret_cast<DEVMODEW*>(unknown.data())->dmSpecVersion = 0;
  EXPECT_EQ(ConvertDevmode(as_devmode(unknown), &dest.dmPublic), -1);
}

TEST_F(SettingsMerge, PublicFieldsTakenWhenMarkedAndInRange) {
  struct Case {
    const char* name;
    SHORT DEVMODEW::*field;
    DWORD bit;
    SHORT in;
    SHORT out;
    bool bit_set;  // the record's bit afterwards
  };
  const Case cases[] = {
      {"scale 0", &DEVMODEW::dmScale, DM_SCALE, 0, 100, true},
      {"scale 1001", &DEVMODEW::dmScale, DM_SCALE, 1001, 100, true},
      {"scale 1000", &DEVMODEW::dmScale, DM_SCALE, 1000, 1000, true},
      {"scale 1", &DEVMODEW::dmScale, DM_SCALE, 1, 1, true},
      {"scale unmarked", &DEVMODEW::dmScale, 0, 50, 100, false},
      {"copies 1000", &DEVMODEW::dmCopies, DM_COPIES, 1000, 1, true},
      {"copies 999", &DEVMODEW::dmCopies, DM_COPIES, 999, 999, true},
      {"copies 0", &DEVMODEW::dmCopies, DM_COPIES, 0, 1, true},
      {"quality -4", &DEVMODEW::dmPrintQuality, DM_PRINTQUALITY, -4, 300, true},
      {"quality 600", &DEVMODEW::dmPrintQuality, DM_PRINTQUALITY, 600, 600, true},
      {"orientation 3", &DEVMODEW::dmOrientation, DM_ORIENTATION, 3, 1, true},
      {"orientation 1", &DEVMODEW::dmOrientation, DM_ORIENTATION, 1, 1, true},
      {"orientation unmarked", &DEVMODEW::dmOrientation, 0, 1, 2, true},
      {"colour", &DEVMODEW::dmColor, DM_COLOR, 2, 2, true},
      {"monochrome", &DEVMODEW::dmColor, DM_COLOR, 1, 1, true},
      {"colour 3", &DEVMODEW::dmColor, DM_COLOR, 3, 1, true},
      {"source unchecked", &DEVMODEW::dmDefaultSource, DM_DEFAULTSOURCE, -77, -77, true},
      {"duplex on a card", &DEVMODEW::dmDuplex, DM_DUPLEX, 2, 1, false},
      {"collate on a card", &DEVMODEW::dmCollate, DM_COLLATE, 1, 0, false},
      {"resolution never taken", &DEVMODEW::dmYResolution, DM_YRESOLUTION, 600, 0, false},
      {"TrueType option never taken", &DEVMODEW::dmTTOption, DM_TTOPTION, 3, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVDEVMODE app = defaults();
    app.dmPublic.dmFields = c.bit;
    app.dmPublic.*c.field = c.in;
    BOOL ok = FALSE;
    DRVDEVMODE dm = merged(application_record(app, 220, 0), {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(dm.dmPublic.*c.field, c.out);
    if (c.bit != 0) {
      EXPECT_EQ((dm.dmPublic.dmFields & c.bit) != 0, c.bit_set);
    }
  }
}

TEST_F(SettingsMerge, DescriptionDecidesColourDuplexAndCollate) {
  ImageBuilder grey;  // bColorDevice 0, no Duplex, no Collate
  grey.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"CR_80", "CR-80", ""}}});
  auto grey_bytes = grey.build();
  auto full_bytes = duplex_collate_image();
  const auto grey_image = ymcko::ppd_view(grey_bytes);
  const auto full_image = ymcko::ppd_view(full_bytes);

  struct Case {
    const char* name;
    ymcko::ppd_view image;
    SHORT color, duplex, collate;
    SHORT out_color, out_duplex, out_collate;
    DWORD bits;  // of DM_DUPLEX | DM_COLLATE afterwards
  };
  const Case cases[] = {
      {"grey device", grey_image, 2, 2, 1, 1, 1, 0, 0},
      {"duplex and collate available", full_image, 2, 2, 1, 2, 2, 1, DM_DUPLEX | DM_COLLATE},
      {"duplex 3", full_image, 2, 3, 0, 2, 3, 0, DM_DUPLEX | DM_COLLATE},
      {"duplex 4 and collate 2", full_image, 2, 4, 2, 2, 1, 0, 0},
      {"duplex 0", full_image, 2, 0, 0, 2, 1, 0, DM_COLLATE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVDEVMODE app = defaults(c.image);
    app.dmPublic.dmFields = DM_COLOR | DM_DUPLEX | DM_COLLATE;
    app.dmPublic.dmColor = c.color;
    app.dmPublic.dmDuplex = c.duplex;
    app.dmPublic.dmCollate = c.collate;
    DRVDEVMODE dm = merged(application_record(app, 220, 0), c.image);
    EXPECT_EQ(dm.dmPublic.dmColor, c.out_color);
    EXPECT_EQ(dm.dmPublic.dmDuplex, c.out_duplex);
    EXPECT_EQ(dm.dmPublic.dmCollate, c.out_collate);
    EXPECT_EQ(dm.dmPublic.dmFields & (DM_DUPLEX | DM_COLLATE), c.bits);
  }
}

TEST_F(SettingsMerge, PaperRulesInOrder) {
  constexpr DWORD kPaperBits = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;
  const std::u16string long_name(40, u'W');
  struct Case {
    const char* name;
    DWORD fields;
    SHORT width, length, size;
    std::u16string form;
    DWORD paper_bits;
    SHORT out_width, out_length, out_size;
    std::u16string out_form;
  };
  // The defaults: all four paper bits, 858 x 535, size 0, "Letter".
  const Case cases[] = {
      {"custom size", DM_PAPERWIDTH | DM_PAPERLENGTH | DM_PAPERSIZE, 900, 600, 5, u"CR-80",
       DM_PAPERWIDTH | DM_PAPERLENGTH, 900, 600, 0, u"Letter"},
      {"zero width falls to the paper size",
       DM_PAPERWIDTH | DM_PAPERLENGTH | DM_PAPERSIZE | DM_FORMNAME, 0, 600, -7, u"CR-80",
       DM_PAPERSIZE, 858, 535, -7, u"Letter"},
      {"negative length falls to the form name", DM_PAPERWIDTH | DM_PAPERLENGTH | DM_FORMNAME, 900,
       -1, 5, u"CR-80", DM_FORMNAME, 858, 535, 0, u"CR-80"},
      {"zero width and nothing else leaves the paper", DM_PAPERWIDTH | DM_PAPERLENGTH, 0, 600, 5,
       u"CR-80", kPaperBits, 858, 535, 0, u"Letter"},
      {"form name cut to 31 characters", DM_FORMNAME, 0, 0, 0, long_name, DM_FORMNAME, 858, 535, 0,
       std::u16string(31, u'W')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVDEVMODE app = defaults();
    app.dmPublic.dmFields = c.fields;
    app.dmPublic.dmPaperWidth = c.width;
    app.dmPublic.dmPaperLength = c.length;
    app.dmPublic.dmPaperSize = c.size;
    std::memset(app.dmPublic.dmFormName, 0, sizeof app.dmPublic.dmFormName);
    std::memcpy(app.dmPublic.dmFormName, c.form.data(),
                std::min<std::size_t>(c.form.size(), 32) * 2);
    DRVDEVMODE dm = merged(application_record(app, 220, 0));
    EXPECT_EQ(dm.dmPublic.dmFields & kPaperBits, c.paper_bits);
    EXPECT_EQ(dm.dmPublic.dmPaperWidth, c.out_width);
    EXPECT_EQ(dm.dmPublic.dmPaperLength, c.out_length);
    EXPECT_EQ(dm.dmPublic.dmPaperSize, c.out_size);
    EXPECT_EQ(text(dm.dmPublic.dmFormName, 32), c.out_form);
    EXPECT_EQ(dm.dmPublic.dmFormName[31], 0);
  }
}

TEST_F(SettingsMerge, RecordsOfEachPublicSize) {
  struct Case {
    WORD size;
    WORD extra;
    bool private_taken;
  };
  const Case cases[] = {{188, 0, false}, {212, 1228, true}, {220, 1228, true}, {220, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    DRVDEVMODE app = defaults();
    app.dmPublic.dmFields = DM_COPIES;
    app.dmPublic.dmCopies = 5;
    app.dmPrivate.wSideMode = 1;
    app.dmPrivate.lColorIntensity = 55;
    BOOL ok = FALSE;
    DRVDEVMODE dm = merged(application_record(app, c.size, c.extra), {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(dm.dmPublic.dmCopies, 5);
    EXPECT_EQ(dm.dmPublic.dmSize, 220);
    EXPECT_EQ(dm.dmPublic.dmDriverExtra, 1228);
    EXPECT_EQ(dm.dmPrivate.wSideMode, c.private_taken ? 1 : 0);
    EXPECT_EQ(dm.dmPrivate.lColorIntensity, c.private_taken ? 55 : 70);
  }
}

TEST_F(SettingsMerge, RecordShorterThanItsOwnSizesIsRefused) {
  DRVDEVMODE app = defaults();
  app.dmPublic.dmFields = DM_COPIES;
  app.dmPublic.dmCopies = 5;
  const std::vector<BYTE> whole = application_record(app, 220, 1228);
  struct Case {
    const char* name;
    std::size_t length;
    bool accepted;
  };
  const Case cases[] = {
      {"whole", 1448, true},
      {"one byte short of its private part", 1447, false},
      {"public part only", 220, false},
      {"too short for the size fields", 71, false},
      {"nothing", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<BYTE> input(whole.begin(), whole.begin() + c.length);
    DRVDEVMODE dm = defaults();
    const DRVDEVMODE before = dm;
    // An exact copy, so that a read past the length is caught; never a null record.
    const DEVMODEW* record = c.length != 0 ? as_devmode(input) : as_devmode(whole);
    EXPECT_EQ(ValidateSetDevMode(&dm, record, input.size(), card()), c.accepted ? TRUE : FALSE);
    if (!c.accepted) {
      EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0) << "the defaults stay";
    }
  }
}

TEST_F(SettingsMerge, UnknownVersionOrNoMemoryKeepsTheDefaults) {
  DRVDEVMODE app = defaults();
  app.dmPublic.dmFields = DM_COPIES;
  app.dmPublic.dmCopies = 5;
  auto odd = application_record(app, 300, 0);
  reinterpret_cast<DEVMODEW*>(odd.data())->dmSpecVersion = 0;
  auto empty = application_record(app, 0, 0);
  empty.resize(72, 0);
  reinterpret_cast<DEVMODEW*>(empty.data())->dmSpecVersion = 0x401;

  DRVDEVMODE dm = defaults();
  const DRVDEVMODE before = dm;
  EXPECT_FALSE(ValidateSetDevMode(&dm, as_devmode(odd), odd.size(), card()))
      << "size 300 at version 0";
  EXPECT_FALSE(ValidateSetDevMode(&dm, as_devmode(empty), empty.size(), card()))
      << "nothing to copy";
  EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0);

  // With no engine memory for its scratch block the merge still takes the
  // record, so an instance never falls back to the defaults for want of
  // memory.
  auto normal = application_record(app, 220, 0);
  engine::fail_allocations_with_tag(PPD_POOL_TAG);
  EXPECT_TRUE(ValidateSetDevMode(&dm, as_devmode(normal), normal.size(), card()));
  engine::clear_allocation_faults();
  EXPECT_EQ(dm.dmPublic.dmCopies, 5);
  dm = before;

  reinterpret_cast<DEVMODEW*>(odd.data())->dmSpecVersion = 0x401;
  EXPECT_TRUE(ValidateSetDevMode(&dm, as_devmode(odd), odd.size(), card()))
      << "a known version of another size";
  EXPECT_EQ(dm.dmPublic.dmCopies, 5);
}

TEST_F(SettingsMerge, PrivatePartOnlyWithTheSignature) {
  DRVDEVMODE app = defaults();
  app.dmPublic.dmFields = 0;
  app.dmPrivate.wSideMode = 2;
  app.dmPrivate.flPrivate = 0x200;
  app.dmPrivate.awcTrack1[0] = u'A';
  for (WCHAR& c : app.dmPrivate.awcTrack2) c = u'7';  // no terminator
  app.dmPrivate.wMagMode = 1;

  DRVDEVMODE unsigned_app = app;
  std::memcpy(unsigned_app.dmPrivate.dwPrivateSignature, "aRIW", 4);
  DRVDEVMODE dm = merged(application_record(unsigned_app, 220, 1228));
  const DRVDEVMODE plain = defaults();
  EXPECT_EQ(std::memcmp(&dm.dmPrivate, &plain.dmPrivate, sizeof dm.dmPrivate), 0)
      << "ignored entirely";

  dm = merged(application_record(app, 220, 1228));
  EXPECT_EQ(dm.dmPrivate.wSideMode, 2);
  EXPECT_EQ(dm.dmPrivate.flPrivate, 0x200u);
  EXPECT_EQ(dm.dmPrivate.awcTrack1[0], u'A');
  EXPECT_EQ(dm.dmPrivate.wMagMode, 1);
  EXPECT_EQ(text(dm.dmPrivate.awcTrack2, 80), std::u16string(79, u'7'));
  EXPECT_EQ(dm.dmPrivate.awcTrack2[79], 0) << "track 2 re-terminated";
  EXPECT_EQ(dm.dmPrivate.awcTrack3[0], 0) << "track 3 follows untouched";
}

// An application's private values that reach the printer are limited to
// their ranges: intensity 0 to 100, else the default; an overlay area not on
// the 656 x 1024 portrait card, or of an unknown kind, becomes the default
// empty area; a track with a control character becomes empty.
TEST_F(SettingsMerge, PrivateValuesOutsideTheirRangesFallBackToTheDefaults) {
  const OVERLAYAREA empty{OVERLAY_EMPTY, 0, 0, 655, 1023};
  struct Case {
    const char* name;
    LONG intensity;
    OVERLAYAREA area;
    std::u16string track1;
    LONG intensity_taken;
    OVERLAYAREA area_taken;
    std::u16string track1_taken;
  };
  const Case cases[] = {
      {"in range, at the ends", 0, {0, 0, 0, 655, 1023}, u"%B1?", 0, {0, 0, 0, 655, 1023}, u"%B1?"},
      {"intensity 100, area at the corner",
       100,
       {1, 655, 1023, 0, 0},
       u" ~",
       100,
       {1, 655, 1023, 0, 0},
       u" ~"},
      {"intensity -1", -1, empty, u"", 70, empty, u""},
      {"intensity 1000", 1000, empty, u"", 70, empty, u""},
      {"cx 700", 70, {0, 0, 0, 700, 100}, u"", 70, empty, u""},
      {"one column past", 70, {1, 1, 0, 655, 0}, u"", 70, empty, u""},
      {"sums beyond 16 bits", 70, {0, 65535, 65535, 65535, 65535}, u"", 70, empty, u""},
      {"unknown kind", 70, {3, 0, 0, 1, 1}, u"", 70, empty, u""},
      {"empty kept as it is", 70, {2, 700, 0, 9, 9}, u"", 70, {2, 700, 0, 9, 9}, u""},
      {"track with SO", 70, empty,
       u"12\x0E"
       u"34",
       70, empty, u""},
      {"track with the card end command", 70, empty, u"AB\x1B\x04\rCD", 70, empty, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVDEVMODE app = defaults();
    app.dmPublic.dmFields = 0;
    app.dmPrivate.lColorIntensity = c.intensity;
    app.dmPrivate.aOverlayArea[1] = c.area;
    std::copy(c.track1.begin(), c.track1.end(), app.dmPrivate.awcTrack1);
    app.dmPrivate.awcTrack3[0] = u'9';
    const DRVDEVMODE dm = merged(application_record(app, 220, 1228));
    EXPECT_EQ(dm.dmPrivate.lColorIntensity, c.intensity_taken);
    const OVERLAYAREA& area = dm.dmPrivate.aOverlayArea[1];
    EXPECT_EQ(std::memcmp(&area, &c.area_taken, sizeof area), 0)
        << area.wKind << " " << area.x << " " << area.y << " " << area.cx << " " << area.cy;
    EXPECT_EQ(text(dm.dmPrivate.awcTrack1, TRACK1_CHARS), c.track1_taken);
    EXPECT_EQ(dm.dmPrivate.awcTrack3[0], u'9') << "the other tracks stay";
  }
}

TEST_F(SettingsMerge, SelectionsKeptUnlessMadeForAnotherDescription) {
  auto bytes = duplex_collate_image();  // three document-sticky features, checksum 0x0BAD
  const auto image = ymcko::ppd_view(bytes);
  struct Case {
    const char* name;
    WORD checksum;
    WORD count;
    bool kept;
  };
  const Case cases[] = {
      {"count of this description", 0x0BAD, 3, true},
      {"smaller count", 0x0BAD, 2, true},
      {"larger count", 0x0BAD, 4, true},
      {"count filling the array", 0x0BAD, MAX_DOC_STICKY_FEATURES, true},
      {"count one beyond the array", 0x0BAD, MAX_DOC_STICKY_FEATURES + 1, false},
      {"largest count", 0x0BAD, std::numeric_limits<WORD>::max(), false},
      {"another checksum", 0x0BAE, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVDEVMODE app = defaults(image);
    app.dmPublic.dmFields = 0;
    app.dmPrivate.wPpdChecksum = c.checksum;
    app.dmPrivate.wFeatureCount = c.count;
    std::memset(app.dmPrivate.abFeatureSel, 1, sizeof app.dmPrivate.abFeatureSel);
    DRVDEVMODE dm = merged(application_record(app, 220, 1228), image);
    if (c.kept) {
      const auto* expected = reinterpret_cast<const BYTE*>(&app.dmPrivate);
      const auto* actual = reinterpret_cast<const BYTE*>(&dm.dmPrivate);
      EXPECT_TRUE(ymcko::testing::BytesEqual({expected, sizeof app.dmPrivate},
                                             {actual, sizeof dm.dmPrivate}));
      continue;
    }
    EXPECT_EQ(dm.dmPrivate.wPpdChecksum, 0x0BAD);
    EXPECT_EQ(dm.dmPrivate.wFeatureCount, 3);
    EXPECT_EQ(dm.dmPrivate.abFeatureSel[1], 0);
  }
}

TEST(HalftonePattern, SizeFromTheSmallerResolution) {
  constexpr DWORD kMax = std::numeric_limits<DWORD>::max();
  struct Case {
    DWORD x, y;
    BOOL smaller;
    DWORD expected;
  };
  const Case cases[] = {
      {300, 300, 0, 5},    {2400, 1200, 0, 11}, {100, 100, 1, 1},    {2400, 2400, 0, 15},
      {2399, 9999, 0, 13}, {1800, 1800, 0, 13}, {1200, 1200, 0, 11}, {900, 900, 0, 9},
      {899, 900, 0, 7},    {400, 400, 0, 7},    {399, 400, 0, 5},    {180, 180, 0, 5},
      {179, 180, 0, 3},    {0, 0, 0, 3},        {kMax, kMax, 1, 13}, {300, 300, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " x " << c.y << " smaller " << c.smaller);
    EXPECT_EQ(PickDefaultHTPatSize(c.x, c.y, c.smaller), c.expected);
  }
}

}  // namespace
