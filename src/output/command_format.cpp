// The printer command composer.
#include "output/command_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "rt/decimal.h"

namespace {

// Appends to a bounded buffer, always keeping room for the terminator.
class BoundedWriter {
 public:
  explicit BoundedWriter(std::span<char> output) : output_(output) {}

  void put(char c) {
    if (output_.size() != 0 && length_ < output_.size() - 1) output_[length_++] = c;
  }
  void put(std::string_view text) {
    for (char c : text) put(c);
  }
  void put_zeros(long count) {
    for (long i = 0; i < count; ++i) put('0');
  }
  ULONG finish() {
    if (output_.size() != 0) output_[length_] = 0;
    return static_cast<ULONG>(length_);
  }

 private:
  std::span<char> output_;
  std::size_t length_ = 0;
};

// Upper-case hexadecimal, leading zeros dropped but never fewer than two digits.
void put_hex(BoundedWriter& out, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char reversed[8];
  int n = 0;
  do {
    reversed[n++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  if (n < 2) reversed[n++] = '0';
  while (n > 0) out.put(reversed[--n]);
}

// A fixed-point number with 8 fraction bits: integer part, then up to three
// decimals (rounded to the nearest 1/1000 in steps of 1/256), trailing zero
// places dropped.
void put_fixed(BoundedWriter& out, std::int32_t value) {
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    out.put('-');
    magnitude = 0u - magnitude;  // defined for the most negative value too
  }
  out.put(ymcko::rt::unsigned_decimal(magnitude >> 8).view());

  std::uint32_t fraction = magnitude & 0xFF;
  if (fraction == 0) return;
  out.put('.');
  std::uint32_t thousandths = (((fraction * 100000u) >> 8) + 50u) / 100u;
  for (std::uint32_t place = 100; place != 0 && thousandths != 0; place /= 10) {
    out.put(char('0' + thousandths / place));
    thousandths %= place;
  }
}

}  // namespace

ULONG VSPRINTF(std::span<char> output, const char* format, FormatArgs args) {
  BoundedWriter out(output);
  std::size_t next_arg = 0;
  auto take = [&]() -> FormatArg {
    return next_arg < args.size() ? args[next_arg++] : FormatArg();
  };
  auto take_bits = [&]() -> std::uint32_t {
    FormatArg arg = take();
    return arg.kind() == FormatArg::Kind::integer ? arg.bits() : 0;
  };

  for (const char* p = format; *p != 0; ++p) {
    if (*p != '%') {
      out.put(*p);
      continue;
    }
    char directive = *++p;
    if (directive == 0) break;  // a lone % at the end gives nothing
    switch (directive) {
      case 'c':
        out.put(static_cast<char>(take_bits() & 0xFF));
        break;
      case 's': {
        FormatArg arg = take();
        if (arg.kind() == FormatArg::Kind::string && arg.text() != nullptr) out.put(arg.text());
        break;
      }
      case 'd':
      case 'l':
        out.put(ymcko::rt::signed_decimal(static_cast<std::int32_t>(take_bits())).view());
        break;
      case 'u':
        out.put(ymcko::rt::unsigned_decimal(take_bits()).view());
        break;
      case 'x':
      case 'X':
        put_hex(out, take_bits());
        break;
      case 'b':
        out.put(take_bits() != 0 ? "true" : "false");
        break;
      case 'f':
        put_fixed(out, static_cast<std::int32_t>(take_bits()));
        break;
      default:
        out.put(directive);
        break;
    }
  }
  return out.finish();
}

void FormatIntegerListV(std::span<char> output, const char* widths, std::span<const LONG> values) {
  BoundedWriter out(output);
  for (std::size_t i = 0; widths[i] != 0 && i < values.size(); ++i) {
    auto text = ymcko::rt::signed_decimal(values[i]);
    long width = long(widths[i]) - long('0');
    out.put_zeros(width - long(text.length));
    out.put(text.view());
  }
  out.finish();
}

namespace ymcko {

LONG limit_to_width(LONG value, int width) {
  if (width < 1 || width > 9) return value;
  std::int64_t most = 1;
  for (int i = 0; i < width; ++i) most *= 10;
  const std::int64_t least = -(most / 10 - 1);
  return static_cast<LONG>(std::clamp<std::int64_t>(value, least, most - 1));
}

void format_fixed_fields(std::span<char> output, const char* widths, std::span<const LONG> values) {
  LONG limited[16];
  std::size_t count = 0;
  for (; widths[count] != 0 && count < values.size() && count < std::size(limited); ++count)
    limited[count] = limit_to_width(values[count], widths[count] - '0');
  FormatIntegerListV(output, widths, std::span<const LONG>(limited, count));
}

}  // namespace ymcko

void ConvertIntegerToHex(std::span<BYTE, 6> bytes, LONG value) {
  for (BYTE& byte : bytes) {
    byte = static_cast<BYTE>(value % 256);
    value /= 256;
  }
}
