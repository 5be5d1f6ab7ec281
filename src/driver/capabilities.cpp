// The device capabilities and device information of an instance.
#include "driver/capabilities.h"

#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "output/devmode_merge.h"
#include "settings/printer_properties.h"
#include "settings/units.h"

const DEVHTINFO DefDevHTInfo = {
    0x2,
    HT_PATSIZE_6x6_M,
    0,
    {
        {6380, 3350, 0},  // red
        {2345, 6075, 0},  // green
        {1410, 932, 0},   // blue
        {2000, 2450, 0},  // cyan
        {5210, 2100, 0},  // magenta
        {4750, 5100, 0},  // yellow
        {3127, 3290, 0},  // alignment white
        12500,
        12500,
        12500,  // red, green, blue gamma
        585,
        120,  // magenta and yellow in cyan dye
        0,
        0,  // cyan and yellow in magenta dye
        0,
        10000,  // cyan and magenta in yellow dye
    },
};

namespace {

constexpr ULONG kDevicePelsDpi = 11800;
constexpr ULONG kPalRgb = 4;
constexpr ULONG kBitmap32Bpp = 6;
constexpr FLONG kTextCaps = 0x19F7;

bool colour_output(const PDEV* pdev) {
  const ymcko::ppd_view image(pdev->pPpdData, pdev->cbPpdData);
  return image.u32(offsetof(PPDDATA, bColorDevice)) != 0 &&
         pdev->dm.dmPublic.dmColor == DMCOLOR_COLOR;
}

}  // namespace

void FillPsDevCaps(PDEV* pdev, ULONG cjCaps, ULONG* pdevcaps) {
  const DEVMODEW& dm = pdev->dm.dmPublic;
  const LONG dpi = dm.dmPrintQuality;
  const LONG scale = dm.dmScale;
  const PSRECT& area = pdev->curForm.rcImageable;
  const PSSIZE& paper = pdev->curForm.szPaper;
  const PSREAL width = area.right - area.left;
  const PSREAL height = area.upper - area.lower;
  auto px = [dpi](PSREAL v) { return PSRealToPixel(v, dpi); };
  // A scale of 0 cannot come from the merge (it limits the scale to 1..1000).
  auto micrometres = [scale](PSREAL v) {
    return scale == 0 ? 0 : static_cast<ULONG>(std::int64_t{PSRealToMicron(v)} * -100 / scale);
  };

  GDIINFO caps{};
  caps.ulVersion = 0x400;
  caps.ulTechnology = DT_RASPRINTER;
  caps.ulHorzSize = micrometres(width);
  caps.ulVertSize = micrometres(height);
  caps.ulHorzRes = static_cast<ULONG>(px(width));
  caps.ulVertRes = static_cast<ULONG>(px(height));
  caps.cBitsPixel = 24;
  caps.cPlanes = 1;
  caps.ulNumColors = 8;
  caps.ulLogPixelsX = caps.ulLogPixelsY = static_cast<ULONG>(pdev->iScaledDpi);
  caps.flTextCaps = kTextCaps;
  caps.ulAspectX = caps.ulAspectY = static_cast<ULONG>(dpi);
  caps.ulAspectXY = static_cast<ULONG>(static_cast<ULONG>(dpi) * 1414u / 1000u);
  caps.xStyleStep = caps.yStyleStep = 1;
  caps.denStyleStep = dpi / 25;
  caps.ptlPhysOffset = {px(area.left), px(paper.height - area.upper)};
  caps.szlPhysSize = {px(paper.width), px(paper.height)};

  DEVHTINFO stored;
  const bool has_setup = GetDeviceHalftoneSetup(pdev->hPrinter, &stored) != FALSE;
  caps.ciDevice = has_setup ? stored.ColorInfo : DefDevHTInfo.ColorInfo;
  caps.ulDevicePelsDPI = kDevicePelsDpi;
  caps.ulPrimaryOrder = PRIMARY_ORDER_ABC;
  caps.ulHTPatternSize =
      has_setup ? stored.HTPatternSize : PickDefaultHTPatSize(ULONG(dpi), ULONG(dpi), FALSE);
  if (caps.ulHTPatternSize > HT_PATSIZE_MAX_INDEX)
    caps.ulHTPatternSize = DefDevHTInfo.HTPatternSize;
  const bool colour = colour_output(pdev);
  caps.ulHTOutputFormat = colour ? HT_FORMAT_4BPP : HT_FORMAT_1BPP;
  caps.flHTFlags = HT_FLAG_HAS_BLACK_DYE | HT_FLAG_OUTPUT_CMY;

  // The instance's colour mode follows the same test.
  if (COLORSETUP* setup = pdev->pColorSetup) {
    setup->coloradj = pdev->dm.dmPrivate.coloradj;
    setup->cDepth = colour ? 8 : 2;
    setup->cPlanes = colour ? 2 : 1;
    setup->iIndex = colour ? 1 : 0xFF;
    setup->bState = 0;
    setup->bFill = 0xFF;
    setup->ulReserved = 0;
  }

  if (pdevcaps != nullptr) std::memcpy(pdevcaps, &caps, std::min<std::size_t>(cjCaps, sizeof caps));
}

BOOL FillPsDevInfo(PDEV* pdev, ULONG cjDevInfo, DEVINFO* pdi) {
  DEVINFO info{};
  info.flGraphicsCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL |
                        GCAPS_WINDINGFILL | GCAPS_OPAQUERECT;
  if (!(pdev->dm.dmPrivate.flPrivate & PRIV_NO_DONTJOURNAL))
    info.flGraphicsCaps |= GCAPS_DONTJOURNAL;
  info.cFonts = pdev->cDeviceFonts + pdev->cSoftFonts;
  info.iDitherFormat = kBitmap32Bpp;

  if (pdev->hPalette != nullptr) {
    EngDeletePalette(pdev->hPalette);
    pdev->hPalette = nullptr;
  }
  info.hpalDefault = EngCreatePalette(kPalRgb, 0, nullptr, 0, 0, 0);
  if (info.hpalDefault == nullptr) return FALSE;
  pdev->hPalette = info.hpalDefault;

  if (pdi != nullptr) std::memcpy(pdi, &info, std::min<std::size_t>(cjDevInfo, sizeof info));
  return TRUE;
}
