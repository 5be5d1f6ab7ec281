// The Card designs pages. Forms carry PAPPL's form check against requests
// from other sites; uploads are read by the application itself, streamed
// into the folder they are for. Where PAPPL authenticates users, the pages
// are for those of the printer's print group, and a run is its owner's.
#include "app/design_pages.h"

#include <grp.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/card_runs.h"
#include "app/vendor_attributes.h"
#include "app/web_pages.h"

// PAPPL's check of a user against a group, which its printing operations
// use; exported by PAPPL, declared in its private headers only.
extern "C" http_status_t _papplClientIsAuthorizedForGroup(pappl_client_t* client, bool allow_remote,
                                                          const char* group, gid_t groupid);

namespace ymcko::app {
namespace {

namespace fs = std::filesystem;

// Whether PAPPL authenticates users.
bool authenticating(pappl_client_t* client) {
  return papplSystemGetAuthService(papplClientGetSystem(client)) != nullptr;
}

// With authentication, a user of the printer's print group (any user when it
// has none); without, as the rest of the web interface. False, having
// answered, otherwise.
bool allowed(pappl_client_t* client, pappl_printer_t* printer) {
  if (!authenticating(client)) return papplClientHTMLAuthorize(client);
  char group[256] = "";
  papplPrinterGetPrintGroup(printer, group, sizeof group);
  gid_t gid = gid_t(-1);
  const bool named = group[0] != 0 && std::string(group) != "none";
  if (named) {
    struct group entry {
    }, *found = nullptr;
    char buffer[16384];
    if (getgrnam_r(group, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
      gid = found->gr_gid;
  }
  const http_status_t code =
      _papplClientIsAuthorizedForGroup(client, true, named ? group : nullptr, gid);
  if (code == HTTP_STATUS_CONTINUE) return true;
  papplClientRespond(client, code, nullptr, nullptr, 0, 0);
  return false;
}

std::string user_of(pappl_client_t* client) {
  const char* name = papplClientGetUsername(client);
  return name != nullptr && *name != 0 ? name : "guest";
}

// A posted multipart form, its files read into `folder`; null, having said
// why in `status`, for one without the page's form check or refused.
std::optional<UploadedForm> upload(pappl_client_t* client, const fs::path& folder,
                                   const UploadLimits& limits, std::string& status) {
  http_t* http = papplClientGetHTTP(client);
  const char* type = httpGetField(http, HTTP_FIELD_CONTENT_TYPE);
  try {
    UploadedForm form = read_multipart(
        type != nullptr ? type : "",
        [http](char* buffer, std::size_t size) {
          return std::ptrdiff_t(httpRead2(http, buffer, size));
        },
        folder, limits);
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : form.fields)
      count = cupsAddOption(name.c_str(), value.c_str(), count, &options);
    const bool valid = count > 0 && papplClientIsValidForm(client, count, options);
    cupsFreeOptions(count, options);
    if (valid) return form;
    status = "Invalid form submission.";
  } catch (const print::Error& error) {
    status = error.input() + ": " + error.what();
  }
  // What was sent and not read is of no use now.
  if (httpGetState(http) == HTTP_STATE_POST_RECV) httpFlush(http);
  return std::nullopt;
}

bool multipart(pappl_client_t* client) {
  const char* type = httpGetField(papplClientGetHTTP(client), HTTP_FIELD_CONTENT_TYPE);
  return type != nullptr && std::string(type).starts_with("multipart/form-data");
}

// The printer's defaults as a run's settings: its vendor defaults, one copy
// of each card, and its orientation.
print::CardSettings printer_settings(pappl_printer_t* printer) {
  std::unique_ptr<ipp_t, decltype(&ippDelete)> defaults(papplPrinterGetDriverAttributes(printer),
                                                        &ippDelete);
  print::Warnings warnings;
  print::CardSettings settings = job_settings(
      defaults.get(), [](const std::string&) { return nullptr; }, warnings);
  pappl_pr_driver_data_t driver;
  papplPrinterGetDriverData(printer, &driver);
  const bool portrait = driver.orient_default == IPP_ORIENT_PORTRAIT ||
                        driver.orient_default == IPP_ORIENT_REVERSE_PORTRAIT;
  settings.set("copies", std::int64_t{1}, "copies", warnings);
  settings.set("orientation", std::string(portrait ? "portrait" : "landscape"), "orientation",
               warnings);
  return settings;
}

// The run's settings as the form gives them, over the printer's defaults.
// Throws print::Error naming the setting.
print::CardSettings posted_settings(pappl_printer_t* printer, const Fields& fields) {
  print::CardSettings settings = printer_settings(printer);
  print::Warnings warnings;
  for (const VendorSetting& setting : vendor_settings()) {
    if (setting.page != SettingPage::defaults) continue;
    const auto found = fields.find(setting.name);
    if (setting.row->kind == print::SettingKind::boolean)
      set_from_text(settings, setting, found != fields.end() ? "true" : "false", warnings);
    else if (found != fields.end())
      set_from_text(settings, setting, found->second, warnings);
  }
  const std::string copies = field(fields, "copies");
  char* end = nullptr;
  const long count = std::strtol(copies.c_str(), &end, 10);
  const print::Setting& row = *print::find_setting("copies");
  if (copies.empty() || *end != 0 || count < row.min || count > row.max) {
    throw print::Error(
        "Copies of each card",
        "give a whole number from " + std::to_string(row.min) + " to " + std::to_string(row.max));
  }
  settings.set("copies", std::int64_t{count}, "copies", warnings);
  const std::string orientation = field(fields, "orientation");
  if (orientation != "landscape" && orientation != "portrait")
    throw print::Error("Card orientation", "choose landscape or portrait");
  settings.set("orientation", orientation, "orientation", warnings);
  return settings;
}

// The card settings' inputs, as the Printing Defaults page offers them.
void settings_inputs(pappl_client_t* client, const print::CardSettings& settings) {
  const std::int64_t copies = settings.get<std::int64_t>("copies").value_or(1);
  const print::Setting& row = *print::find_setting("copies");
  papplClientHTMLPrintf(client,
                        "              <tr><th>Copies of each card:</th><td><input "
                        "type=\"number\" name=\"copies\" min=\"%d\" max=\"%d\" value=\"%d\">"
                        "</td></tr>\n",
                        int(row.min), int(row.max), int(copies));
  const bool portrait = settings.get<std::string>("orientation").value_or("") == "portrait";
  papplClientHTMLPrintf(client,
                        "              <tr><th>Card orientation:</th><td><select "
                        "name=\"orientation\"><option value=\"landscape\"%s>Landscape</option>"
                        "<option value=\"portrait\"%s>Portrait</option></select></td></tr>\n",
                        portrait ? "" : " selected", portrait ? " selected" : "");
  for (const VendorSetting& setting : vendor_settings()) {
    if (setting.page != SettingPage::defaults) continue;
    const print::SettingValue* given = settings.find(setting.row->key);
    const print::SettingValue value = given ? *given : print::default_value(*setting.row);
    const std::string text = default_text(setting, value);
    const char* name = setting.name.c_str();
    papplClientHTMLPrintf(client, "              <tr><th>%s:</th><td>", setting.label.c_str());
    const auto choices = setting_choices(setting);
    if (!choices.empty()) {
      papplClientHTMLPrintf(client, "<select name=\"%s\">", name);
      for (const auto& [choice, label] : choices) {
        papplClientHTMLPrintf(client, "<option value=\"%s\"%s>%s</option>", choice.c_str(),
                              choice == text ? " selected" : "", label.c_str());
      }
      papplClientHTMLPuts(client, "</select>");
    } else if (setting.row->kind == print::SettingKind::boolean) {
      papplClientHTMLPrintf(client, "<input type=\"checkbox\" name=\"%s\"%s>", name,
                            text == "true" ? " checked" : "");
    } else {
      papplClientHTMLPrintf(client,
                            "<input type=\"number\" name=\"%s\" min=\"%s\" max=\"%s\" "
                            "value=\"%s\">",
                            name, std::to_string(setting.row->min).c_str(),
                            std::to_string(setting.row->max).c_str(), text.c_str());
    }
    papplClientHTMLPuts(client, "</td></tr>\n");
  }
}

// The printer's designs, and the form that uploads one.
bool designs_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!allowed(client, printer)) return true;
  std::string status;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    if (multipart(client)) {
      const fs::path folder = design_upload_folder(printer);
      if (std::optional<UploadedForm> form = upload(client, folder, kDesignUpload, status)) {
        try {
          const Design design = save_design(printer, *form, folder);
          status = "Design \"" + design.name + "\" saved.";
        } catch (const print::Error& error) {
          status = error.input() + ": " + error.what();
        }
      }
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    } else {
      bool valid = false;
      const Fields fields = form_fields(client, &valid);
      if (!valid) {
        status = "Invalid form submission.";
      } else {
        try {
          delete_design(printer, field(fields, "name"));
          status = "Design \"" + field(fields, "name") + "\" deleted.";
        } catch (const print::Error& error) {
          status = error.input() + ": " + error.what();
        }
      }
    }
  }

