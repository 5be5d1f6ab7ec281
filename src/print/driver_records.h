// The driver's records that card settings land in; the print service's own
// view of them, never handed to a front end.
#pragma once

#include "print/card_settings.h"
#include "records/devmode.h"
#include "records/printer_data.h"

namespace ymcko::print {

struct DriverRecords {
  DRVDEVMODE devmode;
  PRINTERDATA printer;
};

// The driver's defaults that need no printer description: the device mode
// (form name "Letter", no device name) and the properties record.
DriverRecords default_records();

// Writes every setting given whose row lands at `target` into the records.
void write_settings(const CardSettings& settings, SettingTarget target, DriverRecords& records);

}  // namespace ymcko::print
