// The floating-point object: integer part toward zero, held at the LONG limits.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr LONG kMax = std::numeric_limits<LONG>::max();
constexpr LONG kMin = std::numeric_limits<LONG>::min();

TEST(FloatObject, MultiplyDivideAndTruncate) {
  const struct {
    const char* name;
    LONG value, multiplier, divisor;
    LONG expected;
  } cases[] = {
      {"656.006 drops its fraction", 40305, 300, 18432, 656},
      {"0.99 becomes 0", 61, 300, 18432, 0},
      {"-0.99 becomes 0, toward zero", -61, 300, 18432, 0},
      {"-656.006 becomes -656", -40305, 300, 18432, -656},
      {"exact quotient stays", 18432, 300, 18432, 300},
      {"product beyond 32 bits, quotient inside", kMax, 18432, 25400, 1558362936},
      {"largest value", kMax, 1, 1, kMax},
      {"smallest value", kMin, 1, 1, kMin},
      {"negated smallest value is held at the top", kMin, -1, 1, kMax},
      {"far above the range", kMax, kMax, 1, kMax},
      {"far below the range", kMin, kMax, 1, kMin},
      {"just above the range", kMax, 2, 2, kMax},
      {"division by zero, positive", 5, 1, 0, kMax},
      {"division by zero, negative", -5, 1, 0, kMin},
      {"zero by zero", 0, 1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FLOATOBJ f;
    FLOATOBJ_SetLong(&f, c.value);
    FLOATOBJ_MulLong(&f, c.multiplier);
    FLOATOBJ_DivLong(&f, c.divisor);
    EXPECT_EQ(FLOATOBJ_GetLong(&f), c.expected);
  }
}

}  // namespace
