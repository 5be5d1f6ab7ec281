// The command line of the ymcko tool: the print, inspect and info commands,
// their options, and the exit status (0 success, 1 a runtime or input error,
// 2 a usage error), with every error one line on the error stream.
#pragma once

#include <ostream>
#include <string>

namespace ymcko::print {
struct Setting;
}

namespace ymcko::tool {

// The flag of a row of the settings table: "--" and its dashed key, or its
// own flag name.
std::string flag_for(const print::Setting& setting);

// Runs the tool as `main` would; output and errors go to the given streams.
// `stderr_is_terminal` turns on the progress bar.
int run_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
             bool stderr_is_terminal);

}  // namespace ymcko::tool
