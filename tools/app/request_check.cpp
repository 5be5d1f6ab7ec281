// Vendor attributes refused when a job is created. PAPPL checks the job
// attributes it knows and passes vendor attributes through unchecked, so a
// job with an out-of-range card setting would be accepted and fail later:
// once PAPPL's own checks pass, this callback checks the card settings of
// the request's job group, and the stripe it carries against the printer's
// encoder and the track format, and answers client-error-attributes-or-
// values-not-supported naming the attribute.
#include <cstring>
#include <memory>

#include "print/session.h"

#include "app/app.h"
#include "app/vendor_attributes.h"

namespace ymcko::app {
namespace {

// The request's attribute of that name in the job group, where a job takes
// its template attributes from (PAPPL refuses a name given twice).
ipp_attribute_t* job_attribute(ipp_t* request, const std::string& name) {
  for (ipp_attribute_t* attr = ippFirstAttribute(request); attr != nullptr;
       attr = ippNextAttribute(request)) {
    const char* given = ippGetName(attr);
    if (ippGetGroupTag(attr) == IPP_TAG_JOB && given != nullptr && name == given) return attr;
  }
  return nullptr;
}

}  // namespace

bool check_job_attributes(pappl_client_t* client, void*) {
  pappl_printer_t* printer = papplClientGetPrinter(client);
  const char* driver = printer != nullptr ? papplPrinterGetDriverName(printer) : nullptr;
  if (driver == nullptr || std::strcmp(driver, kDriverName) != 0) return true;
  ipp_t* request = papplClientGetRequest(client);
  auto lookup = [request](const std::string& name) { return job_attribute(request, name); };
  // Every card of a job takes the job's settings: pages of other settings
  // are jobs of their own.
  if (ipp_attribute_t* overrides = lookup("overrides")) {
    papplClientRespondIPPUnsupported(client, overrides);
    papplClientRespondIPP(client, IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
                          "overrides: every card of a job takes the job's settings; send the "
                          "cards of other settings as a job of their own");
    return false;
  }
  try {
    // The job's settings over the printer's, so that a stripe the printer
    // cannot write is refused now rather than dropped.
    std::unique_ptr<ipp_t, decltype(&ippDelete)> defaults(papplPrinterGetDriverAttributes(printer),
                                                          &ippDelete);
    print::Warnings warnings;
    const print::CardSettings settings = job_settings(defaults.get(), lookup, warnings);
    try {
      print::check_stripe(settings.stripe(), print::job_options(settings).stripe,
                          [](const print::Setting& row) { return std::string(row.ipp_attribute); });
    } catch (const print::Error& error) {
      throw print::Error(std::string(print::find_setting(error.input())->ipp_attribute),
                         error.what());
    }
    return true;
  } catch (const print::Error& error) {
    if (ipp_attribute_t* attr = lookup(error.input()))
      papplClientRespondIPPUnsupported(client, attr);
    papplClientRespondIPP(client, IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES, "%s: %s",
                          error.input().c_str(), error.what());
    return false;
  }
}

}  // namespace ymcko::app
