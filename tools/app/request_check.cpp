// Vendor attributes refused when a job is created. PAPPL 1.3 checks the job
// attributes it knows and passes vendor attributes through unchecked, so a
// job with an out-of-range card setting would be accepted and fail later.
// Every operation that creates or validates a job first calls PAPPL's
// _papplPrinterIsAuthorized; the application defines that function, calls
// PAPPL's own, and then checks the request's card settings, answering with
// client-error-attributes-or-values-not-supported naming the attribute.
// The build enables this only for the PAPPL versions whose calls it knows.
#include <dlfcn.h>

#include <cstring>

#include "app/app.h"
#include "app/vendor_attributes.h"

namespace ymcko::app {
namespace {

// True when the request may go on; otherwise the response says why.
bool card_settings_acceptable(pappl_client_t* client) {
  switch (papplClientGetOperation(client)) {
    case IPP_OP_PRINT_JOB:
    case IPP_OP_CREATE_JOB:
    case IPP_OP_VALIDATE_JOB:
      break;
    default:
      return true;
  }
  pappl_printer_t* printer = papplClientGetPrinter(client);
  const char* driver = printer != nullptr ? papplPrinterGetDriverName(printer) : nullptr;
  if (driver == nullptr || std::strcmp(driver, kDriverName) != 0) return true;
  ipp_t* request = papplClientGetRequest(client);
  auto lookup = [request](const std::string& name) {
    return ippFindAttribute(request, name.c_str(), IPP_TAG_ZERO);
  };
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

}  // namespace
}  // namespace ymcko::app

extern "C" bool _papplPrinterIsAuthorized(pappl_client_t* client) {
  using Check = bool (*)(pappl_client_t*);
  static const Check pappl_check =
      reinterpret_cast<Check>(dlsym(RTLD_NEXT, "_papplPrinterIsAuthorized"));
  if (pappl_check == nullptr) {
    papplClientRespondIPP(client, IPP_STATUS_ERROR_INTERNAL, "The printer cannot check requests.");
    return false;
  }
  return pappl_check(client) && ymcko::app::card_settings_acceptable(client);
}
