// The print service's errors and warnings: each names the input it is about
// (a file, a flag, a setting, an output) and says what is wrong, so a front
// end can show it as one line.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ymcko::print {

// A job, a file or a setting that cannot be taken: the one error the print
// service and the card-content layer throw. A setting refused for its value
// names its settings key as the input; a reader of a file turns that into an
// error naming the file.
class Error : public std::runtime_error {
 public:
  Error(std::string input, const std::string& what)
      : std::runtime_error(what), input_(std::move(input)) {}
  const std::string& input() const { return input_; }

 private:
  std::string input_;
};

// Data the job's settings cannot carry out as given (stripe texts for a
// printer without an encoder): the fault is in the settings, and front ends
// report it as they report a wrong command line or request.
class SettingNeeded : public Error {
 public:
  using Error::Error;
};

// The same error naming `where` first ("people.csv:2: track1: ..."), of the
// same kind.
[[noreturn]] inline void rethrow_at(const std::string& where, const Error& error) {
  const std::string what = error.input() + ": " + error.what();
  if (dynamic_cast<const SettingNeeded*>(&error)) throw SettingNeeded(where, what);
  throw Error(where, what);
}

// Text from an input made safe for a one-line message: control characters
// (a NUL, a line break) are shown escaped as in JSON, "\u0000".
inline std::string printable_text(std::string_view text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
      shown += escaped;
    } else {
      shown += char(c);
    }
  }
  return shown;
}

// Something the job goes on with but a person should know.
struct Warning {
  std::string input;
  std::string what;
};

using Warnings = std::vector<Warning>;

}  // namespace ymcko::print
