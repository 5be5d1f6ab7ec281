// Jobs streamed to devices, FIFOs, local sockets and TCP printers.
#include "ymcko/device_output.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <thread>

#if defined(__linux__)
#include <linux/sockios.h>
#endif

#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

constexpr std::string_view kSocketScheme = "socket://";

std::string system_error(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// Connects a socket within the timeout; the socket is blocking again after.
// Returns the error of the attempt, or 0.
int connect_within(int fd, const sockaddr* address, socklen_t length) {
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int error = 0;
  if (::connect(fd, address, length) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      const int timeout = int(std::chrono::milliseconds(kConnectTimeout).count());
      int ready;
      while ((ready = ::poll(&wait, 1, timeout)) < 0 && errno == EINTR) {
      }
      if (ready == 0) {
        error = ETIMEDOUT;
      } else {
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      }
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  return error;
}

// "socket://HOST[:PORT]" or "socket://[IPV6]:PORT" as host and port.
std::pair<std::string, std::string> host_and_port(const std::string& target) {
  std::string rest = target.substr(kSocketScheme.size());
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string host = rest;
  std::string port = std::to_string(kRawPort);
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos)
      throw UsageError(target, "an IPv6 address is written [ADDRESS]:PORT");
    host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':')
        throw UsageError(target, "the address is followed by :PORT or nothing");
      port = rest.substr(close + 2);
    }
  } else if (const auto colon = rest.rfind(':'); colon != std::string::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  int number = 0;
  auto [at, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (port.empty() || error != std::errc() || at != port.data() + port.size() || number < 1 ||
      number > 65535) {
    throw UsageError(target, "the port must be a number from 1 to 65535, not \"" + port + "\"");
  }
  if (host.empty()) throw UsageError(target, "no printer is named: write socket://HOST[:PORT]");
  return {host, port};
}

using Clock = std::chrono::steady_clock;

// How often the acknowledgements of a job's last bytes are looked at.
constexpr std::chrono::milliseconds kAcknowledgementPoll{50};

// A job sent over a TCP connection, which is non-blocking so that a printer
// that stops reading is noticed: when no byte can be handed to the
// connection for the time-out, or after the last none of those still
// unacknowledged is taken, the job fails. The connection is then reset, so
// that what waits in the system's buffers never reaches the printer after
// the tool has said the job failed.
class SocketOutput final : public JobOutput {
 public:
  SocketOutput(int fd, std::string name, std::chrono::seconds timeout)
      : fd_(fd), name_(std::move(name)), timeout_(timeout) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  }
  ~SocketOutput() override {
    if (fd_ >= 0) ::close(fd_);
  }
  SocketOutput(const SocketOutput&) = delete;
  SocketOutput& operator=(const SocketOutput&) = delete;

  bool write(std::span<const std::uint8_t> bytes) override;
  std::string name() const override { return name_; }
  std::string failure() const override { return failure_.value_or("cannot be written"); }
  // What was sent stays sent; the session has ended the document.
  void discard() override {}
  // Waits until the printer has acknowledged every byte, where the system
  // tells, then shuts the connection for writing, so the printer sees the
  // job's end, and closes it. Throws ToolError when the printer stalls or
  // the connection fails.
  void commit() override;

 private:
  // The message for a printer that took nothing for the time-out.
  std::string stalled(const std::string& sent) const {
    return "the printer has read nothing for " + std::to_string(timeout_.count()) +
           " s (--socket-timeout); " + sent;
  }
  // Remembers why the job failed and resets the connection.
  void give_up(std::string why);
  void wait_for_acknowledgement();

  int fd_;
  std::string name_;
  std::chrono::seconds timeout_;
  std::uint64_t sent_ = 0;
  std::optional<std::string> failure_;
};

bool SocketOutput::write(std::span<const std::uint8_t> bytes) {
  if (failure_) return false;
  // The time-out runs from the last byte the connection took; the time the
  // tool spends between writes drawing cards is not the printer's.
  Clock::time_point deadline = Clock::now() + timeout_;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent > 0) {
      done += std::size_t(sent);
      sent_ += std::uint64_t(sent);
      deadline = Clock::now() + timeout_;
      continue;
    }
    const int error = sent < 0 ? errno : ENOSPC;
    if (error == EINTR) continue;
    if (error != EAGAIN && error != EWOULDBLOCK) {
      give_up("cannot be written after " + std::to_string(sent_) +
              " bytes were sent: " + std::strerror(error));
      return false;
    }
    if (Clock::now() >= deadline) {
      give_up(stalled(std::to_string(sent_) + " bytes were sent"));
      return false;
    }
    // Room in the connection, or its failure, which the next send reports.
    pollfd wait{fd_, POLLOUT, 0};
    ::poll(&wait, 1,
           int(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count()));
  }
  return true;
}

