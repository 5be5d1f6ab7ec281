// Default card-job settings and the exchanged byte layout of the record.
#include "records/devmode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

DRVDEVMODE defaults(const WCHAR* name = u"Card printer", bool metric = false) {
  DRVDEVMODE dm;
  std::memset(&dm, 0xCD, sizeof dm);  // stale bytes must not survive
  ymcko::write_devmode_defaults(dm, name, metric);
  return dm;
}

std::u16string wide(const WCHAR* text, std::size_t capacity) {
  std::u16string out;
  for (std::size_t i = 0; i < capacity && text[i] != 0; ++i) out += text[i];
  return out;
}

TEST(DevmodeDefaults, PublicPart) {
  DRVDEVMODE dm = defaults();
  const DEVMODEW& pub = dm.dmPublic;
  EXPECT_EQ(wide(pub.dmDeviceName, 32), u"Card printer");
  EXPECT_EQ(pub.dmSpecVersion, 0x401);
  EXPECT_EQ(pub.dmDriverVersion, 0x407);
  EXPECT_EQ(pub.dmSize, 220);
  EXPECT_EQ(pub.dmDriverExtra, 1228);
  EXPECT_EQ(pub.dmFields, 0x10F0Fu);
  EXPECT_EQ(pub.dmOrientation, 2);
  EXPECT_EQ(pub.dmPaperSize, 0);
  EXPECT_EQ(pub.dmPaperLength, 535);
  EXPECT_EQ(pub.dmPaperWidth, 858);
  EXPECT_EQ(pub.dmScale, 100);
  EXPECT_EQ(pub.dmCopies, 1);
  EXPECT_EQ(pub.dmDefaultSource, 0);
  EXPECT_EQ(pub.dmPrintQuality, 300);
  EXPECT_EQ(pub.dmColor, 2);
  EXPECT_EQ(pub.dmDuplex, 1);
  EXPECT_EQ(pub.dmYResolution, 0);
  EXPECT_EQ(pub.dmTTOption, 1);
  EXPECT_EQ(pub.dmCollate, 0);
  EXPECT_EQ(wide(pub.dmFormName, 32), u"Letter");
  EXPECT_EQ(pub.dmFormName[31], 0);
  EXPECT_EQ(pub.dmLogPixels, 0);
  EXPECT_EQ(pub.dmPanningHeight, 0u);
}

TEST(DevmodeDefaults, FormNameFollowsTheMetricSetting) {
  EXPECT_EQ(wide(defaults(u"x", true).dmPublic.dmFormName, 32), u"A4");
  EXPECT_EQ(wide(defaults(u"x", false).dmPublic.dmFormName, 32), u"Letter");
}

TEST(DevmodeDefaults, DeviceNameIsCutTo31CharactersAndZeroFilled) {
  std::u16string long_name(40, u'N');
  DRVDEVMODE dm = defaults(long_name.c_str());
  EXPECT_EQ(wide(dm.dmPublic.dmDeviceName, 32), std::u16string(31, u'N'));
  EXPECT_EQ(dm.dmPublic.dmDeviceName[31], 0);

  DRVDEVMODE unnamed = defaults(nullptr);
  for (WCHAR c : unnamed.dmPublic.dmDeviceName) EXPECT_EQ(c, 0);
}

TEST(DevmodeDefaults, PrivatePart) {
  DRVDEVMODE dm = defaults();
  const DRVPRIVATE& p = dm.dmPrivate;

  // The signature lies right after the 220 public bytes.
  const auto* bytes = reinterpret_cast<const BYTE*>(&dm);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 220), 4), "aRIV");
  DWORD signature;
  std::memcpy(&signature, bytes + 220, 4);
  EXPECT_EQ(signature, 0x56495261u);

  EXPECT_EQ(p.flPrivate, 0u);
  const COLORADJUSTMENT ca = p.coloradj;
  EXPECT_EQ(ca.caSize, 24);
  EXPECT_EQ(ca.caRedGamma, 10000);
  EXPECT_EQ(ca.caGreenGamma, 10000);
  EXPECT_EQ(ca.caBlueGamma, 10000);
  EXPECT_EQ(ca.caReferenceBlack, 0);
  EXPECT_EQ(ca.caReferenceWhite, 10000);
  EXPECT_EQ(ca.caContrast, 0);
  EXPECT_EQ(p.wPpdChecksum, 0);
  EXPECT_EQ(p.wFeatureCount, 0);
  for (DWORD side : {p.bFrontColor, p.bFrontBlack, p.bFrontOverlay, p.bBackColor, p.bBackBlack,
                     p.bBackOverlay}) {
    EXPECT_EQ(side, 1u);
  }
  EXPECT_EQ(p.xPrint, 0);
  EXPECT_EQ(p.yPrint, 0);
  EXPECT_EQ(p.cxPrint, 656);
  EXPECT_EQ(p.cyPrint, 1024);
  for (const OVERLAYAREA& area : p.aOverlayArea) {
    EXPECT_EQ(area.wKind, 2);
    EXPECT_EQ(area.x, 0);
    EXPECT_EQ(area.y, 0);
    EXPECT_EQ(area.cx, 655);
    EXPECT_EQ(area.cy, 1023);
  }
  EXPECT_EQ(p.wSideMode, 0);
  EXPECT_EQ(p.wPCommandForm, 0);
  EXPECT_EQ(p.wMagMode, 0);
  EXPECT_EQ(p.lStartDocValue1, 40);
  EXPECT_EQ(p.lColorIntensity, 70);
  EXPECT_EQ(p.lStartDocValue2, 60);
  EXPECT_EQ(p.lStartDocValue3, 60);
  EXPECT_EQ(p.lYellowAdjust, 0);
  EXPECT_EQ(p.lSaturation, 0);
  EXPECT_EQ(p.lMagentaAdjust, 0);
  EXPECT_EQ(p.lCyanAdjust, 0);
  EXPECT_EQ(p.bColorCorrection, 1u);
}

TEST(DevmodeDefaults, TracksAndReservedBytesAreZero) {
  DRVDEVMODE dm = defaults();
  const auto* bytes = reinterpret_cast<const BYTE*>(&dm.dmPrivate);
  struct Range {
    const char* name;
    std::size_t offset;
    std::size_t size;
  };
  const Range zero[] = {
      {"reserved after flPrivate", 8, 80},
      {"feature selections", 116, 64},
      {"reserved words", 204, 12},
      {"reserved before side mode", 264, 2},
      {"track 1", 270, 320},
      {"track 2", 590, 160},
      {"track 3", 750, 432},
      {"reserved numbers", 1196, 4},
  };
  for (const auto& r : zero) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::vector<BYTE>(bytes + r.offset, bytes + r.offset + r.size),
              std::vector<BYTE>(r.size, 0));
  }
}

}  // namespace
