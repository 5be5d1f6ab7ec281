// The description of the one card the printer takes, CR-80, made from 16
// built-in entries run through the keyword table.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"

inline constexpr unsigned BUILTIN_ENTRY_COUNT = 16;

// Inserts the built-in entries; the data file name is not read. Non-zero
// unless the pool ran out, which would leave the card incomplete; every
// other entry result is ignored.
BOOL PPDOBJ_BuildEntries(PPDOBJ* ppd, PARSEROBJ* entry, const WCHAR* dataFileName);

// A new description of the CR-80 card in its own pool, keeping a copy of the
// data file name (null is taken as the empty name); null when memory is
// short, with nothing left allocated. The caller holds hPpdSemaphore for the
// whole call: the keyword table's seen bits and hash table are module-wide.
PPDOBJ* PPDOBJ_Create(const WCHAR* dataFileName);
