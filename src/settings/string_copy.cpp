// Narrow and wide name copies.
#include "settings/string_copy.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/engine.h"
#include "rt/wide_string.h"

namespace {

// A length as a ULONG count, held at the largest one for text beyond it.
ULONG clamp_count(std::uint64_t count) {
  constexpr std::uint64_t highest = std::numeric_limits<ULONG>::max();
  return static_cast<ULONG>(count > highest ? highest : count);
}

}  // namespace

WCHAR* CopyStr2Unicode(WCHAR* destination, const char* source, LONG capacity) {
  std::uint64_t units = std::uint64_t{std::strlen(source)} + 1;
  std::uint64_t room = capacity > 0 ? std::uint64_t(capacity) : units;
  EngMultiByteToUnicodeN(destination, clamp_count(room * 2), nullptr, source, clamp_count(units));
  destination[room - 1] = 0;
  return destination;
}

char* CopyUnicode2Str(char* destination, const WCHAR* source, LONG capacity) {
  std::uint64_t units = std::uint64_t{ymcko::rt::wide_length(source)} + 1;
  std::uint64_t room = capacity > 0 ? std::uint64_t(capacity) : units;
  EngUnicodeToMultiByteN(destination, clamp_count(room), nullptr, source, clamp_count(units * 2));
  destination[room - 1] = 0;
  return destination;
}

void CopyStringW(WCHAR* destination, const WCHAR* source, std::size_t capacity) {
  ymcko::rt::wide_copy_bounded(destination, source, capacity);
}

void CopyStringA(char* destination, const char* source, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t i = 0;
  for (; i < capacity - 1 && source[i] != 0; ++i) destination[i] = source[i];
  std::memset(destination + i, 0, capacity - i);
}
