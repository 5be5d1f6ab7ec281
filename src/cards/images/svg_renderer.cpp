// Card sides rendered in renderer processes, each side within its time
// limit and memory bound, both kept from here.
#include "cards/images/svg_renderer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cards/images/modules.h"
#include "print/errors.h"

extern char** environ;

namespace ymcko::cards {
namespace {

// A renderer sets up fontconfig and pango before it is ready: longer than
// this, and it is taken as broken.
constexpr std::chrono::seconds kStartLimit{30};

// How often a rendering renderer's memory is looked at: in 10 ms a process
// can fault in some tens of MiB, which is all a side can take beyond its
// bound.
constexpr std::chrono::milliseconds kWatchInterval{10};

using Clock = std::chrono::steady_clock;

enum class Status { done, late, stopped, too_large, ended };

// The resident memory of the process whose /proc statm file is open on
// `statm`, in bytes; 0 when it cannot be read.
std::uint64_t resident(int statm) {
  char text[128];
  const ssize_t got = ::pread(statm, text, sizeof text - 1, 0);
  if (got <= 0) return 0;
  text[got] = 0;
  unsigned long long size = 0, pages = 0;
  if (std::sscanf(text, "%llu %llu", &size, &pages) != 2) return 0;
  return pages * std::uint64_t(::sysconf(_SC_PAGESIZE));
}

// One request's exchange with a renderer: what it sends and receives, by
// the deadline, unless rendering is stopped or the renderer's resident
// memory goes past `resident_limit`.
struct Exchange {
  int channel;
  int stop_fd;
  int statm;
  Clock::time_point deadline;
  std::uint64_t resident_limit = UINT64_MAX;

  // Until the channel is ready for `events`.
  Status wait(short events) const {
    while (true) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (resident_limit != UINT64_MAX) left = std::min(left, kWatchInterval);
      pollfd waits[2] = {{stop_fd, POLLIN, 0}, {channel, events, 0}};
      const int ready = ::poll(waits, 2, left.count() > 0 ? int(left.count()) : 0);
      if (ready < 0 && errno != EINTR) return Status::ended;
      if (ready > 0 && waits[0].revents != 0) return Status::stopped;
      if (resident_limit != UINT64_MAX && resident(statm) > resident_limit)
        return Status::too_large;
      if (ready > 0) return Status::done;
      if (Clock::now() >= deadline) return Status::late;
    }
  }

