// UTF-16 string routines.
#include "rt/wide_string.h"

namespace ymcko::rt {

std::size_t wide_length(const WCHAR* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

std::size_t wide_length_bounded(const WCHAR* text, std::size_t limit) {
  std::size_t n = 0;
  while (n < limit && text[n] != 0) ++n;
  return n;
}

void wide_copy_bounded(WCHAR* destination, const WCHAR* source, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t i = 0;
  while (i < capacity - 1 && source[i] != 0) {
    destination[i] = source[i];
    ++i;
  }
  while (i < capacity) destination[i++] = 0;
}

int wide_compare(const WCHAR* a, const WCHAR* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return int(*a) - int(*b);
}

}  // namespace ymcko::rt
