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
namespace {

Error too_large(const std::string& name, const FileLimit& limit) {
  return Error(name, "larger than the " + size_text(limit.bytes) + " " + limit.kind + " may hold");
}

}  // namespace

std::string size_text(std::uint64_t bytes) {
  if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MB";
  if (bytes >= (1u << 10) && bytes % (1u << 10) == 0) return std::to_string(bytes >> 10) + " KB";
  return std::to_string(bytes) + " bytes";
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& path, const FileLimit& limit) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw Error(path.string(), "is a folder, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    throw Error(path.string(), std::string("cannot be opened: ") + std::strerror(errno));
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(file, std::fclose);
  return read_rest(file, path.string(), limit);
}

std::vector<std::uint8_t> read_rest(std::FILE* file, const std::string& name,
                                    const FileLimit& limit, std::uint64_t already) {
  // Read in one go when the size is known; a pipe or a device is read on in
  // chunks, and refused as soon as it passes the limit.
  std::vector<std::uint8_t> bytes;
  struct stat status {};
  const long at = std::ftell(file);
  if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) && at >= 0 &&
      status.st_size > at) {
    if (std::uint64_t(status.st_size - at) + already > limit.bytes) throw too_large(name, limit);
    bytes.resize(std::size_t(status.st_size - at));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  }
  std::uint8_t chunk[1 << 16];
  std::size_t got;
  while (!std::ferror(file) && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes.size() + got + already > limit.bytes) throw too_large(name, limit);
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (std::ferror(file)) throw Error(name, std::string("cannot be read: ") + std::strerror(errno));
  return bytes;
}

}  // namespace ymcko::print
