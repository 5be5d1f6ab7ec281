// The card-job settings defaults that need no printer description.
#include <cstring>

#include "records/devmode.h"
#include "rt/wide_string.h"

const COLORADJUSTMENT DefHTClrAdj = {
    sizeof(COLORADJUSTMENT), 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0,
};

namespace ymcko {
namespace {

void write_public_defaults(DEVMODEW& dm, const WCHAR* device_name, bool metric) {
  if (device_name != nullptr) rt::wide_copy_bounded(dm.dmDeviceName, device_name, CCHDEVICENAME);
  dm.dmSpecVersion = DM_SPEC_VERSION;
  dm.dmDriverVersion = DM_DRIVER_VERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = sizeof(DRVPRIVATE);
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES |
                DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_FORMNAME;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmPaperSize = 0;
  dm.dmPaperLength = 535;
  dm.dmPaperWidth = 858;
  dm.dmScale = 100;
  dm.dmCopies = 1;
  dm.dmDefaultSource = 0;
  dm.dmPrintQuality = 300;
  dm.dmColor = DMCOLOR_COLOR;
  dm.dmDuplex = DMDUP_SIMPLEX;
  dm.dmYResolution = 0;
  dm.dmTTOption = DMTT_BITMAP;
  dm.dmCollate = 0;
  rt::wide_copy_bounded(dm.dmFormName, metric ? u"A4" : u"Letter", CCHFORMNAME);
}

void write_private_defaults(DRVPRIVATE& priv) {
  std::memcpy(priv.dwPrivateSignature, PRIVATE_SIGNATURE, sizeof PRIVATE_SIGNATURE);
  priv.flPrivate = 0;
  priv.coloradj = DefHTClrAdj;
  priv.bFrontColor = priv.bFrontBlack = priv.bFrontOverlay = 1;
  priv.bBackColor = priv.bBackBlack = priv.bBackOverlay = 1;
  priv.xPrint = 0;
  priv.yPrint = 0;
  priv.cxPrint = CARD_COLUMNS;
  priv.cyPrint = CARD_LINES;
  for (OVERLAYAREA& area : priv.aOverlayArea)
    area = {OVERLAY_EMPTY, 0, 0, CARD_COLUMNS - 1, CARD_LINES - 1};
  priv.wSideMode = SIDE_MODE_SINGLE;
  priv.wPCommandForm = 0;
  priv.wMagMode = 0;
  priv.lStartDocValue1 = 40;
  priv.lColorIntensity = COLOR_INTENSITY_DEFAULT;
  priv.lStartDocValue2 = 60;
  priv.lStartDocValue3 = 60;
  priv.bColorCorrection = 1;
}

}  // namespace

void write_devmode_defaults(DRVDEVMODE& dm, const WCHAR* device_name, bool metric) {
  std::memset(&dm, 0, sizeof dm);
  write_public_defaults(dm.dmPublic, device_name, metric);
  write_private_defaults(dm.dmPrivate);
}

}  // namespace ymcko
