// The engine's last error, kept per thread.
#include "engine/engine.h"

namespace {
thread_local ULONG t_last_error = 0;
}

void EngSetLastError(ULONG iError) { t_last_error = iError; }

ULONG EngGetLastError() { return t_last_error; }
