// Reading the files a job is made from.
#include "print/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "print/errors.h"

namespace ymcko::print {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw Error(path.string(), "is a folder, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    throw Error(path.string(), std::string("cannot be opened: ") + std::strerror(errno));
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(file, std::fclose);
  return read_rest(file, path.string());
}

std::vector<std::uint8_t> read_rest(std::FILE* file, const std::string& name) {
  // Read in one go when the size is known; a pipe or a file that grows is
  // read on in chunks.
  std::vector<std::uint8_t> bytes;
  struct stat status {};
  const long at = std::ftell(file);
  if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) && at >= 0 &&
      status.st_size > at) {
    bytes.resize(std::size_t(status.st_size - at));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  }
  std::uint8_t chunk[1 << 16];
  std::size_t got;
  while (!std::ferror(file) && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  if (std::ferror(file)) throw Error(name, std::string("cannot be read: ") + std::strerror(errno));
  return bytes;
}

}  // namespace ymcko::print
