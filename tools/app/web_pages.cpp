// The helpers of the application's web pages.
#include "app/web_pages.h"

#include <cctype>
#include <cstdio>

namespace ymcko::app {

std::string page_path(pappl_printer_t* printer, const char* page) {
  char path[256];
  papplPrinterGetPath(printer, page, path, sizeof path);
  return path;
}

Fields form_fields(pappl_client_t* client, bool* valid) {
  cups_option_t* form = nullptr;
  const int count = papplClientGetForm(client, &form);
  Fields fields;
  for (int i = 0; i < count; ++i) fields[form[i].name] = form[i].value;
  if (valid != nullptr) *valid = count > 0 && papplClientIsValidForm(client, count, form);
  cupsFreeOptions(count, form);
  return fields;
}

std::optional<Fields> posted_form(pappl_client_t* client) {
  bool valid = false;
  Fields fields = form_fields(client, &valid);
  if (!valid) return std::nullopt;
  return fields;
}

Fields parse_query(std::string_view text) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  auto decoded = [&](std::string_view part) {
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
      if (part[i] == '+') {
        out += ' ';
      } else if (part[i] == '%' && i + 2 < part.size() && hex(part[i + 1]) && hex(part[i + 2])) {
        out += char(std::stoi(std::string(part.substr(i + 1, 2)), nullptr, 16));
        i += 2;
      } else {
        out += part[i];
      }
    }
    return out;
  };
  Fields fields;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('&', start), text.size());
    const std::string_view item = text.substr(start, end - start);
    const std::size_t equals = item.find('=');
    if (equals != std::string_view::npos)
      fields[decoded(item.substr(0, equals))] = decoded(item.substr(equals + 1));
    start = end + 1;
  }
  return fields;
}

Fields query_fields(pappl_client_t* client) {
  const char* options = papplClientGetOptions(client);
  return parse_query(options != nullptr ? options : "");
}

std::string query_value(std::string_view text) {
  std::string encoded;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      encoded += char(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      encoded += hex;
    }
  }
  return encoded;
}

std::string field(const Fields& fields, const std::string& name) {
  const auto found = fields.find(name);
  return found != fields.end() ? found->second : "";
}

void banner(pappl_client_t* client, const std::string& status) {
  if (!status.empty())
    papplClientHTMLPrintf(client, "          <div class=\"banner\">%s</div>\n", status.c_str());
}

bool end_form(pappl_client_t* client, const char* buttons) {
  // Puts, not Printf: Printf would escape the buttons' markup.
  papplClientHTMLPuts(client, "              <tr><th></th><td>");
  papplClientHTMLPuts(client, buttons);
  papplClientHTMLPuts(client,
                      "</td></tr>\n            </tbody>\n          </table>\n        </form>\n");
  papplClientHTMLPrinterFooter(client);
  return true;
}

bool respond_png(pappl_client_t* client, std::span<const std::uint8_t> png) {
  if (png.empty()) return papplClientRespond(client, HTTP_STATUS_NOT_FOUND, nullptr, nullptr, 0, 0);
  if (!papplClientRespond(client, HTTP_STATUS_OK, nullptr, "image/png", 0, png.size()))
    return false;
  return httpWrite2(papplClientGetHTTP(client), reinterpret_cast<const char*>(png.data()),
                    png.size()) == ssize_t(png.size());
}

}  // namespace ymcko::app
