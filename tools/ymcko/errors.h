// Errors the tool reports to people: each names the input it is about and
// says what is wrong, and becomes one line "ymcko: error: <input>: <what>".
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace ymcko::tool {

// A runtime or input error (exit status 1).
class ToolError : public std::runtime_error {
 public:
  ToolError(std::string input, const std::string& what)
      : std::runtime_error(what), input_(std::move(input)) {}
  const std::string& input() const { return input_; }

 private:
  std::string input_;
};

// A command line that cannot be carried out as given (exit status 2).
class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

// A setting refused for its value; `key` is the settings key it is about.
// Readers turn it into a ToolError naming their input.
class SettingError : public std::runtime_error {
 public:
  SettingError(std::string key, const std::string& what)
      : std::runtime_error(what), key_(std::move(key)) {}
  const std::string& key() const { return key_; }

 private:
  std::string key_;
};

// Something the tool goes on with but a person should know, printed as
// "ymcko: warning: <input>: <what>".
struct Warning {
  std::string input;
  std::string what;
};

// The one line printed for an error.
inline std::string error_line(const ToolError& error) {
  return "ymcko: error: " + error.input() + ": " + error.what();
}

inline std::string warning_line(const Warning& warning) {
  return "ymcko: warning: " + warning.input + ": " + warning.what;
}

using Warnings = std::vector<Warning>;

}  // namespace ymcko::tool
