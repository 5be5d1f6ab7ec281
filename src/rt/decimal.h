// Integer-to-text conversion for the command composer.
#pragma once

#include <cstdint>
#include <string_view>

namespace ymcko::rt {

// Room for any 64-bit value in decimal with its sign.
struct DecimalText {
  char digits[21];
  std::uint8_t length;
  std::string_view view() const { return {digits, length}; }
};

// Decimal text of a signed value, with a leading "-" when negative. The
// magnitude of the most negative value is taken without overflow.
DecimalText signed_decimal(std::int64_t value);
DecimalText unsigned_decimal(std::uint64_t value);

}  // namespace ymcko::rt
