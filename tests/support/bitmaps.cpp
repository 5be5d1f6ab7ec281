// Test bitmaps over memory the test owns.
#include "support/bitmaps.h"

#include <stdexcept>

#include "engine/engine.h"

namespace ymcko::testing {

TestBitmap::TestBitmap(LONG width, LONG height, ULONG format, bool top_down, BYTE fill)
    : width_(width),
      height_(height),
      pixel_(format == BMF_24BPP ? 3 : 4),
      top_down_(top_down),
      stride_((std::size_t(width) * pixel_ + 3) / 4 * 4),
      memory_(stride_ * std::size_t(height), fill) {
  handle_ = EngCreateBitmap(SIZEL{width, height}, LONG(stride_), format, top_down ? BMF_TOPDOWN : 0,
                            memory_.data());
  if (handle_ == nullptr) throw std::runtime_error("no test bitmap");
  surface_ = EngLockSurface(handle_);
}

TestBitmap::~TestBitmap() { EngDeleteSurface(handle_); }

std::size_t TestBitmap::offset(LONG x, LONG y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel position");
  const std::size_t stored_row = top_down_ ? std::size_t(y) : std::size_t(height_ - 1 - y);
  return stored_row * stride_ + std::size_t(x) * pixel_;
}

std::uint32_t TestBitmap::at(LONG x, LONG y) const {
  const BYTE* p = &memory_[offset(x, y)];
  std::uint32_t value = 0;
  for (int i = 0; i < pixel_; ++i) value |= std::uint32_t(p[i]) << (8 * i);
  return value;
}

void TestBitmap::set(LONG x, LONG y, std::uint32_t value) {
  BYTE* p = &memory_[offset(x, y)];
  for (int i = 0; i < pixel_; ++i) p[i] = BYTE(value >> (8 * i));
}

}  // namespace ymcko::testing
