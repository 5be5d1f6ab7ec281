// The engine's last error, kept per thread.
#pragma once

#include "engine/engine_types.h"

void EngSetLastError(ULONG iError);
ULONG EngGetLastError();
