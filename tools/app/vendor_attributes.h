// The card settings as IPP attributes of the printer application: one
// vendor attribute per row of the settings table that IPP has no attribute
// of its own for, named by the row ("ymcko-color-intensity"), with its
// NAME-default and, where the row has one, its NAME-supported range or
// choices. Copies and orientation are IPP's own.
#pragma once

#include <cups/ipp.h>
#include <pappl/pappl.h>

#include <cstddef>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "print/card_settings.h"

namespace ymcko::app {

// Where the web interface sets a vendor setting.
enum class SettingPage {
  defaults,  // the Printing Defaults page: what every job takes unless it says
  layout,    // the card layout page: the print area and the overlay areas
  setup,     // the printer set-up page: the printer's own properties
  none,      // a job's alone (the stripe's texts)
};

struct VendorSetting {
  const print::Setting* row;
  std::string name;   // the attribute
  std::string label;  // in an operator's words, as the web interface shows it
  // Settings of the printer itself, such as its magnetic encoder: set on
  // the printer set-up page (or by Set-Printer-Attributes), refused in a job.
  bool printer_only;
  // Personal data (the stripe's texts): a job attribute only, which PAPPL
  // returns to no client, never a printer default.
  bool job_only;
  SettingPage page;
  // An integer setting named by keywords in IPP (card sides: "one-side"
  // for 0...), each with its label; a job may still send the integer.
  std::vector<std::pair<std::string, std::string>> keywords;
};

// Every vendor setting, in the table's order.
const std::vector<VendorSetting>& vendor_settings();

// The job-only settings' attributes, and the attribute by which a job
// names those it carries.
const std::vector<const char*>& private_attributes();
inline constexpr const char* kPrivateReport = "ymcko-tracks";

// The setting of an attribute name, or null.
const VendorSetting* find_vendor_setting(std::string_view name);

// Adds NAME-default and NAME-supported of every vendor setting a printer
// has defaults of (the job-only ones have none).
void add_vendor_attributes(ipp_t* attrs);

// The labels of the attributes and their keywords as a PAPPL strings file.
std::string vendor_strings();

// Checks the vendor defaults about to be set (each as the text the web form
// or Set-Printer-Attributes gives) by their rows; false, with a message
// naming the refused default in `message`, for one the row refuses. PAPPL's
// defaults callback.
bool check_defaults(pappl_printer_t* printer, int count, cups_option_t* defaults, char* message,
                    std::size_t message_size, void* context);

// Whether PAPPL's Printing Defaults page shows the vendor default: the
// job defaults only. PAPPL's defaults-shown callback.
bool default_shown(pappl_printer_t* printer, const char* name, void* context);

// A setting's value in an operator's words ("Front and back", "yes",
// "x 0, y 0, 1024 x 656 dots"), areas in the frame of the card as held.
std::string value_in_words(const VendorSetting& setting, const print::SettingValue& value,
                           bool landscape);

// A value as the text a default is set by (the web form's, or
// Set-Printer-Attributes'): a keyword, "true" or "false", numbers joined by
// commas, areas by ";".
std::string default_text(const VendorSetting& setting, const print::SettingValue& value);

// The choices of a setting named by keywords or of a choice row, each as
// the text a default is set by and its label; none for other settings.
std::vector<std::pair<std::string, std::string>> setting_choices(const VendorSetting& setting);

// Sets a vendor setting from the text a default is set by (a web form's).
// Throws print::Error naming the setting's label when the row refuses it.
void set_from_text(print::CardSettings& settings, const VendorSetting& setting,
                   const std::string& text, print::Warnings& warnings);

// The value of the printer's NAME-default (from its driver attributes), or
// the driver's default when it has none or one it cannot read.
print::SettingValue printer_default(ipp_t* defaults, const VendorSetting& setting);

// Sets a vendor setting from an attribute's values. Throws print::Error
// naming the attribute when its syntax or value is not one the row takes.
void set_from_attribute(print::CardSettings& settings, const VendorSetting& setting,
                        ipp_attribute_t* attr, print::Warnings& warnings);

// Finds a job attribute by name, or null.
using AttributeLookup = std::function<ipp_attribute_t*(const std::string& name)>;

// A job's card settings: the printer's NAME-default values (from `defaults`,
// the printer's driver attributes, if any) and the job's own attributes over
// them. Throws print::Error naming the attribute that is refused.
print::CardSettings job_settings(ipp_t* defaults, const AttributeLookup& job,
                                 print::Warnings& warnings);

}  // namespace ymcko::app
