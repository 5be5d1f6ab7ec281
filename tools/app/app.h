// ymcko-app: the card printer as an IPP Everywhere printer application on
// PAPPL. One driver; every document is spooled and drawn, page by page, as card sides
// through the print service; PDF, PNG and JPEG documents are read by the
// card-content layer, as the ymcko tool reads them.
#pragma once

#include <pappl/pappl.h>

#include "print/cups_ppd.h"

namespace ymcko::app {

// The driver's name, as `ymcko-app add -m` takes it.
inline constexpr const char* kDriverName = "ymcko";

// Jobs the ymcko tool made, sent to the printer as they are.
inline constexpr const char* kJobFormat = print::kJobType;

// The ID-1 (CR-80) card by its registered PWG name, as phones and CUPS know
// it; and the card's exact page, self-describing names whose sizes give
// exactly 1024 x 656 (or 656 x 1024) dots at 300 dpi, as PAPPL truncates.
inline constexpr const char* kCardMedium = "om_card_54x86mm";
inline constexpr const char* kLandscapeCard = "custom_cr80-land_86.7x55.55mm";
inline constexpr const char* kPortraitCard = "custom_cr80_55.55x86.7mm";

// The document formats the application reads itself, each by a filter to
// the driver's own format so that it comes before PAPPL's image filters:
// images and PDF, and the raster formats clients send.
inline constexpr const char* kDocumentFormats[] = {"application/pdf", "image/png", "image/jpeg"};
inline constexpr const char* kRasterFormats[] = {"image/pwg-raster", "image/urf"};

// PAPPL's main loop with the application's system, driver and filters.
int run(int argc, char* argv[]);

// The driver callback: the printer's capabilities, defaults and vendor
// attributes.
bool driver_callback(pappl_system_t* system, const char* driver_name, const char* device_uri,
                     const char* device_id, pappl_pr_driver_data_t* data, ipp_t** attrs,
                     void* context);

// The raster callbacks PAPPL requires; it prints nothing through them, as it
// spools every document.
bool start_job(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool start_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                unsigned page);
bool write_line(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned y,
                const unsigned char* line);
bool end_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned page);
bool end_job(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// The identify callback: there is no printer command for it, so the
// printer's log and page say it was asked (printer-state-reasons
// identify-printer-requested, for a minute).
void identify(pappl_printer_t* printer, pappl_identify_actions_t actions, const char* message);

// The test page callback: the test card, with the printer's set-up and
// defaults, written as a job into a file of the spool whose name is the
// result (in `buffer`), which the job removes once printed; with the
// printer's encoder, its test stripe. Null, having logged why, when it
// cannot be made.
const char* test_page(pappl_printer_t* printer, char* buffer, std::size_t size);

// Each printer made or loaded: the card ribbon and the card hopper as
// supplies of unknown level until a printer reports more; its pages of
// jobs' cards, set-up and card layout.
void printer_created(pappl_printer_t* printer, void* context);

// The status callback: a printer shows that it was asked to identify
// itself for a while.
bool report_status(pappl_printer_t* printer);

// Prints a job in kJobFormat: checked to be a whole card job, then sent.
bool print_job_file(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// PAPPL's typing of a document sent without a format (or as
// application/octet-stream) that its own checks of the first bytes did not
// recognise: kJobFormat for a job the ymcko tool made, otherwise none.
const char* document_type(const unsigned char* header, std::size_t size, void* context);

// The MIME filter for a document left untyped (application/octet-stream):
// a job the ymcko tool made, which PAPPL saw too little of to type, is
// printed as kJobFormat; anything else fails, saying which formats the
// printer takes.
bool print_untyped(pappl_job_t* job, pappl_device_t* device, void* context);

// The check of a job's card settings when it is created, PAPPL's job
// attributes callback: false, with the request answered naming the
// attribute, for a setting refused.
bool check_job_attributes(pappl_client_t* client, void* context);

// The MIME filter for kDocumentFormats: a PNG or JPEG image, or each page of
// a PDF rendered at 300 dpi, decoded with its colour profile applied and
// drawn as a card side, as the ymcko tool draws them.
bool print_document(pappl_job_t* job, pappl_device_t* device, void* context);

// The MIME filter for kRasterFormats: the spooled document checked whole,
// then each page drawn as a card side; a cancelled job ends once its card
// is whole.
bool print_raster(pappl_job_t* job, pappl_device_t* device, void* context);

}  // namespace ymcko::app
