// The card form an instance prints on.
#include "driver/form_metrics.h"

#include "ppdimage/ppd_query.h"
#include "settings/forms.h"
#include "settings/string_copy.h"

BOOL SetFormMetrics(PDEV* pdev) {
  FORM_RECORD form;
  DWORD found = ValidateDevModeForm(pdev->hPrinter, &pdev->dm.dmPublic, &form);
  if (found == FORM_NONE || !FormSupportedOnPrinter(ymcko::ppd_view(pdev->pPpdData, pdev->cbPpdData), &form, &pdev->curForm, FALSE)) {
    if (!SetDefaultPrinterForm(pdev)) return FALSE;
  }
  AdjustForLandscape(pdev);
  return TRUE;
}

BOOL SetDefaultPrinterForm(PDEV* pdev) {
  const ymcko::ppd_view image(pdev->pPpdData, pdev->cbPpdData);
  ymcko::image_item page_sizes = image.predefined(UIGRP_PAGESIZE);
  if (page_sizes.is_null()) return FALSE;

  const BOOL metric = pdev->pPrinterData != nullptr && (pdev->pPrinterData->flPrinter & PFLAG_METRIC);
  char name[32];
  CopyUnicode2Str(name, GetDefaultFormName(metric), sizeof name);

  SHORT position = -1;
  ymcko::image_item option = PpdFindUiOptionWithXlation(image, image.options(page_sizes), name, &position);
  if (option.is_null()) {
    const DWORD default_index = image.uigroup(page_sizes).dwDefault;
    option = LISTOBJ_FindIndexed(image.options(page_sizes), default_index);
    position = static_cast<SHORT>(default_index);
  }
  ymcko::image_media_option media;
  if (option.is_null() || !image.record_at(option.offset, &media)) return FALSE;

  PRINTERFORM& form = pdev->curForm;
  const char* keyword = option.name();
  CopyStr2Unicode(form.wszFormName, keyword, 32);
  CopyStringA(form.szOptionName, keyword, sizeof form.szOptionName);
  form.rcImageable = {media.rcImageable[0], media.rcImageable[1], media.rcImageable[2], media.rcImageable[3]};
  form.szPaper = media.szPaper;
  form.bLandscape = 0;
  form.iPageSizeOption = static_cast<WORD>(position);
  return TRUE;
}

void AdjustForLandscape(PDEV* pdev) {
  const DEVMODEW& dm = pdev->dm.dmPublic;
  if (!(dm.dmFields & DM_ORIENTATION) || dm.dmOrientation != DMORIENT_LANDSCAPE) return;

  PRINTERFORM& form = pdev->curForm;
  const PSREAL wp = form.szPaper.width, hp = form.szPaper.height;
  const PSRECT area = form.rcImageable;
  form.szPaper = {hp, wp};
  if (pdev->dm.dmPrivate.flPrivate & PRIV_LANDSCAPE_OTHER_TURN) {
    form.rcImageable = {hp - area.upper, area.left, hp - area.lower, area.right};
  } else {
    form.rcImageable = {area.lower, wp - area.right, area.upper, wp - area.left};
  }
  form.bLandscape = 1;
}
