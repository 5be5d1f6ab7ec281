// Atomic output: temporary file, then rename.
#include "ymcko/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

std::string system_error(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

OutputFile::OutputFile(std::filesystem::path target, WriteCall write_call)
    : target_(std::move(target)), write_call_(std::move(write_call)) {
  if (!write_call_)
    write_call_ = [](int fd, const void* bytes, std::size_t count) {
      return ::write(fd, bytes, count);
    };
  if (target_ == "-") {
    fd_ = 1;
    return;
  }
  std::error_code error;
  if (std::filesystem::is_directory(target_, error))
    throw ToolError(target_.string(), "is a folder, not a file");
  // A hidden name of our own in the target's folder, created exclusively and
  // with the mode a new file gets (0666 less the umask).
  static std::atomic<unsigned> counter{0};
  std::filesystem::path folder = target_.parent_path();
  std::string base = target_.filename().string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = folder / ("." + base + "." + std::to_string(::getpid()) +
                                                "." + std::to_string(counter++) + ".tmp");
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temporary_ = candidate;
      return;
    }
    if (errno != EEXIST) break;
  }
  throw ToolError(target_.string(), system_error("cannot create a file in its folder", errno));
}

OutputFile::~OutputFile() {
  if (!committed_) discard();
}

bool OutputFile::write(std::span<const std::uint8_t> bytes) {
  if (failure_) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote = write_call_(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      failure_ = wrote < 0 ? system_error("cannot be written", errno)
                           : "cannot be written: no space taken";
      return false;
    }
    done += std::size_t(wrote);
  }
  return true;
}

void OutputFile::fail(const std::string& reason) {
  if (!failure_) failure_ = reason;
}

void OutputFile::commit() {
  if (!failure_ && !temporary_.empty()) {
    if (::fsync(fd_) != 0) failure_ = system_error("cannot be written", errno);
    if (::close(fd_) != 0 && !failure_) failure_ = system_error("cannot be written", errno);
    fd_ = -1;
    if (!failure_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
      failure_ = system_error("cannot replace it", errno);
    }
  }
  if (failure_) {
    discard();
    throw ToolError(target_.string(), *failure_);
  }
  committed_ = true;
}

void OutputFile::discard() {
  if (fd_ >= 0 && !temporary_.empty()) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace ymcko::tool
