// Reading the files a job is made from.
#include "print/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "print/errors.h"

namespace ymcko::print {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw Error(path.string(), "is a folder, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    throw Error(path.string(), std::string("cannot be opened: ") + std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = std::ferror(file) != 0;
  int saved = errno;
  std::fclose(file);
  if (failed) throw Error(path.string(), std::string("cannot be read: ") + std::strerror(saved));
  return bytes;
}

}  // namespace ymcko::print