  papplClientHTMLPrinterHeader(client, printer, "Card Designs", 0, nullptr, nullptr);
  banner(client, status);
  papplClientHTMLPuts(
      client,
      "          <p>Card designs made in any SVG editor: text holding <code>{{column}}</code> "
      "placeholders is filled from a data file's columns, an image whose link is "
      "<code>{{photo}}</code> shows the photo a row names, and a rectangle marked "
      "<code>data-ymcko-code</code> becomes a code. A design loads nothing but its own "
      "files.</p>\n");
  const std::vector<Design> designs = printer_designs(printer);
  if (designs.empty()) {
    papplClientHTMLPuts(client, "          <p>No designs yet.</p>\n");
  } else {
    papplClientHTMLPuts(client,
                        "          <table class=\"list\" summary=\"Designs\">\n"
                        "            <thead><tr><th>Design</th><th>Sides</th><th>Images</th>"
                        "<th></th></tr></thead>\n            <tbody>\n");
    const std::string design_path = page_path(printer, "design");
    for (const Design& design : designs) {
      papplClientHTMLPrintf(client,
                            "              <tr><td><a href=\"%s?name=%s\">%s</a></td><td>%s</td>"
                            "<td>%d</td><td>",
                            design_path.c_str(), query_value(design.name).c_str(),
                            design.name.c_str(), design.back.empty() ? "Front" : "Front and back",
                            int(design.images.size()));
      papplClientHTMLStartForm(client, page_path(printer, "designs").c_str(), false);
      papplClientHTMLPrintf(client,
                            "<input type=\"hidden\" name=\"name\" value=\"%s\"><input "
                            "type=\"submit\" value=\"Delete\"></form></td></tr>\n",
                            design.name.c_str());
    }
    papplClientHTMLPuts(client, "            </tbody>\n          </table>\n");
  }
  papplClientHTMLPuts(client, "          <h2 class=\"title\">Upload a design</h2>\n");
  papplClientHTMLStartForm(client, page_path(printer, "designs").c_str(), true);
  papplClientHTMLPuts(
      client,
      "          <table class=\"form\">\n            <tbody>\n"
      "              <tr><th>Name:</th><td><input type=\"text\" name=\"name\" "
      "placeholder=\"the front's file name\"> (a design of the same name is replaced)</td></tr>\n"
      "              <tr><th>Front:</th><td><input type=\"file\" name=\"front\" "
      "accept=\".svg,image/svg+xml\" required></td></tr>\n"
      "              <tr><th>Back:</th><td><input type=\"file\" name=\"back\" "
      "accept=\".svg,image/svg+xml\"> (none: white backs)</td></tr>\n"
      "              <tr><th>Images:</th><td><input type=\"file\" name=\"images\" "
      "accept=\"image/png,image/jpeg,.zip\" multiple> the images the design shows, or a ZIP "
      "of them</td></tr>\n");
  return end_form(client, "<input type=\"submit\" value=\"Save Design\">");
}

