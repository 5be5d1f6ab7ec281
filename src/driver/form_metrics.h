// The card form an instance prints on: the form the settings ask for when the
// forms database and the description both know it, otherwise the card's
// default form; then turned for landscape.
#pragma once

#include "ppdimage/ppd_image.h"
#include "records/pdev.h"

// Chooses the form and fills curForm; FALSE when not even the default form exists.
BOOL SetFormMetrics(PDEV* pdev);

namespace ymcko {

// SetFormMetrics' work on its inputs: the form that settings `dm` ask for on
// a printer with this description (the settings' paper fields then follow a
// database form), metric when the printer's properties say so.
BOOL choose_printer_form(HANDLE printer, DRVDEVMODE& dm, const ppd_view& image, BOOL metric,
                         PRINTERFORM& form);

}  // namespace ymcko

// Fills curForm from the description's page size for the default form name
// (or the page size feature's default option); FALSE when there is none.
BOOL SetDefaultPrinterForm(PDEV* pdev);

// Turns the form's paper and printable area when the settings ask for landscape.
void AdjustForLandscape(PDEV* pdev);
