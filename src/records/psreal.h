// PSREAL: the printer description's measurement, a signed 32-bit count of
// 1/256 point (256 units are one point, 18432 one inch).
#pragma once

#include "engine/engine.h"

using PSREAL = LONG;

// A rectangle in the description's coordinates: origin at the paper's lower
// left corner, y upward.
struct PSRECT {
  PSREAL left;
  PSREAL lower;
  PSREAL right;
  PSREAL upper;
};

struct PSSIZE {
  PSREAL width;
  PSREAL height;
};
