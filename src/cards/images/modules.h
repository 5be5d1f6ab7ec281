// The card content's loaded modules and helper programs: renderers whose
// libraries would cost every run of a program their start-up, found beside
// the program or where they are installed and loaded on first use.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "print/errors.h"

namespace ymcko::cards {

// The entry point `symbol` of one of the card-content modules, from lib/ymcko
// beside the program's folder (a build tree or a relocated install), else
// from where it is installed; null, with the reason in `failure`, when none
// loads.
void* module_entry(const char* module_name, const char* symbol, std::string& failure);

// The helper program `name`, found as the modules are; nothing, with the
// reason in `failure`, when there is none.
std::optional<std::filesystem::path> module_program(const char* name, std::string& failure);

// The entry point of type `Function`, loaded once on first use; throws
// print::Error naming `input` when the module is missing: "<what>: the module
// <name> is missing (<reason>)".
template <class Function>
Function module_function(const char* module_name, const char* symbol, const std::string& input,
                         const char* what) {
  static std::once_flag once;
  static Function function = nullptr;
  static std::string failure;
  std::call_once(once, [&] {
    function = reinterpret_cast<Function>(module_entry(module_name, symbol, failure));
  });
  if (function == nullptr)
    throw print::Error(
        input, std::string(what) + ": the module " + module_name + " is missing (" + failure + ")");
  return function;
}

}  // namespace ymcko::cards