// A design: its placeholders and codes, and the form that starts a run.
bool design_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!allowed(client, printer)) return true;
  const Fields query = query_fields(client);
  const std::optional<Design> design = find_design(printer, field(query, "name"));
  if (!design) return papplClientRespond(client, HTTP_STATUS_NOT_FOUND, nullptr, nullptr, 0, 0);
  std::string status;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    try {
      const std::shared_ptr<CardRun> run = new_run(printer, user_of(client), *design);
      if (std::optional<UploadedForm> form = upload(client, run->folder(), kRunUpload, status)) {
        try {
          run->load(*form);
          run->set_settings(printer_settings(printer));
          const std::string to = page_path(printer, "run") + "?id=" + run->id();
          return papplClientRespondRedirect(client, HTTP_STATUS_SEE_OTHER, to.c_str());
        } catch (const print::Error& error) {
          status = error.input() + ": " + run->plain(error.what());
        } catch (const std::exception& error) {
          status = error.what();
        }
      }
      remove_run(run->id());
    } catch (const print::Error& error) {
      httpFlush(papplClientGetHTTP(client));
      status = error.input() + ": " + error.what();
    }
  }

  const std::string title = "Design " + design->name;
  papplClientHTMLPrinterHeader(client, printer, title.c_str(), 0, "All Designs",
                               page_path(printer, "designs").c_str());
  banner(client, status);
  try {
    std::vector<std::pair<const char*, std::string>> sides{{"Front", design->front}};
    if (!design->back.empty()) sides.emplace_back("Back", design->back);
    papplClientHTMLPuts(client, "          <table class=\"form\">\n            <tbody>\n");
    for (const auto& [side, file] : sides) {
      const cards::CardTemplate loaded(design->folder / file, design->folder);
      std::string placeholders, codes;
      for (const std::string& column : loaded.placeholders())
        placeholders += (placeholders.empty() ? "" : " ") + ("{{" + column + "}}");
      for (const cards::CodeSlot& code : loaded.codes())
        codes += (codes.empty() ? "" : "; ") + code.kind + " of \"" + code.value + "\"";
      papplClientHTMLPrintf(client,
                            "              <tr><th>%s:</th><td>%s; placeholders: %s; codes: "
                            "%s</td></tr>\n",
                            side, file.c_str(),
                            placeholders.empty() ? "none" : placeholders.c_str(),
                            codes.empty() ? "none" : codes.c_str());
    }
    papplClientHTMLPuts(client, "            </tbody>\n          </table>\n");
  } catch (const print::Error& error) {
    papplClientHTMLPrintf(client, "          <p>%s</p>\n", error.what());
  }
  papplClientHTMLPuts(client, "          <h2 class=\"title\">Start a run</h2>\n");
  papplClientHTMLPuts(client,
                      "          <p>A data file (CSV, a header naming the columns, one card a "
                      "row) and the photos it names, as files or one ZIP. They are kept only "
                      "for the run: removed once it has printed, or when it is abandoned or left "
                      "for 30 minutes.</p>\n");
  const std::string action = page_path(printer, "design") + "?name=" + query_value(design->name);
  papplClientHTMLStartForm(client, action.c_str(), true);
  papplClientHTMLPuts(client,
                      "          <table class=\"form\">\n            <tbody>\n"
                      "              <tr><th>Data file:</th><td><input type=\"file\" name=\"data\" "
                      "accept=\".csv,text/csv\" required></td></tr>\n"
                      "              <tr><th>Photos:</th><td><input type=\"file\" name=\"photos\" "
                      "accept=\"image/png,image/jpeg,.zip\" multiple></td></tr>\n");
  return end_form(client, "<input type=\"submit\" value=\"Check Data\">");
}

