// The card form an instance prints on.
#include "driver/form_metrics.h"

#include "ppdimage/ppd_query.h"
#include "settings/forms.h"
#include "settings/string_copy.h"

namespace {

bool metric_printer(const PDEV* pdev) {
  return pdev->pPrinterData != nullptr && (pdev->pPrinterData->flPrinter & PFLAG_METRIC);
}

// The default form's page size into `form`; FALSE when the description has none.
BOOL default_printer_form(const ymcko::ppd_view& image, BOOL metric, PRINTERFORM& form) {
  ymcko::image_item page_sizes = image.predefined(UIGRP_PAGESIZE);
  if (page_sizes.is_null()) return FALSE;

  char name[32];
  CopyUnicode2Str(name, GetDefaultFormName(metric), sizeof name);

  SHORT position = -1;
  ymcko::image_item option =
      PpdFindUiOptionWithXlation(image, image.options(page_sizes), name, &position);
  if (option.is_null()) {
    const DWORD default_index = image.uigroup(page_sizes).dwDefault;
    option = LISTOBJ_FindIndexed(image.options(page_sizes), default_index);
    position = static_cast<SHORT>(default_index);
  }
  ymcko::image_media_option media;
  if (option.is_null() || !image.record_at(option.offset, &media)) return FALSE;

  const char* keyword = option.name();
  CopyStr2Unicode(form.wszFormName, keyword, 32);
  CopyStringA(form.szOptionName, keyword, sizeof form.szOptionName);
  form.rcImageable = {media.rcImageable[0], media.rcImageable[1], media.rcImageable[2],
                      media.rcImageable[3]};
  form.szPaper = media.szPaper;
  form.bLandscape = 0;
  form.iPageSizeOption = static_cast<WORD>(position);
  return TRUE;
}

void adjust_for_landscape(const DRVDEVMODE& settings, PRINTERFORM& form) {
  const DEVMODEW& dm = settings.dmPublic;
  if (!(dm.dmFields & DM_ORIENTATION) || dm.dmOrientation != DMORIENT_LANDSCAPE) return;

  const PSREAL wp = form.szPaper.width, hp = form.szPaper.height;
  const PSRECT area = form.rcImageable;
  form.szPaper = {hp, wp};
  if (settings.dmPrivate.flPrivate & PRIV_LANDSCAPE_OTHER_TURN) {
    form.rcImageable = {hp - area.upper, area.left, hp - area.lower, area.right};
  } else {
    form.rcImageable = {area.lower, wp - area.right, area.upper, wp - area.left};
  }
  form.bLandscape = 1;
}

}  // namespace

namespace ymcko {

BOOL choose_printer_form(HANDLE printer, DRVDEVMODE& dm, const ppd_view& image, BOOL metric,
                         PRINTERFORM& form) {
  FORM_RECORD record;
  DWORD found = ValidateDevModeForm(printer, &dm.dmPublic, &record);
  if (found == FORM_NONE || !FormSupportedOnPrinter(image, &record, &form, FALSE)) {
    if (!default_printer_form(image, metric, form)) return FALSE;
  }
  adjust_for_landscape(dm, form);
  return TRUE;
}

}  // namespace ymcko

BOOL SetFormMetrics(PDEV* pdev) {
  return ymcko::choose_printer_form(pdev->hPrinter, pdev->dm,
                                    ymcko::ppd_view(pdev->pPpdData, pdev->cbPpdData),
                                    metric_printer(pdev), pdev->curForm);
}

BOOL SetDefaultPrinterForm(PDEV* pdev) {
  return default_printer_form(ymcko::ppd_view(pdev->pPpdData, pdev->cbPpdData),
                              metric_printer(pdev), pdev->curForm);
}

void AdjustForLandscape(PDEV* pdev) { adjust_for_landscape(pdev->dm, pdev->curForm); }
