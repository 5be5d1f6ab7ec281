// Double-precision floating-point object.
#include "engine/engine.h"

#include <cmath>
#include <limits>

void FLOATOBJ_SetLong(FLOATOBJ* pf, LONG l) { pf->dValue = l; }

void FLOATOBJ_MulLong(FLOATOBJ* pf, LONG l) { pf->dValue *= l; }

void FLOATOBJ_DivLong(FLOATOBJ* pf, LONG l) {
  if (l != 0) {
    pf->dValue /= l;
  } else if (pf->dValue == 0 || std::isnan(pf->dValue)) {
    pf->dValue = std::numeric_limits<double>::quiet_NaN();
  } else {
    pf->dValue = std::copysign(std::numeric_limits<double>::infinity(), pf->dValue);
  }
}

LONG FLOATOBJ_GetLong(const FLOATOBJ* pf) {
  // Converting a double outside the LONG range is undefined: clamp first.
  constexpr double lowest = std::numeric_limits<LONG>::min();
  constexpr double highest = std::numeric_limits<LONG>::max();
  double whole = std::trunc(pf->dValue);
  if (std::isnan(whole)) return 0;
  if (whole <= lowest) return std::numeric_limits<LONG>::min();
  if (whole >= highest) return std::numeric_limits<LONG>::max();
  return static_cast<LONG>(whole);
}
