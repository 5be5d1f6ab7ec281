// A printer at the other end of a socket, for tests of what is sent to one.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "support/scratch.h"

namespace ymcko::testing {

// A listener on a TCP port of loopback or on a local socket; take() accepts
// one connection and reads it to its end, or reads `limit` bytes and closes.
// `after_first`, when given, runs once the first bytes have arrived and
// holds the rest back until it returns, as a printer busy with a card would.
// hold() accepts one connection and reads nothing, as a printer that has
// stopped would, until the other end drops it or `at_most` has passed.
class Listener {
 public:
  explicit Listener(const std::filesystem::path* local = nullptr) {
    if (local != nullptr) {
      fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, local->c_str(), sizeof address.sun_path - 1);
      ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
      fd_ = bind_loopback(port_);
    }
    ::listen(fd_, 1);
  }
  ~Listener() { ::close(fd_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  int port() const { return port_; }

  std::future<std::string> take(std::size_t limit = SIZE_MAX,
                                std::function<void()> after_first = {}) {
    return std::async(std::launch::async, [this, limit, after_first] {
      const int peer = ::accept(fd_, nullptr, nullptr);
      std::string bytes;
      char chunk[65536];
      ssize_t got;
      while (bytes.size() < limit &&
             (got = ::read(peer, chunk, std::min(sizeof chunk, limit - bytes.size()))) > 0) {
        if (bytes.empty() && after_first) after_first();
        bytes.append(chunk, std::size_t(got));
      }
      ::close(peer);
      return bytes;
    });
  }

  std::future<void> hold(std::chrono::milliseconds at_most) {
    return std::async(std::launch::async, [this, at_most] {
      pollfd waiting{fd_, POLLIN, 0};
      if (::poll(&waiting, 1, int(at_most.count())) != 1) return;
      const int peer = ::accept(fd_, nullptr, nullptr);
      pollfd dropped{peer, POLLRDHUP, 0};
      ::poll(&dropped, 1, int(at_most.count()));
      ::close(peer);
    });
  }

 private:
  int fd_;
  int port_ = 0;
};

}  // namespace ymcko::testing
