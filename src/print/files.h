// Reading the files a job is made from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace ymcko::print {

// A whole file, or an Error naming it.
std::vector<std::uint8_t> read_file(const std::filesystem::path& path);

}  // namespace ymcko::print
