// Card designs are rendered by a program of their own, ymcko-svg, in the
// modules' folder: librsvg and the forty libraries it brings cost only the
// runs that draw designs their start-up, and a side that takes too long or
// too much memory is stopped by ending its process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace ymcko::cards::svg {

inline constexpr const char* kProgramName = "ymcko-svg";

enum Fit : std::int32_t { stretch = 0, cover = 1, contain = 2 };

// The page to draw on, and the transform the renderer used.
struct Page {
  std::uint32_t width = 0;  // pixels
  std::uint32_t height = 0;
  std::int32_t fit = stretch;  // how the viewBox (or the size) goes onto the page
  std::uint32_t reserved = 0;
  // Out: user units to page pixels, x' = sx * x + tx, y' = sy * y + ty.
  double sx = 1, sy = 1, tx = 0, ty = 0;
};
static_assert(sizeof(Page) == 48 && std::is_trivially_copyable_v<Page>);

enum class Outcome : std::uint32_t { rendered = 0, refused = 1, out_of_memory = 2 };

// The SVG drawn on white into `rgba` (width * height * 4 bytes, aligned to
// four; straight and opaque), or refused with what is wrong in `error` (a
// NUL-terminated message), or out of memory.
Outcome render(const char* svg, std::size_t size, Page* page, std::uint8_t* rgba, char* error,
               std::size_t error_size);

// The program talks on its standard input, a stream socket. Once it is ready
// it sends one byte, kReady; then for each side it reads a Request and the
// request's SVG text, draws the page into the memory file on descriptor
// kPixelsFd (which holds at least width * height * 4 bytes), and answers
// with an Answer and the answer's message. Records go in the machine's own
// byte order: both ends are one build.
inline constexpr std::uint8_t kReady = 'R';
inline constexpr int kPixelsFd = 3;
inline constexpr std::uint32_t kMaxSide = 16384;           // pixels, either way
inline constexpr std::uint64_t kMaxSvgBytes = 1ull << 30;  // a filled design's text
inline constexpr std::uint32_t kMaxMessage = 1024;

struct Request {
  Page page;
  std::uint64_t svg_size = 0;  // bytes of SVG text after the record
};
static_assert(sizeof(Request) == 56 && std::is_trivially_copyable_v<Request>);
static_assert(offsetof(Request, svg_size) == 48);

struct Answer {
  Outcome outcome = Outcome::refused;
  std::uint32_t message_size = 0;  // bytes of message after the record, at most kMaxMessage
  Page page;                       // with the transform used
};
static_assert(sizeof(Answer) == 56 && std::is_trivially_copyable_v<Answer>);
static_assert(offsetof(Answer, page) == 8);

}  // namespace ymcko::cards::svg
