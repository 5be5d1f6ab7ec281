// Module loading with dlopen.
#include "cards/images/modules.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace ymcko::cards {

void* module_entry(const char* module_name, const char* symbol, std::string& failure) {
  std::vector<std::filesystem::path> candidates;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) candidates.push_back(program.parent_path().parent_path() / "lib" / "ymcko");
  candidates.push_back(YMCKO_MODULE_DIR);
  for (const std::filesystem::path& folder : candidates) {
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
