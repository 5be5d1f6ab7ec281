// Strict reading of JSON values for settings files: the exact type and the
// range a key takes, with an Error naming the key otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace ymcko::print {

// How a value is named in messages ("a string", "the number 2.5").
std::string json_type_of(const nlohmann::json& value);

// An integer from `min` to `max`; `what` names the value within the key.
std::int64_t json_integer(const nlohmann::json& value, std::string_view key, std::int64_t min,
                          std::int64_t max, std::string_view what = {});

bool json_boolean(const nlohmann::json& value, std::string_view key);

const std::string& json_string(const nlohmann::json& value, std::string_view key);

// An array of exactly `count` elements; `shape` shows it in messages.
const nlohmann::json& json_array(const nlohmann::json& value, std::string_view key,
                                 std::size_t count, const char* shape);

// Parses a whole JSON text that must be an object; errors name `input`.
nlohmann::json parse_json_object(std::string_view text, const std::string& input, const char* what);

}  // namespace ymcko::print
