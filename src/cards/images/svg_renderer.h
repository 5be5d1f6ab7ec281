// Card designs rendered by the SVG renderer program, one process per worker
// thread, each side within a time limit and a memory bound: a design that
// would draw for minutes or take gigabytes is refused instead.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cards/images/image.h"
#include "cards/images/pdf_document.h"
#include "cards/images/svg_module.h"

namespace ymcko::cards {

// The memory one side's rendering may add to its renderer's resident set,
// in MiB. A side is 2.6 MiB of pixels (1024 x 656 RGBA), and each filter
// step, group with opacity, mask or pattern draws into one more surface of
// up to that size; a 24-megapixel photo, decoded and made a surface, takes
// some 200 MiB. 512 MiB holds a side with a photo that large and a hundred
// surfaces, four renderers at the bound stay within 2 GiB, and the designs
// that needed a bound took gigabytes.
inline constexpr std::uint32_t kSideMemoryMib = 512;

// The bounds of one side: the time its rendering may take (PDF pages' limit
// by default) and the memory it may add to its renderer. The renderer's
// resident memory is looked at every 10 ms while it draws and the renderer
// ended once it is past the bound: a limit on its address space instead
// would make allocations fail inside libraries that do not all survive
// that, and would count what is only reserved (thread stacks, malloc
// arenas, a sanitizer's shadow).
struct RenderLimits {
  std::chrono::milliseconds time = kPdfPageTimeLimit;
  std::uint32_t memory_mib = kSideMemoryMib;
};

// One renderer process, started when it is first needed and again after a
// side ended it. Used from one thread at a time.
class SvgRenderer {
 public:
  ~SvgRenderer();
  SvgRenderer(const SvgRenderer&) = delete;
  SvgRenderer& operator=(const SvgRenderer&) = delete;

  // `svg` drawn on white at page.width x page.height, the transform used in
  // `page`. Throws print::Error naming `name` for a design the renderer
  // refuses, one whose rendering takes longer than the time limit or needs
  // more than the memory bound, and once rendering is stopped.
  Image render(const std::string& svg, svg::Page& page, const std::string& name);
  // Whether the last side was refused for its time.
  bool late() const { return late_; }

 private:
  friend class SvgRenderers;
  SvgRenderer(RenderLimits limits, int stop_fd);
  void start(const std::string& name);
  int end();  // the process's wait status

  RenderLimits limits_;
  int stop_fd_;
  int pixels_ = -1;  // the memory file the renderer draws into
  std::size_t pixel_bytes_ = 0;
  pid_t pid_ = -1;
  int channel_ = -1;
  int statm_ = -1;  // its /proc statm file, for its resident memory
  bool ready_ = false;
  bool late_ = false;
};

// The renderers of `workers` threads, worker w using the w-th. They are
// started at once, so that their start-up overlaps the filling of the
// first rows.
class SvgRenderers {
 public:
  SvgRenderers(std::size_t workers, RenderLimits limits);
  ~SvgRenderers();  // ends the processes
  SvgRenderers(const SvgRenderers&) = delete;
  SvgRenderers& operator=(const SvgRenderers&) = delete;

  SvgRenderer& operator[](std::size_t worker) { return *renderers_.at(worker); }
  std::size_t size() const { return renderers_.size(); }

  // Ends the renderings under way and refuses any further one; from any
  // thread. A run that stops does not wait for its other sides.
  void stop();

 private:
  int stop_fd_;
  std::vector<std::unique_ptr<SvgRenderer>> renderers_;
};

}  // namespace ymcko::cards
