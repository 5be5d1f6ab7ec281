// The engine services the driver calls, in one include.
#pragma once

#include "engine/engine_types.h"
#include "engine/code_page.h"
#include "engine/host_printer.h"
#include "engine/last_error.h"
#include "engine/memory.h"
#include "engine/semaphore.h"
#include "engine/surface.h"