  // Exactly `size` bytes sent or received.
  Status move(bool sending, void* bytes, std::size_t size) const {
    auto* at = static_cast<char*>(bytes);
    while (size > 0) {
      const Status status = wait(sending ? POLLOUT : POLLIN);
      if (status != Status::done) return status;
      const ssize_t moved = sending ? ::send(channel, at, size, MSG_DONTWAIT | MSG_NOSIGNAL)
                                    : ::recv(channel, at, size, MSG_DONTWAIT);
      if (moved < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (moved <= 0) return Status::ended;
      at += moved;
      size -= std::size_t(moved);
    }
    return Status::done;
  }
};

std::string strerror_text(int error) { return std::strerror(error); }

}  // namespace

SvgRenderer::SvgRenderer(RenderLimits limits, int stop_fd)
    : limits_(limits), stop_fd_(stop_fd), pixels_(::memfd_create("ymcko-side", MFD_CLOEXEC)) {}

SvgRenderer::~SvgRenderer() {
  end();
  if (pixels_ >= 0) ::close(pixels_);
}

void SvgRenderer::start(const std::string& name) {
  const std::string cannot = "templates cannot be rendered: ";
  std::string failure;
  const auto program = module_program(svg::kProgramName, failure);
  if (!program) throw print::Error(name, cannot + failure);
  int pair[2];
  if (pixels_ < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
    throw print::Error(name, cannot + strerror_text(errno));

  // The socket is its standard input, the pixels descriptor 3, and it holds
  // none of the tool's other files; what it says goes nowhere, since the
  // libraries' messages may quote a design's text. A process group of its
  // own keeps a Ctrl-C the tool's to handle.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
  ::posix_spawn_file_actions_adddup2(&actions, pixels_, svg::kPixelsFd);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, svg::kPixelsFd + 1);
  ::posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setpgroup(&attributes, 0);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  const std::string parent = std::to_string(::getpid());
  char* const argv[] = {const_cast<char*>(program->c_str()), const_cast<char*>(parent.c_str()),
                        nullptr};
  const int spawned = ::posix_spawn(&pid_, program->c_str(), &actions, &attributes, argv, environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  ::close(pair[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(pair[0]);
    throw print::Error(name, cannot + program->string() + ": " + strerror_text(spawned));
  }
  channel_ = pair[0];
  statm_ = ::open(("/proc/" + std::to_string(pid_) + "/statm").c_str(), O_RDONLY | O_CLOEXEC);
  ready_ = false;
}

int SvgRenderer::end() {
  int status = 0;
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  for (int* fd : {&channel_, &statm_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  pid_ = -1;
  ready_ = false;
  return status;
}

Image SvgRenderer::render(const std::string& svg, svg::Page& page, const std::string& name) {
  const std::string stopped = "rendering stopped";
  late_ = false;
  pollfd stop{stop_fd_, POLLIN, 0};
  if (::poll(&stop, 1, 0) > 0) throw print::Error(name, stopped);
  if (pid_ < 0) start(name);
  if (!ready_) {
    std::uint8_t ready = 0;
    const Status status =
        Exchange{channel_, stop_fd_, statm_, Clock::now() + kStartLimit}.move(false, &ready, 1);
    if (status != Status::done || ready != svg::kReady) {
      end();
      throw print::Error(name,
                         status == Status::stopped
                             ? stopped
                             : "templates cannot be rendered: the SVG renderer did not start");
    }
    ready_ = true;
  }

  // The side's pixels come back in the memory file, sized for them.
  const std::size_t bytes = std::size_t(page.width) * page.height * 4;
  if (bytes != pixel_bytes_) {
    if (::ftruncate(pixels_, off_t(bytes)) != 0)
      throw print::Error(name, "cannot be rendered: " + strerror_text(errno));
    pixel_bytes_ = bytes;
  }
  svg::Request request{page, svg.size()};
  svg::Answer answer;
  std::string message;
  const std::uint64_t bound = std::uint64_t(limits_.memory_mib) << 20;
  const Exchange exchange{channel_, stop_fd_, statm_, Clock::now() + limits_.time,
                          statm_ >= 0 ? resident(statm_) + bound : UINT64_MAX};
  Status status = exchange.move(true, &request, sizeof request);
  if (status == Status::done)
    status = exchange.move(true, const_cast<char*>(svg.data()), svg.size());
  if (status == Status::done) status = exchange.move(false, &answer, sizeof answer);
  if (status == Status::done && answer.message_size > svg::kMaxMessage) status = Status::ended;
  if (status == Status::done) {
    message.resize(answer.message_size);
    status = exchange.move(false, message.data(), message.size());
  }

  // A side beyond its bounds ends its renderer, as does anything but an
  // answer.
  const std::string too_large =
      "rendering needs more than the " + std::to_string(limits_.memory_mib) + " MiB a side may use";
  if (status != Status::done) {
    const int ended = end();
    late_ = status == Status::late;
    if (status == Status::late) {
      throw print::Error(name, "rendering takes longer than the " +
                                   std::to_string(limits_.time.count() / 1000) +
                                   " s a side may take");
    }
    if (status == Status::stopped) throw print::Error(name, stopped);
    if (status == Status::too_large) throw print::Error(name, too_large);
    throw print::Error(
        name, "cannot be rendered: the SVG renderer ended " +
                  (WIFSIGNALED(ended) ? "on signal " + std::to_string(WTERMSIG(ended))
                                      : "with status " + std::to_string(WEXITSTATUS(ended))));
  }
  if (answer.outcome == svg::Outcome::out_of_memory) throw print::Error(name, too_large);
  if (answer.outcome != svg::Outcome::rendered) throw print::Error(name, message);

  Image image{page.width, page.height, std::vector<std::uint8_t>(bytes)};
  for (std::size_t done = 0; done < bytes;) {
    const ssize_t got = ::pread(pixels_, image.rgba.data() + done, bytes - done, off_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw print::Error(name, "cannot be rendered: the side's pixels cannot be read");
    done += std::size_t(got);
  }
  page.sx = answer.page.sx;
  page.sy = answer.page.sy;
  page.tx = answer.page.tx;
  page.ty = answer.page.ty;
  return image;
}

SvgRenderers::SvgRenderers(std::size_t workers, RenderLimits limits)
    : stop_fd_(::eventfd(0, EFD_CLOEXEC)) {
  for (std::size_t w = 0; w < std::max<std::size_t>(1, workers); ++w) {
    renderers_.push_back(std::unique_ptr<SvgRenderer>(new SvgRenderer(limits, stop_fd_)));
    // A renderer that cannot start says why when it is first asked.
    try {
      renderers_.back()->start("");
    } catch (const print::Error&) {
    }
  }
}

SvgRenderers::~SvgRenderers() {
  renderers_.clear();
  if (stop_fd_ >= 0) ::close(stop_fd_);
}

void SvgRenderers::stop() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(stop_fd_, &one, sizeof one);
}

}  // namespace ymcko::cards
