// The 61 keywords the description builder understands, each with its handler,
// predefined feature group and entry rules, and the module-wide table over them.
#pragma once

#include <cstddef>

#include "ppd/keyword_table.h"

inline constexpr std::size_t KEYWORD_COUNT = 61;

// The rows, in keyword index order. Writable: each row keeps its seen bit.
extern KEYWORDROW keywordTable[KEYWORD_COUNT];

namespace ymcko {

// The rows and the hash table built over them once per module load. Its seen
// bits and hash table are shared by every description build, so whoever
// builds a description holds hPpdSemaphore around the whole build.
extern KEYWORDTABLE keyword_table;

}  // namespace ymcko
