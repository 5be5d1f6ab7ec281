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
#include <vector>

#include "print/card_settings.h"

namespace ymcko::app {

struct VendorSetting {
  const print::Setting* row;
  std::string name;   // the attribute
  std::string label;  // as the web interface shows it
  // Settings of the printer itself, such as its magnetic encoder: set in
  // the printer's defaults, refused in a job.
  bool printer_only;
  // Personal data (the stripe's texts): a job attribute only, which PAPPL
  // returns to no client, never a printer default.
  bool job_only;
};

// Every vendor setting, in the table's order.
const std::vector<VendorSetting>& vendor_settings();

// The job-only settings' attributes, and the attribute by which a job
// names those it carries.
const std::vector<const char*>& private_attributes();
inline constexpr const char* kPrivateReport = "ymcko-tracks";

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
