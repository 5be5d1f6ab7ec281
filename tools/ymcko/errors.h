// Errors the tool reports to people: each names the input it is about and
// says what is wrong, and becomes one line "ymcko: error: <input>: <what>".
#pragma once

#include <string>

#include "print/errors.h"

namespace ymcko::tool {

// A runtime or input error (exit status 1); the print service's errors are these.
using ToolError = print::Error;

// A command line that cannot be carried out as given (exit status 2).
class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

using print::Warning;
using print::Warnings;

// The one line printed for an error.
inline std::string error_line(const ToolError& error) {
  return "ymcko: error: " + error.input() + ": " + error.what();
}

inline std::string warning_line(const Warning& warning) {
  return "ymcko: warning: " + warning.input + ": " + warning.what;
}

}  // namespace ymcko::tool
