// The engine services the driver calls, in one include.
#pragma once

#include "engine/engine_types.h"
#include "engine/bit_blt.h"
#include "engine/bitmap.h"
#include "engine/code_page.h"
#include "engine/color_adjustment.h"
#include "engine/draw.h"
#include "engine/host_device.h"
#include "engine/host_printer.h"
#include "engine/last_error.h"
#include "engine/memory.h"
#include "engine/palette.h"
#include "engine/semaphore.h"
#include "engine/stretch_blt.h"
#include "engine/surface.h"
