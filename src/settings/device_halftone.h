// The printer's own halftone setup as its registry data stores it: the
// engine's device halftone information record (132 bytes, little-endian).
#pragma once

#include <cstddef>

#include "engine/engine.h"

static_assert(sizeof(CIECHROMA) == 12);
static_assert(offsetof(COLORINFO, AlignmentWhite) == 72);
static_assert(offsetof(COLORINFO, RedGamma) == 84);
static_assert(offsetof(COLORINFO, MagentaInCyanDye) == 96);
static_assert(offsetof(COLORINFO, MagentaInYellowDye) == 116);
static_assert(offsetof(DEVHTINFO, HTPatternSize) == 4);
static_assert(offsetof(DEVHTINFO, DevPelsDPI) == 8);
