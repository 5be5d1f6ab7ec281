// The engine's floating-point object: real arithmetic on integers for the
// driver's unit conversions, held in double precision.
#pragma once

#include "engine/engine_types.h"

struct FLOATOBJ {
  double dValue;
};

// Sets the object to the integer l.
void FLOATOBJ_SetLong(FLOATOBJ* pf, LONG l);

// Multiplies the object by l.
void FLOATOBJ_MulLong(FLOATOBJ* pf, LONG l);

// Divides the object by l. Division by zero gives an infinity of the object's
// sign, or no number for zero, rather than trapping.
void FLOATOBJ_DivLong(FLOATOBJ* pf, LONG l);

// The integer part, toward zero, saturated at the limits of a LONG; no number gives 0.
LONG FLOATOBJ_GetLong(const FLOATOBJ* pf);
