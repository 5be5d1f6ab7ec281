// Reading the files a job is made from.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace ymcko::print {

// A whole file, or an Error naming it.
std::vector<std::uint8_t> read_file(const std::filesystem::path& path);

// The rest of an open file, or an Error naming it `name`. The file stays open.
std::vector<std::uint8_t> read_rest(std::FILE* file, const std::string& name);

}  // namespace ymcko::print
