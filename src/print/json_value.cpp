// Strict JSON value checks.
#include "print/json_value.h"

#include <nlohmann/json.hpp>

#include "print/errors.h"

namespace ymcko::print {

using nlohmann::json;

std::string json_type_of(const json& value) {
  switch (value.type()) {
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float:
      return "the number " + value.dump();
    case json::value_t::string:
      return "a string";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    case json::value_t::null:
      return "null";
    default:
      return "a value of another kind";
  }
}

std::int64_t json_integer(const json& value, std::string_view key, std::int64_t min,
                          std::int64_t max, std::string_view what) {
  std::string name(what.empty() ? std::string_view("the value") : what);
  if (!value.is_number_integer()) {
    throw Error(std::string(key), name + " must be an integer, not " + json_type_of(value));
  }
  bool in_range;
  std::int64_t number = 0;
  if (value.is_number_unsigned()) {
    auto unsigned_value = value.get<std::uint64_t>();
    in_range =
        unsigned_value <= std::uint64_t(max) && (min <= 0 || unsigned_value >= std::uint64_t(min));
    number = in_range ? std::int64_t(unsigned_value) : 0;
  } else {
    number = value.get<std::int64_t>();
    in_range = number >= min && number <= max;
  }
  if (!in_range) {
    throw Error(std::string(key), name + " must be from " + std::to_string(min) + " to " +
                                      std::to_string(max) + ", not " + value.dump());
  }
  return number;
}

bool json_boolean(const json& value, std::string_view key) {
  if (!value.is_boolean()) {
    throw Error(std::string(key), "the value must be true or false, not " + json_type_of(value));
  }
  return value.get<bool>();
}

const std::string& json_string(const json& value, std::string_view key) {
  if (!value.is_string()) {
    throw Error(std::string(key), "the value must be a string, not " + json_type_of(value));
  }
  return value.get_ref<const std::string&>();
}

const json& json_array(const json& value, std::string_view key, std::size_t count,
                       const char* shape) {
  if (!value.is_array() || value.size() != count) {
    throw Error(std::string(key),
                std::string("the value must be ") + shape + ", not " +
                    (value.is_array() ? "an array of " + std::to_string(value.size())
                                      : json_type_of(value)));
  }
  return value;
}

json parse_json_object(std::string_view text, const std::string& input, const char* what) {
  json document;
  try {
    document = json::parse(text.begin(), text.end());
  } catch (const json::exception& error) {
    // The library's text reads "[json.exception.parse_error.101] parse error at ..."
    // (or out_of_range.406 for a number too large for a double).
    std::string message = error.what();
    std::size_t bracket = message.find("] ");
    throw Error(input, "not valid JSON: " +
                           (bracket == std::string::npos ? message : message.substr(bracket + 2)));
  }
  if (!document.is_object()) {
    throw Error(input, std::string(what) + " must be a JSON object, not " + json_type_of(document));
  }
  return document;
}

}  // namespace ymcko::print
