// A small JSON reader for the tools' setup files: objects, arrays, strings,
// integers, booleans and null. Refuses anything else with the line and
// column and what was expected there.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ymcko::tools {

struct json_value;
struct json_member;
using json_object = std::vector<json_member>;  // members in the document's order
using json_array = std::vector<json_value>;

// Strings are kept as UTF-16, as the driver's names are; integers as 64-bit.
struct json_value {
  std::variant<std::nullptr_t, bool, std::int64_t, std::u16string, json_array, json_object> data;
};

struct json_member {
  std::string name;
  json_value value;
};

struct json_error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads one JSON document (UTF-8); throws json_error on malformed text.
json_value parse_json(std::string_view text);

}  // namespace ymcko::tools
