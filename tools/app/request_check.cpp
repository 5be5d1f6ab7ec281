// Vendor attributes refused when a job is created. PAPPL checks the job
// attributes it knows and passes vendor attributes through unchecked, so a
// job with an out-of-range card setting would be accepted and fail later:
// once PAPPL's own checks pass, this callback checks the card settings of
// the request's job group and answers client-error-attributes-or-values-
// not-supported naming the attribute.
#include <cstring>

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
    print::Warnings warnings;
    job_settings(nullptr, lookup, warnings);
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