void SocketOutput::give_up(std::string why) {
  failure_ = std::move(why);
  // A close that lingers for no time resets the connection and drops what
  // was not yet sent.
  const linger now{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &now, sizeof now);
  ::close(fd_);
  fd_ = -1;
}

// The system counts the bytes sent that the printer has not acknowledged
// (Linux: SIOCOUTQ); elsewhere, or when it will not say, the job ends as
// soon as its last byte was handed over. The printer's acknowledging any of
// them starts the time-out again; a reset or other failure of the
// connection while they wait is reported.
void SocketOutput::wait_for_acknowledgement() {
#if defined(SIOCOUTQ)
  int left = 0;
  if (::ioctl(fd_, SIOCOUTQ, &left) != 0) return;
  Clock::time_point deadline = Clock::now() + timeout_;
  while (left > 0) {
    const std::string sent = "all " + std::to_string(sent_) + " bytes were sent, the last " +
                             std::to_string(left) + " of them unread";
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0) {
      give_up("the connection failed before the printer read the whole job: " +
              std::string(std::strerror(error)) + "; " + sent);
      throw ToolError(name_, *failure_);
    }
    if (Clock::now() >= deadline) {
      give_up(stalled(sent));
      throw ToolError(name_, *failure_);
    }
    std::this_thread::sleep_for(
        std::min<Clock::duration>(kAcknowledgementPoll, deadline - Clock::now()));
    const int before = left;
    if (::ioctl(fd_, SIOCOUTQ, &left) != 0) return;
    if (left < before) deadline = Clock::now() + timeout_;
  }
#endif
}

void SocketOutput::commit() {
  if (failure_) throw ToolError(name_, *failure_);
  wait_for_acknowledgement();
  int error = 0;
  if (::shutdown(fd_, SHUT_WR) != 0 && errno != ENOTCONN) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) {
    throw ToolError(name_, "the job's end could not be sent after " + std::to_string(sent_) +
                               " bytes: " + std::strerror(error));
  }
}

std::unique_ptr<JobOutput> connect_tcp(const std::string& target, std::chrono::seconds timeout) {
  const auto [host, port] = host_and_port(target);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int status = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); status != 0) {
    throw ToolError(target,
                    "cannot find the printer's address: " + std::string(::gai_strerror(status)));
  }
  int error = 0;
  for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const int fd =
        ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    error = connect_within(fd, address->ai_addr, address->ai_addrlen);
    if (error == 0) {
      ::freeaddrinfo(found);
      return std::make_unique<SocketOutput>(fd, target, timeout);
    }
    ::close(fd);
  }
  ::freeaddrinfo(found);
  throw ToolError(target, error == ETIMEDOUT
                              ? "cannot reach the printer: no answer within " +
                                    std::to_string(kConnectTimeout.count()) + " seconds"
                              : system_error("cannot reach the printer", error));
}

std::unique_ptr<JobOutput> connect_local(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    throw ToolError(path, "the socket's path is too long");
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw ToolError(path, system_error("cannot make a socket", errno));
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    throw ToolError(path, system_error("cannot connect to the socket", error));
  }
  return std::make_unique<StreamOutput>(fd, path);
}

}  // namespace

std::unique_ptr<JobOutput> open_output(const std::string& target,
                                       std::chrono::seconds socket_timeout) {
  if (target.rfind(kSocketScheme, 0) == 0) return connect_tcp(target, socket_timeout);
  struct stat info {};
  if (target != "-" && ::stat(target.c_str(), &info) == 0) {
    if (S_ISSOCK(info.st_mode)) return connect_local(target);
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
      // A FIFO's open waits for its reader, as a printer's would.
      int fd;
      while ((fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
      }
      if (fd < 0) throw ToolError(target, system_error("cannot be opened for writing", errno));
      return std::make_unique<StreamOutput>(fd, target);
    }
  }
  return std::make_unique<OutputFile>(target);
}

StreamOutput::~StreamOutput() {
  if (fd_ >= 0) ::close(fd_);
}

void StreamOutput::commit() {
  int error = 0;
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISSOCK(info.st_mode) && ::shutdown(fd_, SHUT_WR) != 0 &&
      errno != ENOTCONN) {
    error = errno;
  }
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) {
    throw ToolError(sink_.name(), "the job's end did not reach the printer after " +
                                      std::to_string(sink_.bytes_written()) +
                                      " bytes: " + std::strerror(error));
  }
}

}  // namespace ymcko::tool
