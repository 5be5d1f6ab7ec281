// Bounded copies of names between the description's narrow strings and the
// engine's wide strings, and within each kind. Capacities count characters
// (wide) or bytes (narrow), terminator included.
#pragma once

#include <cstddef>

#include "engine/engine.h"

// Converts the whole source, terminator included, through the engine's code
// page into at most `capacity` characters, and zeroes the last of them, so the
// result is terminated (cut if need be). A capacity of 0 or less is taken as
// the source's length plus one. Returns destination.
WCHAR* CopyStr2Unicode(WCHAR* destination, const char* source, LONG capacity);

// The mirror of CopyStr2Unicode: at most `capacity` bytes, the last one zeroed.
char* CopyUnicode2Str(char* destination, const WCHAR* source, LONG capacity);

// At most capacity - 1 characters of the source, then zeros to the end of the
// destination (no stale tail); capacity 0 writes nothing.
void CopyStringW(WCHAR* destination, const WCHAR* source, std::size_t capacity);

// As CopyStringW, on bytes.
void CopyStringA(char* destination, const char* source, std::size_t capacity);
