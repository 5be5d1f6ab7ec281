// The single way in for a description entry: the query rule, the open
// feature's own entries, then the keyword table's rules and handler.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"

// Empties the four buffers and sets the value type to VALUE_NONE.
void PPDOBJ_ResetPO(PARSEROBJ* entry);

// Interprets the entry held in `entry`: PPDERR_NONE when accepted or ignored
// by rule, PPDERR_SYNTAX when it breaks its keyword's rules or its value is
// malformed, PPDERR_MEMORY when the pool is exhausted. The caller holds
// hPpdSemaphore (the keyword table's seen bits are module-wide).
DWORD PPDOBJ_InterpretEntry(PPDOBJ* ppd, PARSEROBJ* entry);

// Puts the texts (null is empty; over-long texts are cut at their buffer's
// limit) and the value type into the entry, then interprets it.
DWORD PPDOBJ_InsertEntry(PPDOBJ* ppd, PARSEROBJ* entry, const char* keyword, const char* option,
                         const char* translation, const char* value, WORD valueType);
