// Keyword table mechanics: the row format, the open-addressing hash table that
// finds a keyword's row, and the rules an entry must meet for its keyword. The
// rows themselves are the builder's; the mechanics work over any row array.
#pragma once

#include <cstddef>
#include <span>

#include "engine/engine.h"
#include "ppd/parser.h"

struct PPDOBJ;

// A keyword handler: interprets one entry into the description, returns a result code.
using KEYWORDPROC = DWORD (*)(PPDOBJ* ppd, PARSEROBJ* entry);

// Bits of a row's wFlags.
inline constexpr WORD KWF_VALUE_RULE = 0x0007;  // which value types the keyword accepts
inline constexpr WORD KWF_OPTION = 0x0008;      // the entry must have an option (else must not)
inline constexpr WORD KWF_REPEAT = 0x0010;      // the keyword may appear any number of times
inline constexpr WORD KWF_SEEN = 0x8000;        // accepted once in this build

// Value rules (the low three bits of wFlags); any other rule accepts nothing.
inline constexpr WORD VALUE_RULE_ANY = 0;            // any value type, none included
inline constexpr WORD VALUE_RULE_QUOTED = 1;         // VALUE_QUOTED only
inline constexpr WORD VALUE_RULE_QUOTED_STRING = 2;  // VALUE_QUOTED or VALUE_STRING
inline constexpr WORD VALUE_RULE_STRING = 4;         // VALUE_STRING with a non-empty value

// The group of a keyword that describes no predefined feature.
inline constexpr WORD KEYWORD_NO_GROUP = 7;

// One keyword the builder understands; the row's position is its index.
struct KEYWORDROW {
  const char* pstrKeyword;  // without "*", compared case-sensitively
  KEYWORDPROC pfnProc;
  WORD wGroup;  // predefined feature 0-6 whose options the keyword describes, or 7
  WORD wFlags;  // the seen bit is run-time state, cleared at every build
};

inline constexpr std::size_t HASH_TABLE_SLOTS = 127;

// A hash table slot: the keyword's full hash and its row index; the index
// equal to the number of rows marks the slot empty.
struct HASHSLOT {
  DWORD dwHash;
  WORD wIndex;
};

// Rows and the hash table built over them once per module load.
struct KEYWORDTABLE {
  std::span<KEYWORDROW> rows;
  HASHSLOT hashTable[HASH_TABLE_SLOTS];
  BOOL bInitialized;

  // The table must leave a slot empty, so that every search ends.
  template <std::size_t N>
  constexpr explicit KEYWORDTABLE(KEYWORDROW (&table)[N])
      : rows(table), hashTable{}, bInitialized(FALSE) {
    static_assert(N < HASH_TABLE_SLOTS, "the hash table needs an empty slot");
  }
};

// Clears every row's seen bit; the first call also builds the hash table,
// placing each row at its hash mod 127 or the next free slot after it.
void InitKeywordTable(KEYWORDTABLE& table);

// The row of a keyword (exact, case-sensitive), or null; null before the
// table is initialised.
KEYWORDROW* SearchKeyword(const KEYWORDTABLE& table, const char* keyword);

// Non-zero when the entry has an option exactly when the row asks for one and
// its value type meets the row's value rule.
BOOL CheckKeywordParams(const KEYWORDROW* row, const PARSEROBJ* entry);

// Zero when the row was already accepted in this build and is neither
// option-bearing nor repeatable.
BOOL CheckKeywordDuplicates(const KEYWORDROW* row);
