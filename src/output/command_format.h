// The printer command composer: a small printf over a bounded buffer, and the
// number formatters for the fields of the printer's commands.
#pragma once

#include <concepts>
#include <cstdint>
#include <span>

#include "engine/engine.h"

// One argument of the composer: an integer, taken as its low 32 bits, or a
// zero-terminated byte string.
class FormatArg {
 public:
  enum class Kind : std::uint8_t { none, integer, string };

  constexpr FormatArg() = default;
  template <std::integral T>
  constexpr FormatArg(T value) : kind_(Kind::integer), bits_(static_cast<std::uint32_t>(value)) {}
  constexpr FormatArg(const char* text) : kind_(Kind::string), text_(text) {}

  constexpr Kind kind() const { return kind_; }
  constexpr std::uint32_t bits() const { return bits_; }
  constexpr const char* text() const { return text_; }

 private:
  Kind kind_ = Kind::none;
  std::uint32_t bits_ = 0;
  const char* text_ = nullptr;
};

using FormatArgs = std::span<const FormatArg>;

// Formats `args` into `output` by the directives %c %s %d %l %u %x %X %b %f
// (any other character after % stands for itself) and appends a zero byte.
// Returns the bytes written before that zero byte; zero bytes produced by %c
// count. Never writes past `output`: text that does not fit is cut so that the
// terminator still fits (nothing at all is written into an empty buffer).
// A missing argument formats as 0, a null or missing string as nothing.
ULONG VSPRINTF(std::span<char> output, const char* format, FormatArgs args);

template <typename... Args>
ULONG myprintf(std::span<char> output, const char* format, const Args&... args) {
  const FormatArg list[sizeof...(Args) + 1] = {FormatArg(args)...};
  return VSPRINTF(output, format, FormatArgs(list, sizeof...(Args)));
}

// Writes one zero-padded decimal field per character of `widths` (the
// character's digit value is the least width) as one zero-terminated string.
// Zeros go in front of the whole text, sign included; nothing is ever cut
// except at the end of `output`. Stops early when `values` runs out.
void FormatIntegerListV(std::span<char> output, const char* widths, std::span<const LONG> values);

template <typename... Ints>
void FormatIntegerList(std::span<char> output, const char* widths, Ints... values) {
  const LONG list[sizeof...(Ints) + 1] = {static_cast<LONG>(values)...};
  FormatIntegerListV(output, widths, std::span<const LONG>(list, sizeof...(Ints)));
}

namespace ymcko {

// The value limited to what exactly `width` characters of FormatIntegerList
// can hold, zero padding and sign included: -(10^(width-1) - 1) to
// 10^width - 1, so width 4 takes -999 to 9999 and width 1 takes 0 to 9.
// Any other width (a field without a fixed width) leaves the value as it is.
LONG limit_to_width(LONG value, int width);

// FormatIntegerList for fixed-width fields, such as the D and d command
// parameters: each value is first limited to its width (limit_to_width), so
// every field has exactly its width whatever the values.
void format_fixed_fields(std::span<char> output, const char* widths, std::span<const LONG> values);

template <std::integral... Ints>
void format_fixed_fields(std::span<char> output, const char* widths, Ints... values) {
  const LONG list[sizeof...(Ints) + 1] = {static_cast<LONG>(values)...};
  format_fixed_fields(output, widths, std::span<const LONG>(list, sizeof...(Ints)));
}

}  // namespace ymcko

// Splits `value` into six bytes, least significant first, by repeated signed
// division by 256; callers pick single bytes to build big-endian fields.
void ConvertIntegerToHex(std::span<BYTE, 6> bytes, LONG value);
