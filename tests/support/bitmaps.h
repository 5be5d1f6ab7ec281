// Test bitmaps: engine surfaces over pixel memory the test owns, read and written by page position.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/surface.h"

namespace ymcko::testing {

class TestBitmap {
 public:
  // A width x height bitmap of 24 or 32 bpp, every byte `fill`, stored upper
  // edge first when top_down, else lower edge first; rows padded to four bytes.
  TestBitmap(LONG width, LONG height, ULONG format = BMF_32BPP, bool top_down = true,
             BYTE fill = 0);
  ~TestBitmap();
  TestBitmap(const TestBitmap&) = delete;
  TestBitmap& operator=(const TestBitmap&) = delete;

  SURFOBJ* surface() { return surface_; }
  HSURF handle() { return handle_; }
  LONG width() const { return width_; }
  LONG height() const { return height_; }

  // The pixel at page column x, row y (row 0 is the upper edge) as
  // b0 | b1 << 8 | b2 << 16 | b3 << 24 (no byte 3 at 24 bpp).
  std::uint32_t at(LONG x, LONG y) const;
  void set(LONG x, LONG y, std::uint32_t value);

  // The memory as stored, first scan line first.
  const std::vector<BYTE>& memory() const { return memory_; }
  std::size_t stride() const { return stride_; }

 private:
  std::size_t offset(LONG x, LONG y) const;

  LONG width_;
  LONG height_;
  int pixel_;
  bool top_down_;
  std::size_t stride_;
  std::vector<BYTE> memory_;
  HSURF handle_ = nullptr;
  SURFOBJ* surface_ = nullptr;
};

// An RGB pixel as a 32-bpp page holds it: red in byte 0.
constexpr std::uint32_t rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                            std::uint32_t mark = 0) {
  return red | green << 8 | blue << 16 | mark << 24;
}

}  // namespace ymcko::testing
