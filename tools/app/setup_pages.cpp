// The set-up and card layout pages: forms over the printer's vendor
// defaults, saved through PAPPL's papplPrinterSetDriverDefaults and so
// through the application's check of them.
#include "app/setup_pages.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/held_frame.h"
#include "app/vendor_attributes.h"
#include "app/web_pages.h"
#include "print/card_geometry.h"

namespace ymcko::app {
namespace {

// The printer's vendor defaults, as the driver's when it has none.
class Defaults {
 public:
  explicit Defaults(pappl_printer_t* printer)
      : attrs_(papplPrinterGetDriverAttributes(printer), &ippDelete) {}
  print::SettingValue operator[](const char* name) const {
    return printer_default(attrs_.get(), *find_vendor_setting(name));
  }
  print::SettingValue operator[](const VendorSetting& setting) const {
    return printer_default(attrs_.get(), setting);
  }

 private:
  std::unique_ptr<ipp_t, decltype(&ippDelete)> attrs_;
};

// Sets the vendor defaults given as the texts of defaults; the page's
// message.
std::string save(pappl_printer_t* printer,
                 const std::vector<std::pair<std::string, std::string>>& given) {
  cups_option_t* options = nullptr;
  int count = 0;
  for (const auto& [name, value] : given)
    count = cupsAddOption(name.c_str(), value.c_str(), count, &options);
  char message[1024] = "";
  pappl_pr_driver_data_t data;
  papplPrinterGetDriverData(printer, &data);
  std::string status = "Changes saved.";
  if (!check_defaults(printer, count, options, message, sizeof message, nullptr))
    status = message;
  else if (!papplPrinterSetDriverDefaults(printer, &data, count, options))
    status = "Bad printer defaults.";
  cupsFreeOptions(count, options);
  return status;
}

// A whole number of the form, or none.
std::optional<int> number(const Fields& fields, const std::string& name) {
  const auto found = fields.find(name);
  if (found == fields.end() || found->second.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(found->second.c_str(), &end, 10);
  if (*end != 0 || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return int(value);
}

// The printer's own properties.
bool setup_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!papplClientHTMLAuthorize(client)) return true;
  std::string status;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    const std::optional<Fields> fields = posted_form(client);
    std::vector<std::pair<std::string, std::string>> given;
    for (const VendorSetting& setting : vendor_settings()) {
      if (setting.page != SettingPage::setup || !fields) continue;
      const auto found = fields->find(setting.name);
      if (setting.row->kind == print::SettingKind::boolean)
        given.emplace_back(setting.name, found != fields->end() ? "true" : "false");
      else if (found != fields->end())
        given.emplace_back(setting.name, found->second);
    }
    status = fields ? save(printer, given) : "Invalid form submission.";
  }

  papplClientHTMLPrinterHeader(client, printer, "Printer Set-up", 0, nullptr, nullptr);
  banner(client, status);
  papplClientHTMLPuts(client,
                      "          <p>The printer's own properties: every job this printer prints "
                      "takes them.</p>\n");
  papplClientHTMLStartForm(client, page_path(printer, "setup").c_str(), false);
  papplClientHTMLPuts(client, "          <table class=\"form\">\n            <tbody>\n");
  const Defaults defaults(printer);
  for (const VendorSetting& setting : vendor_settings()) {
    if (setting.page != SettingPage::setup) continue;
    const print::SettingValue value = defaults[setting];
    const char* name = setting.name.c_str();
    papplClientHTMLPrintf(client, "              <tr><th>%s:</th><td>", setting.label.c_str());
    if (const bool* flag = std::get_if<bool>(&value)) {
      papplClientHTMLPrintf(client, "<input type=\"checkbox\" name=\"%s\"%s>", name,
                            *flag ? " checked" : "");
    } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
      papplClientHTMLPrintf(client,
                            "<input type=\"number\" name=\"%s\" min=\"%s\" max=\"%s\" "
                            "value=\"%s\">",
                            name, std::to_string(setting.row->min).c_str(),
                            std::to_string(setting.row->max).c_str(),
                            std::to_string(*integer).c_str());
    }
    papplClientHTMLPuts(client, "</td></tr>\n");
  }
  return end_form(client, "<input type=\"submit\" value=\"Save Changes\">");
}

