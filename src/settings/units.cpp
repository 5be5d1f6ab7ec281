// Unit conversions through the engine's floating-point object.
#include "settings/units.h"

#include "engine/engine.h"

namespace {

// value × multiplier / divisor, integer part toward zero, saturated.
LONG scale(LONG value, LONG multiplier, LONG divisor) {
  FLOATOBJ f;
  FLOATOBJ_SetLong(&f, value);
  FLOATOBJ_MulLong(&f, multiplier);
  FLOATOBJ_DivLong(&f, divisor);
  return FLOATOBJ_GetLong(&f);
}

}  // namespace

LONG PSRealToPixel(PSREAL value, LONG resolution) {
  return scale(value, resolution, PSREAL_PER_INCH);
}

PSREAL MicronToPSReal(LONG microns) { return scale(microns, PSREAL_PER_INCH, MICRONS_PER_INCH); }

LONG PSRealToMicron(PSREAL value) { return scale(value, MICRONS_PER_INCH, PSREAL_PER_INCH); }
