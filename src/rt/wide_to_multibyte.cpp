// Conversion of 16-bit wide text to the engine's single-byte code page.
#include "rt/wide_to_multibyte.h"

#include <algorithm>
#include <limits>

#include "engine/engine.h"
#include "rt/wide_string.h"

namespace ymcko::rt {
namespace {

// The engine counts in ULONG bytes: characters beyond what that can hold are
// never looked at.
constexpr std::size_t MAX_CHARACTERS = std::numeric_limits<ULONG>::max() / sizeof(WCHAR);

// Source bytes up to the first zero within the limit.
ULONG source_bytes(const WCHAR* source, std::size_t source_limit) {
  std::size_t characters = wide_length_bounded(source, std::min(source_limit, MAX_CHARACTERS));
  return static_cast<ULONG>(characters * sizeof(WCHAR));
}

}  // namespace

std::size_t wide_to_multibyte(std::span<char> destination, const WCHAR* source,
                              std::size_t source_limit) {
  if (source == nullptr || destination.empty()) return 0;
  ULONG room = static_cast<ULONG>(
      std::min<std::size_t>(destination.size(), std::numeric_limits<ULONG>::max()));
  ULONG written = 0;
  if (RtlUnicodeToMultiByteN(destination.data(), room, &written, source,
                             source_bytes(source, source_limit)) != STATUS_SUCCESS) {
    return 0;
  }
  return written;
}

std::size_t wide_to_multibyte_size(const WCHAR* source, std::size_t source_limit) {
  if (source == nullptr) return 0;
  ULONG size = 0;
  if (RtlUnicodeToMultiByteSize(&size, source, source_bytes(source, source_limit)) !=
      STATUS_SUCCESS) {
    return 0;
  }
  return size;
}

}  // namespace ymcko::rt