// The overlay areas a card takes, and the kinds an area is sent as.
constexpr int kAreas = 4;
constexpr const char* kKinds[] = {"Kind 0 (sent with flag 1)", "Kind 1 (sent with flag 0)"};

// The print area and the overlay areas from the layout form, in the panel's
// frame; a message naming the field that is not a whole number.
std::string layout_from(const Fields& fields, bool landscape,
                        std::vector<std::pair<std::string, std::string>>& given) {
  auto held = [&](const std::string& prefix, const char* what) {
    HeldRect rect;
    int* parts[] = {&rect.x, &rect.y, &rect.width, &rect.height};
    const char* names[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
      const std::optional<int> value = number(fields, prefix + names[i]);
      if (!value) throw print::Error(std::string(what) + " " + names[i], "give a whole number");
      *parts[i] = *value;
    }
    return rect;
  };
  try {
    const print::Rect rect = as_panel(held("print-", "Print area"), landscape);
    given.emplace_back("ymcko-print-rect", std::to_string(rect.x) + "," + std::to_string(rect.y) +
                                               "," + std::to_string(rect.cx) + "," +
                                               std::to_string(rect.cy));
    std::string areas;
    for (int i = 0; i < kAreas; ++i) {
      const std::string prefix = "area" + std::to_string(i + 1) + "-";
      const std::optional<int> kind = number(fields, prefix + "kind");
      if (!kind || *kind < 0 || *kind > 1) continue;
      const print::OverlayArea area = area_as_panel(
          *kind, held(prefix, ("Overlay area " + std::to_string(i + 1)).c_str()), landscape);
      areas += (areas.empty() ? "" : ";") + std::to_string(area.kind) + "," +
               std::to_string(area.x) + "," + std::to_string(area.y) + "," +
               std::to_string(area.cx) + "," + std::to_string(area.cy);
    }
    given.emplace_back("ymcko-overlay-areas", areas);
  } catch (const print::Error& error) {
    return error.input() + ": " + error.what();
  }
  return "";
}

