// What the application's own web pages share: their paths, their forms and
// queries, a page's message, the end of a form and the pictures they send.
#pragma once

#include <pappl/pappl.h>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ymcko::app {

using Fields = std::map<std::string, std::string>;

// The path of one of a printer's pages ("designs": "/card/designs").
std::string page_path(pappl_printer_t* printer, const char* page);

// The query's or a url-encoded form's fields, as PAPPL reads them; `valid`
// says whether a posted form carried the page's form check.
Fields form_fields(pappl_client_t* client, bool* valid = nullptr);

// A posted form's fields, or none for a form without the page's form check.
std::optional<Fields> posted_form(pappl_client_t* client);

// The fields of a query string, percent-decoded and "+" a space; a field
// without "=" is left out, a later one of the same name wins.
Fields parse_query(std::string_view text);

// The request's query, whatever its method (a POST's body is its form).
Fields query_fields(pappl_client_t* client);

// A value as a query carries it: letters, digits, "-", "_" and "." as they
// are, every other byte percent-encoded.
std::string query_value(std::string_view text);

// A field's value, empty when it is not given.
std::string field(const Fields& fields, const std::string& name);

// A page's message, when it has one.
void banner(pappl_client_t* client, const std::string& status);

// Ends a form's table with a row of its buttons (HTML), then the page.
bool end_form(pappl_client_t* client, const char* buttons);

// Answers with the PNG, or with 404 when there is none.
bool respond_png(pappl_client_t* client, std::span<const std::uint8_t> png);

}  // namespace ymcko::app