// The run of the query's id, its owner's; null, having answered, for none.
std::shared_ptr<CardRun> requested_run(pappl_client_t* client, pappl_printer_t* printer,
                                       const Fields& query) {
  std::shared_ptr<CardRun> run = find_run(printer, field(query, "id"));
  if (run && authenticating(client) && run->owner() != user_of(client)) run.reset();
  if (!run) papplClientRespond(client, HTTP_STATUS_NOT_FOUND, nullptr, nullptr, 0, 0);
  return run;
}

// A run: its problems, a page of its cards and the print form.
bool run_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!allowed(client, printer)) return true;
  std::string status;
  Fields query = query_fields(client);
  std::shared_ptr<CardRun> run;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    // The run's id comes with the form.
    bool valid = false;
    const Fields fields = form_fields(client, &valid);
    query["id"] = field(fields, "id");
    if (!(run = requested_run(client, printer, query))) return true;
    const std::string action = field(fields, "action");
    try {
      if (!valid) throw print::Error("the form", "it is not this page's (reload the page)");
      if (action == "Abandon Run") {
        remove_run(run->id());
        const std::string to =
            page_path(printer, "design") + "?name=" + query_value(run->design().name);
        return papplClientRespondRedirect(client, HTTP_STATUS_SEE_OTHER, to.c_str());
      }
      run->set_settings(posted_settings(printer, fields));
      if (action == "Print") {
        const int job = print_run(printer, *run, posted_rows(fields), user_of(client));
        const std::string to = page_path(printer, "cards") + "?job=" + std::to_string(job);
        return papplClientRespondRedirect(client, HTTP_STATUS_SEE_OTHER, to.c_str());
      }
      status = "Settings changed.";
    } catch (const print::Error& error) {
      status = error.input() + ": " + error.what();
    }
  } else if (!(run = requested_run(client, printer, query))) {
    return true;
  }

  const cards::TemplateRun& templates = run->run();
  const std::size_t rows = templates.data.rows.size();
  const std::size_t pages =
      std::max<std::size_t>(1, (rows + kPreviewsPerPage - 1) / kPreviewsPerPage);
  const std::size_t page = std::min<std::size_t>(
      pages, std::max<std::size_t>(1, std::strtoul(field(query, "page").c_str(), nullptr, 10)));
  const std::size_t first = (page - 1) * kPreviewsPerPage;
  const std::size_t last = std::min(rows, first + kPreviewsPerPage);
  // This page's cards first, then the next page's.
  run->render_ahead(first, last);
  run->render_ahead(last, std::min(rows, last + kPreviewsPerPage));

  const std::string title = "Card Run of " + run->design().name;
  papplClientHTMLPrinterHeader(
      client, printer, title.c_str(), 0, "Design",
      (page_path(printer, "design") + "?name=" + query_value(run->design().name)).c_str());
  banner(client, status);
  papplClientHTMLPrintf(client, "          <p>%s: %d row%s.</p>\n", run->data_file().c_str(),
                        int(rows), rows == 1 ? "" : "s");
  if (run->printing()) {
    papplClientHTMLPrintf(client,
                          "          <p>Printing as <a href=\"%s?job=%d\">job %d</a>.</p>\n",
                          page_path(printer, "cards").c_str(), run->job(), run->job());
  }
  const std::vector<std::string> problems = run->problems();
  if (problems.empty()) {
    papplClientHTMLPuts(client, "          <p class=\"checked\">No problems found.</p>\n");
  } else {
    papplClientHTMLPrintf(client,
                          "          <h2 class=\"title\">%d problem%s</h2>\n          <ul "
                          "class=\"problems\">\n",
                          int(problems.size()), problems.size() == 1 ? "" : "s");
    for (const std::string& problem : problems)
      papplClientHTMLPrintf(client, "            <li>%s</li>\n", problem.c_str());
    papplClientHTMLPuts(client, "          </ul>\n");
  }

  papplClientHTMLStartForm(client, page_path(printer, "run").c_str(), false);
  papplClientHTMLPrintf(client, "          <input type=\"hidden\" name=\"id\" value=\"%s\">\n",
                        run->id().c_str());
  // The page's cards as held, two sides a line, each front with its box
  // for a choice of rows.
  const std::string images = page_path(printer, "run.png");
  papplClientHTMLPuts(client, "          <div class=\"row\">\n");
  for (std::size_t index = first; index < last; ++index) {
    const int line = int(templates.data.rows[index].line());
    for (const bool back : {false, true}) {
      if (back && !templates.back) continue;
      papplClientHTMLPrintf(client,
                            "            <figure class=\"col-6\"><img class=\"card\" "
                            "src=\"%s?id=%s&amp;row=%d&amp;side=%s\" alt=\"Row %d, %s\" "
                            "style=\"width: 100%%; border: 1px solid #999;\"><figcaption>",
                            images.c_str(), run->id().c_str(), int(index), back ? "back" : "front",
                            line, back ? "back" : "front");
      if (back)
        papplClientHTMLPrintf(client, "Row %d, back", line);
      else
        papplClientHTMLPrintf(client,
                              "<label><input type=\"checkbox\" name=\"row-%d\"> Row %d%s</label>",
                              line, line, templates.back ? ", front" : "");
      papplClientHTMLPuts(client, "</figcaption></figure>\n");
    }
  }
  papplClientHTMLPuts(client, "          </div>\n");
  if (pages > 1) {
    papplClientHTMLPrintf(client, "          <p class=\"pages\">Page %d of %d:", int(page),
                          int(pages));
    for (std::size_t other = 1; other <= pages; ++other) {
      if (other == page) {
        papplClientHTMLPrintf(client, " <b>%d</b>", int(other));
      } else if (other <= 3 || other + 2 >= pages || (other + 2 >= page && other <= page + 2)) {
        papplClientHTMLPrintf(client, " <a href=\"%s?id=%s&amp;page=%d\">%d</a>",
                              page_path(printer, "run").c_str(), run->id().c_str(), int(other),
                              int(other));
      } else if (other == 4 || other + 3 == pages) {
        papplClientHTMLPuts(client, " …");
      }
    }
    papplClientHTMLPuts(client, "</p>\n");
  }

  papplClientHTMLPuts(
      client,
      "          <h2 class=\"title\">Print</h2>\n"
      "          <table class=\"form\">\n            <tbody>\n"
      "              <tr><th>Rows:</th><td><label><input type=\"radio\" name=\"rows\" "
      "value=\"all\" checked> All</label> <label><input type=\"radio\" name=\"rows\" "
      "value=\"range\"> These: <input type=\"text\" name=\"range\" placeholder=\"2-3,7\" "
      "size=\"12\"></label> <label><input type=\"radio\" name=\"rows\" value=\"chosen\"> The "
      "rows ticked</label></td></tr>\n");
  settings_inputs(client, run->settings());
  return end_form(client,
                  "<input type=\"submit\" name=\"action\" value=\"Print\"> <input "
                  "type=\"submit\" name=\"action\" value=\"Show With These Settings\"> <input "
                  "type=\"submit\" name=\"action\" value=\"Abandon Run\" formnovalidate>");
}

