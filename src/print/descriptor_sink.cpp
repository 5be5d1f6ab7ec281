// A job written to an open file descriptor.
#include "print/descriptor_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ymcko::print {

bool DescriptorSink::write(std::span<const std::uint8_t> bytes) {
  if (error_) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error_ = wrote < 0 ? errno : ENOSPC;
      return false;
    }
    done += std::size_t(wrote);
    written_ += std::uint64_t(wrote);
  }
  return true;
}

std::string DescriptorSink::failure() const {
  std::string reason = error_ ? std::strerror(*error_) : "the output refused the job";
  return "cannot be written after " + std::to_string(written_) + " bytes were sent: " + reason;
}

}  // namespace ymcko::print
