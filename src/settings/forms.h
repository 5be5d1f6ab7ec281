// Forms: resolving the settings' paper fields against the spooler's forms
// database, and matching a form against the description's page sizes to
// fill the instance's PRINTERFORM in PSREAL.
#pragma once

#include <cstddef>
#include <type_traits>

#include "engine/engine.h"
#include "pool/list.h"
#include "ppdimage/ppd_image.h"
#include "records/devmode.h"
#include "records/pdev.h"

inline constexpr std::size_t CCHFORMRECORDNAME = 32;

// A level-1 form followed by its own name buffer; after a lookup the form's
// name points into that buffer. Sizes and areas are in micrometres, the area
// with its origin at the upper left corner and y downward.
struct FORM_RECORD {
  FORM_INFO_1 info;
  WCHAR awcName[CCHFORMRECORDNAME];
};

// ValidateDevModeForm results.
inline constexpr DWORD FORM_FROM_DATABASE = 0;
inline constexpr DWORD FORM_CUSTOM_SIZE = 1;
inline constexpr DWORD FORM_NONE = 2;

// The card's default form name, "CR-80", whatever the metric flag.
const WCHAR* GetDefaultFormName(BOOL bMetric);

// The whole forms database at level 1 in one engine block (tag mspD) that the
// caller frees, with the number of forms in *pcForms; null when there are no
// forms or they cannot be read. The count is the one the filling call gave.
FORM_INFO_1* GetDatabaseForms(HANDLE hPrinter, DWORD* pcForms);

// Finds the database form that the settings' paper fields name: a custom
// width and length within 1 mm, a paper size number, or a form name ignoring
// case, in that order of precedence. On a match the form fills *pForm and
// the settings' paper fields follow it. Answers FORM_FROM_DATABASE,
// FORM_CUSTOM_SIZE (*pForm then describes that size with an empty name) or
// FORM_NONE. The form's name always points at its own buffer afterwards.
DWORD ValidateDevModeForm(HANDLE hPrinter, DEVMODEW* pdm, FORM_RECORD* pForm);

// True when the description has a page size option whose translation or
// keyword is exactly the form's name; then fills *pPrinterForm (when given).
// bFlag does not change the answer.
BOOL FormSupportedOnPrinter(const ymcko::ppd_view& image, const FORM_RECORD* pForm,
                            PRINTERFORM* pPrinterForm, BOOL bFlag);

// Fills the printer form from the form and the page size option: its
// keyword, the form's geometry, and the printable area limited to the option's.
void FillStandardPrinterFormInfo(PRINTERFORM* pPrinterForm, const FORM_RECORD* pForm,
                                 ymcko::image_item option);

// Fills the printer form's name and geometry from the form, in PSREAL with
// the origin at the lower left corner and y upward; not landscape.
void FillPrinterFormInfoCommon(PRINTERFORM* pPrinterForm, const FORM_RECORD* pForm);

static_assert(offsetof(FORM_RECORD, awcName) == sizeof(FORM_INFO_1));
static_assert(std::is_trivially_copyable_v<FORM_RECORD>);