// A run's card side, as held.
bool run_image(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!allowed(client, printer)) return true;
  const Fields query = query_fields(client);
  const std::shared_ptr<CardRun> run = requested_run(client, printer, query);
  if (!run) return true;
  const std::string row = field(query, "row"), side = field(query, "side");
  char* end = nullptr;
  const unsigned long index = std::strtoul(row.c_str(), &end, 10);
  std::optional<std::vector<std::uint8_t>> bytes;
  if (!row.empty() && *end == 0 && (side == "front" || side == "back"))
    bytes = run->preview(index, side == "back",
                         [client] { return papplSystemIsShutdown(papplClientGetSystem(client)); });
  return respond_png(
      client, bytes ? std::span<const std::uint8_t>(*bytes) : std::span<const std::uint8_t>());
}

}  // namespace

std::string posted_rows(const Fields& fields) {
  const std::string which = field(fields, "rows");
  if (which == "range") {
    const std::string text = field(fields, "range");
    if (text.empty()) throw print::Error("Rows", "give the rows to print, as \"2-3,7\"");
    return text;
  }
  if (which == "chosen") {
    std::string chosen;
    for (const auto& [name, value] : fields) {
      if (name.starts_with("row-")) chosen += (chosen.empty() ? "" : ",") + name.substr(4);
    }
    if (chosen.empty()) throw print::Error("Rows", "tick at least one row");
    return chosen;
  }
  return "";
}

void add_design_pages(pappl_printer_t* printer) {
  pappl_system_t* system = papplPrinterGetSystem(printer);
  const std::string designs = page_path(printer, "designs");
  papplSystemAddResourceCallback(system, designs.c_str(), "text/html", designs_page, printer);
  papplSystemAddResourceCallback(system, page_path(printer, "design").c_str(), "text/html",
                                 design_page, printer);
  papplSystemAddResourceCallback(system, page_path(printer, "run").c_str(), "text/html", run_page,
                                 printer);
  papplSystemAddResourceCallback(system, page_path(printer, "run.png").c_str(), "image/png",
                                 run_image, printer);
  papplPrinterAddLink(printer, "Card Designs", designs.c_str(),
                      pappl_loptions_t(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_STATUS));
}

}  // namespace ymcko::app
