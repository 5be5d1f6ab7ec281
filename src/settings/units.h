// Conversions of the description's PSREAL (1/256 point, 18432 to the inch) to
// pixels and micrometres and back. Each multiplies first and divides second
// in real arithmetic, then drops the fraction toward zero; a result beyond the
// range of a LONG is held at its limit.
#pragma once

#include "engine/engine.h"
#include "records/psreal.h"

inline constexpr LONG PSREAL_PER_INCH = 18432;
inline constexpr LONG MICRONS_PER_INCH = 25400;

// Pixels at `resolution` dots per inch: value × resolution / 18432.
LONG PSRealToPixel(PSREAL value, LONG resolution);

// Micrometres to PSREAL: microns × 18432 / 25400.
PSREAL MicronToPSReal(LONG microns);

// PSREAL to micrometres: value × 25400 / 18432.
LONG PSRealToMicron(PSREAL value);
