// Card sides rendered in renderer processes, each side within its time
// limit and memory bound.
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
#include <cstring>

#include "cards/images/modules.h"
#include "print/errors.h"

extern char** environ;

namespace ymcko::cards {
namespace {

// A renderer sets up fontconfig and pango before it is ready: longer than
// this, and it is taken as broken.
constexpr std::chrono::seconds kStartLimit{30};

using Clock = std::chrono::steady_clock;

enum class Status { done, late, stopped, ended };

// Waits until `fd` is ready for `events`, the deadline passes or rendering
// is stopped.
Status wait_for(int fd, short events, int stop_fd, Clock::time_point deadline) {
  while (true) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd waits[2] = {{stop_fd, POLLIN, 0}, {fd, events, 0}};
    const int ready = ::poll(
        waits, 2, left.count() > 0 ? int(std::min<std::int64_t>(left.count(), INT32_MAX)) : 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Status::ended;
    if (waits[0].revents != 0) return Status::stopped;
    if (waits[1].revents != 0) return Status::done;
    if (left.count() <= 0) return Status::late;
  }
}

// Sends or receives exactly `size` bytes by the deadline.
Status exchange(int fd, bool sending, void* bytes, std::size_t size, int stop_fd,
                Clock::time_point deadline) {
  auto* at = static_cast<char*>(bytes);
  while (size > 0) {
    const Status status = wait_for(fd, sending ? POLLOUT : POLLIN, stop_fd, deadline);
    if (status != Status::done) return status;
    const ssize_t moved = sending ? ::send(fd, at, size, MSG_DONTWAIT | MSG_NOSIGNAL)
                                  : ::recv(fd, at, size, MSG_DONTWAIT);
    if (moved < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (moved <= 0) return Status::ended;
    at += moved;
    size -= std::size_t(moved);
  }
  return Status::done;
}

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

  // The socket is its standard input, the pixels descriptor 3; what it says
  // goes nowhere, since the libraries' messages may quote a design's text.
  // A process group of its own keeps a Ctrl-C the tool's to handle.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
  ::posix_spawn_file_actions_adddup2(&actions, pixels_, svg::kPixelsFd);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
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
  ready_ = false;
}

void SvgRenderer::end() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (channel_ >= 0) ::close(channel_);
  pid_ = -1;
  channel_ = -1;
  ready_ = false;
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
        exchange(channel_, false, &ready, 1, stop_fd_, Clock::now() + kStartLimit);
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
  svg::Request request{page, svg.size(), std::uint64_t(limits_.memory_mib) << 20};
  svg::Answer answer;
  std::string message;
  const Clock::time_point deadline = Clock::now() + limits_.time;
  Status status = exchange(channel_, true, &request, sizeof request, stop_fd_, deadline);
  if (status == Status::done)
    status =
        exchange(channel_, true, const_cast<char*>(svg.data()), svg.size(), stop_fd_, deadline);
  if (status == Status::done)
    status = exchange(channel_, false, &answer, sizeof answer, stop_fd_, deadline);
  if (status == Status::done && answer.message_size > svg::kMaxMessage) status = Status::ended;
  if (status == Status::done) {
    message.resize(answer.message_size);
    status = exchange(channel_, false, message.data(), message.size(), stop_fd_, deadline);
  }

  // A side that takes too long ends its renderer. One that ends it by
  // itself ran out of its memory bound: librsvg's allocations end the
  // process when they fail, where cairo's are answered.
  const std::string too_large =
      "rendering needs more than the " + std::to_string(limits_.memory_mib) + " MiB a side may use";
  if (status != Status::done) {
    end();
    if (status == Status::late) {
      late_ = true;
      throw print::Error(name, "rendering takes longer than the " +
                                   std::to_string(limits_.time.count() / 1000) +
                                   " s a side may take");
    }
    throw print::Error(name, status == Status::stopped ? stopped : too_large);
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
