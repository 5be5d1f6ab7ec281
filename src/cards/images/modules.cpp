// Module loading with dlopen, and helper programs found beside them.
#include "cards/images/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace ymcko::cards {
namespace {

// lib/ymcko beside the program's folder, then where modules are installed.
std::vector<std::filesystem::path> module_folders() {
  std::vector<std::filesystem::path> candidates;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) candidates.push_back(program.parent_path().parent_path() / "lib" / "ymcko");
  candidates.push_back(YMCKO_MODULE_DIR);
  return candidates;
}

}  // namespace

std::optional<std::filesystem::path> module_program(const char* name, std::string& failure) {
  failure = std::string("no ") + name + " in";
  for (const std::filesystem::path& folder : module_folders()) {
    if (::access((folder / name).c_str(), X_OK) == 0) return folder / name;
    failure += " " + folder.string();
  }
  return std::nullopt;
}

void* module_entry(const char* module_name, const char* symbol, std::string& failure) {
  for (const std::filesystem::path& folder : module_folders()) {
    const std::string path = (folder / module_name).string();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      failure = dlerror();
      continue;
    }
    if (void* entry = dlsym(module, symbol)) return entry;
    failure = path + " has no " + symbol;
  }
  return nullptr;
}

}  // namespace ymcko::cards