void number_inputs(pappl_client_t* client, const std::string& prefix, const HeldRect& rect,
                   int width, int height) {
  const std::pair<const char*, int> parts[] = {
      {"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
  for (const auto& [name, value] : parts) {
    const int most = name[0] == 'x' || name[0] == 'w' ? width : height;
    papplClientHTMLPrintf(client,
                          "%s <input type=\"number\" name=\"%s%s\" min=\"0\" max=\"%d\" "
                          "value=\"%d\" style=\"width: 5em;\"> ",
                          name, prefix.c_str(), name, most, value);
  }
}

// The print area and the overlay areas on a picture of the card as held.
bool layout_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!papplClientHTMLAuthorize(client)) return true;
  pappl_pr_driver_data_t driver;
  papplPrinterGetDriverData(printer, &driver);
  const bool landscape = driver.orient_default != IPP_ORIENT_PORTRAIT &&
                         driver.orient_default != IPP_ORIENT_REVERSE_PORTRAIT;
  std::string status;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    const std::optional<Fields> fields = posted_form(client);
    std::vector<std::pair<std::string, std::string>> given;
    status = !fields ? "Invalid form submission." : layout_from(*fields, landscape, given);
    if (status.empty()) status = save(printer, given);
  }

  const Defaults defaults(printer);
  const HeldRect print_area =
      as_held(std::get<print::Rect>(defaults["ymcko-print-rect"]), landscape);
  const auto areas = std::get<std::vector<print::OverlayArea>>(defaults["ymcko-overlay-areas"]);
  const int width = int(print::page_width(landscape)), height = int(print::page_height(landscape));

  papplClientHTMLPrinterHeader(client, printer, "Card Layout", 0, nullptr, nullptr);
  banner(client, status);
  papplClientHTMLPrintf(client,
                        "          <p>The card as it is held, %s, front up: the print area "
                        "(blue) and the overlay areas (orange), in dots (300 an inch) from its "
                        "upper-left corner. Every job takes them unless it gives its own.</p>\n",
                        landscape ? "landscape" : "portrait");
  papplClientHTMLPrintf(client,
                        "          <svg viewBox=\"-8 -8 %d %d\" style=\"width: %dpx;\" "
                        "role=\"img\" aria-label=\"The card\">\n"
                        "            <rect x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" rx=\"38\" "
                        "fill=\"white\" stroke=\"black\" stroke-width=\"4\"/>\n"
                        "            <rect class=\"print-area\" x=\"%d\" y=\"%d\" width=\"%d\" "
                        "height=\"%d\" fill=\"rgba(0,90,200,.12)\" stroke=\"#05c\" "
                        "stroke-width=\"4\" stroke-dasharray=\"16 8\"/>\n",
                        width + 16, height + 16, landscape ? 512 : 328, width, height, print_area.x,
                        print_area.y, print_area.width, print_area.height);
  for (std::size_t i = 0; i < areas.size(); ++i) {
    const HeldRect r = area_as_held(areas[i], landscape);
    papplClientHTMLPrintf(client,
                          "            <rect class=\"overlay-area\" x=\"%d\" y=\"%d\" "
                          "width=\"%d\" height=\"%d\" fill=\"rgba(240,130,0,.25)\" "
                          "stroke=\"#e70\" stroke-width=\"4\"/><text x=\"%d\" y=\"%d\" "
                          "font-size=\"40\" fill=\"#b50\">%d</text>\n",
                          r.x, r.y, r.width, r.height, r.x + 10, r.y + 44, int(i) + 1);
  }
  papplClientHTMLPuts(client, "          </svg>\n");

  papplClientHTMLStartForm(client, page_path(printer, "layout").c_str(), false);
  papplClientHTMLPuts(client,
                      "          <table class=\"form\">\n            <tbody>\n"
                      "              <tr><th>Print area:</th><td>");
  number_inputs(client, "print-", print_area, width, height);
  papplClientHTMLPuts(client, "</td></tr>\n");
  for (int i = 0; i < kAreas; ++i) {
    const bool used = std::size_t(i) < areas.size();
    const std::string prefix = "area" + std::to_string(i + 1) + "-";
    papplClientHTMLPrintf(client,
                          "              <tr><th>Overlay area %d:</th><td><select "
                          "name=\"%skind\"><option value=\"\">None</option>",
                          i + 1, prefix.c_str());
    for (int kind = 0; kind < 2; ++kind) {
      papplClientHTMLPrintf(client, "<option value=\"%d\"%s>%s</option>", kind,
                            used && areas[std::size_t(i)].kind == kind ? " selected" : "",
                            kKinds[kind]);
    }
    papplClientHTMLPuts(client, "</select> ");
    number_inputs(
        client, prefix,
        used ? area_as_held(areas[std::size_t(i)], landscape) : HeldRect{0, 0, width, height},
        width, height);
    papplClientHTMLPuts(client, "</td></tr>\n");
  }
  return end_form(client, "<input type=\"submit\" value=\"Save Changes\">");
}

}  // namespace

void add_setup_pages(pappl_printer_t* printer) {
  pappl_system_t* system = papplPrinterGetSystem(printer);
  const std::string setup = page_path(printer, "setup"), layout = page_path(printer, "layout");
  papplSystemAddResourceCallback(system, setup.c_str(), "text/html", setup_page, printer);
  papplSystemAddResourceCallback(system, layout.c_str(), "text/html", layout_page, printer);
  papplPrinterAddLink(printer, "Card Layout", layout.c_str(),
                      pappl_loptions_t(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_STATUS));
  papplPrinterAddLink(printer, "Printer Set-up", setup.c_str(),
                      pappl_loptions_t(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_CONFIGURATION));
}

}  // namespace ymcko::app
