// Integer-to-text conversion.
#include "rt/decimal.h"

namespace ymcko::rt {
namespace {

DecimalText digits_of(std::uint64_t magnitude, bool negative) {
  char reversed[20];
  int n = 0;
  do {
    reversed[n++] = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);

  DecimalText text{};
  if (negative) text.digits[text.length++] = '-';
  while (n > 0) text.digits[text.length++] = reversed[--n];
  return text;
}

}  // namespace

DecimalText signed_decimal(std::int64_t value) {
  // Negate in unsigned arithmetic: defined for the most negative value too.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : std::uint64_t(value);
  return digits_of(magnitude, value < 0);
}

DecimalText unsigned_decimal(std::uint64_t value) { return digits_of(value, false); }

}  // namespace ymcko::rt
