// The tool's manual page and shell completion, written from its own command
// line and the settings table, so that neither can drift from the program.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>

namespace ymcko::tool {

// The manual page, ymcko(1), in the man macros of roff.
void write_manual(const CLI::App& app, std::ostream& out);

// A bash completion script for the commands, their options and the choices
// of the settings.
void write_bash_completion(const CLI::App& app, std::ostream& out);

}  // namespace ymcko::tool
