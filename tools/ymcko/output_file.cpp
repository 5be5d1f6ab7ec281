// Atomic output: temporary file, then rename.
#include "ymcko/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

std::string system_error(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// The temporary files the signal handler removes: a path is written while its
// slot is claimed and not ready, and read by the handler only once ready.
struct InterruptSlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};
  char path[PATH_MAX];
};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads the flags");
InterruptSlot interrupt_slots[4];

void remove_and_exit(int signal) {
  for (InterruptSlot& slot : interrupt_slots) {
    if (slot.ready.load()) ::unlink(slot.path);
  }
  ::_exit(128 + signal);
}

// A slot holding `path`, or -1 when all are taken or the path is too long.
int claim_interrupt_slot(const std::filesystem::path& path) {
  const std::string& text = path.native();
  if (text.size() >= PATH_MAX) return -1;
  for (int i = 0; i < int(std::size(interrupt_slots)); ++i) {
    InterruptSlot& slot = interrupt_slots[i];
    bool expected = false;
    if (!slot.claimed.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slot.path, text.c_str(), text.size() + 1);
    slot.ready.store(true);
    return i;
  }
  return -1;
}

void release_interrupt_slot(int& index) {
  if (index < 0) return;
  interrupt_slots[index].ready.store(false);
  interrupt_slots[index].claimed.store(false);
  index = -1;
}

// The replaced file's owner and mode for the new one; where the file system
// or the user's rights do not allow it, the new file keeps its own.
void take_owner_and_mode(int fd, const std::filesystem::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
  // The owner first: a change of owner clears the set-ID bits.
  [[maybe_unused]] int ignored = ::fchown(fd, old.st_uid, old.st_gid);
  ignored = ::fchmod(fd, old.st_mode & 07777);
}

// The descriptor a name stands for: standard output's and standard error's
// names and their /dev/fd and /proc/self/fd names; -1 for any other name.
int descriptor_named(const std::filesystem::path& name) {
  const std::string text = name.string();
  if (text == "-" || text == "/dev/stdout") return 1;
  if (text == "/dev/stderr") return 2;
  for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
    for (int fd : {1, 2}) {
      if (text == folder + std::to_string(fd)) return fd;
    }
  }
  return -1;
}

// Where the job goes for a target name: a symbolic link is followed to what
// it points at, so that the link itself stays as it is; a descriptor's name
// is the descriptor.
struct Destination {
  std::filesystem::path path;
  int fd = -1;
};

Destination destination_of(const std::filesystem::path& target) {
  std::filesystem::path path = target;
  for (int links = 0; links < 40; ++links) {
    if (const int fd = descriptor_named(path); fd >= 0) return {path, fd};
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
      return {path, -1};
    }
    const std::filesystem::path link = std::filesystem::read_symlink(path, error);
    if (error) throw ToolError(target.string(), "its symbolic link cannot be read");
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  throw ToolError(target.string(), "too many symbolic links");
}

}  // namespace

void remove_temporaries_on_interrupt() {
  // Each of the three is held off while the handler runs for another.
  struct sigaction action {};
  action.sa_handler = remove_and_exit;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

OutputFile::OutputFile(std::filesystem::path target, WriteCall write_call)
    : target_(std::move(target)), write_call_(std::move(write_call)) {
  if (!write_call_)
    write_call_ = [](int fd, const void* bytes, std::size_t count) {
      return ::write(fd, bytes, count);
    };
  const Destination destination = destination_of(target_);
  if (destination.fd >= 0) {
    fd_ = destination.fd;
    return;
  }
  destination_ = destination.path;
  std::error_code error;
  if (std::filesystem::is_directory(destination_, error))
    throw ToolError(target_.string(), "is a folder, not a file");
  // A hidden name of our own in the destination's folder, created
  // exclusively and for its owner alone: a job holds stripe texts and photos.
  static std::atomic<unsigned> counter{0};
  std::filesystem::path folder = destination_.parent_path();
  std::string base = destination_.filename().string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = folder / ("." + base + "." + std::to_string(::getpid()) +
                                                "." + std::to_string(counter++) + ".tmp");
    // The name is handed to the signal handler before the file exists, so
    // that no moment passes with a file the handler does not know.
    interrupt_slot_ = claim_interrupt_slot(candidate);
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      temporary_ = candidate;
      take_owner_and_mode(fd_, destination_);
      return;
    }
    const int error = errno;
    release_interrupt_slot(interrupt_slot_);
    errno = error;
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
    if (!failure_ && ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
      failure_ = system_error("cannot replace it", errno);
    }
  }
  if (!failure_) release_interrupt_slot(interrupt_slot_);
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
  release_interrupt_slot(interrupt_slot_);
  temporary_.clear();
}

}  // namespace ymcko::tool
