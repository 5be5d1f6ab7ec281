// ymcko-svg: card sides rendered one at a time as the program that started
// it asks; that program keeps the time and the memory, and ends this one
// when a side takes too much of either.
#include <malloc.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cards/images/svg_module.h"

namespace {

namespace svg = ymcko::cards::svg;

constexpr int kChannel = 0;  // the socket to the asking program

// Reads exactly `size` bytes; false at the end of the input or on an error.
bool read_all(void* to, std::size_t size) {
  auto* at = static_cast<char*>(to);
  while (size > 0) {
    const ssize_t got = ::read(kChannel, at, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    size -= std::size_t(got);
  }
  return true;
}

bool write_all(const void* from, std::size_t size) {
  const auto* at = static_cast<const char*>(from);
  while (size > 0) {
    const ssize_t sent = ::send(kChannel, at, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    at += sent;
    size -= std::size_t(sent);
  }
  return true;
}

// A small design with text and a filter, drawn once before the first side:
// fontconfig's and pango's set-up and librsvg's filter threads then count
// neither against the first side's time nor against its memory.
void warm_up() {
  static const char kDesign[] =
      "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='32'><filter id='f'>"
      "<feGaussianBlur stdDeviation='2'/></filter><text x='2' y='20' font-size='12' "
      "font-family='sans-serif' filter='url(#f)'>Ag</text></svg>";
  svg::Page page{64, 32};
  std::vector<std::uint8_t> pixels(64 * 32 * 4);
  char error[svg::kMaxMessage];
  svg::render(kDesign, sizeof kDesign - 1, &page, pixels.data(), error, sizeof error);
}

// The pixels shared with the asking program, mapped once for each size.
struct SharedPixels {
  void* memory = MAP_FAILED;
  std::size_t size = 0;

  std::uint8_t* map(std::size_t bytes) {
    if (bytes != size && memory != MAP_FAILED) ::munmap(memory, size);
    if (bytes != size || memory == MAP_FAILED) {
      size = bytes;
      memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, svg::kPixelsFd, 0);
    }
    return memory == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(memory);
  }
};

// One side: the request's SVG drawn into the shared pixels.
svg::Answer render_side(const svg::Request& request, const std::vector<char>& text,
                        SharedPixels& shared, std::string& message) {
  svg::Answer answer;
  answer.page = request.page;
  std::uint8_t* pixels = shared.map(std::size_t(request.page.width) * request.page.height * 4);
  if (pixels == nullptr) {
    message = std::string("cannot be rendered: ") + std::strerror(errno);
    return answer;
  }
  char error[svg::kMaxMessage] = "";
  answer.outcome = svg::render(text.data(), text.size(), &answer.page, pixels, error, sizeof error);
  message = error;
  return answer;
}

}  // namespace

int main(int argc, char** argv) {
  // The renderer ends with the program that started it, whose process id
  // is its one argument, even while it is drawing.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc != 2 || std::strtoll(argv[1], nullptr, 10) != ::getppid()) ::_exit(1);
  // Blocks of a megabyte or more (surfaces) are mapped and given back
  // whole, where malloc's moving threshold would keep them in the heap, to
  // be cleared again for the next side and counted in its memory; the heap
  // keeps up to 32 MiB it freed for the next side.
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 32 << 20);
  warm_up();
  if (!write_all(&svg::kReady, 1)) ::_exit(1);

  std::vector<char> text;
  SharedPixels shared;
  svg::Request request;
  while (read_all(&request, sizeof request)) {
    const svg::Page& page = request.page;
    if (page.width == 0 || page.width > svg::kMaxSide || page.height == 0 ||
        page.height > svg::kMaxSide || page.fit < svg::stretch || page.fit > svg::contain ||
        request.svg_size > svg::kMaxSvgBytes)
      ::_exit(1);
    text.resize(request.svg_size);
    if (!read_all(text.data(), text.size())) ::_exit(1);
    std::string message;
    svg::Answer sent = render_side(request, text, shared, message);
    message.resize(std::min<std::size_t>(message.size(), svg::kMaxMessage));
    sent.message_size = std::uint32_t(message.size());
    if (!write_all(&sent, sizeof sent) || !write_all(message.data(), message.size())) ::_exit(1);
  }
  // The asking program is done: no library's clean-up is worth its time.
  ::_exit(0);
}
