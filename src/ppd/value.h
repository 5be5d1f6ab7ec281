// Readers of an entry's texts: words, booleans, integers, fixed-point reals,
// strings copied into the description's pool, and word lookups in name
// tables. They report the builder's result codes and never read past the
// terminator of their text nor write outside the target they are given.
#pragma once

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "ppd/parser.h"
#include "records/psreal.h"

// One row of a name table; a null name ends the table, and that end row's
// value is what a lookup reports for a word the table does not hold.
struct STRTABLEENTRY {
  const char* pstrName;
  WORD wValue;
};

// "True" 1, "False" 0; end row 0.
extern const STRTABLEENTRY boolStrs[3];

// How GetStringValue copies: hex runs decoded, or the text unchanged (the
// invocation and keyword conversions both keep the text as it is).
inline constexpr DWORD CONVERT_INVOCATION = 1;
inline constexpr DWORD CONVERT_HEX = 2;
inline constexpr DWORD CONVERT_KEYWORD = 4;

// The word buffer every caller of GetWordStr passes: a word keeps at most 39 characters.
inline constexpr WORD WORD_BUFFER_SIZE = 40;

// True when text begins with all of word and continues with NUL, a space or
// a tab (case-sensitive); false for a null argument.
BOOL EqualWordString(const char* word, const char* text);

// The first row whose name EqualWordString matches at the start of text: its
// value into *value and TRUE; else the end row's value and FALSE.
BOOL SearchStringTable(const STRTABLEENTRY* table, const char* text, WORD* value);

// "True" or "False" as 1 or 0 with PPDERR_NONE; anything else sets 0 and
// gives PPDERR_SYNTAX.
DWORD GetBooleanValue(DWORD* out, const char* text);

// Decimal digits at the start of text (an optional "-" first), in wrapping
// 32-bit arithmetic; a minus sign gives 0. No digit: PPDERR_SYNTAX, *out unchanged.
DWORD GetIntegerValue(DWORD* out, const char* text);

// A decimal number at the start of text as a PSREAL (the value times 256),
// the fraction taken from its first five digits to the nearest 1/256, halves
// up, in wrapping 32-bit arithmetic; a minus sign gives 0. No digit:
// PPDERR_SYNTAX, *out unchanged.
DWORD GetRealValue(PSREAL* out, const char* text);

// Copies the source into the pool as *target unless *target holds a string
// already (the first value stays). CONVERT_HEX decodes hex runs; a bad run
// gives PPDERR_SYNTAX and leaves *target null. No pool room: PPDERR_MEMORY.
DWORD GetStringValue(char** target, const BUFOBJ* source, HEAPOBJ* pool, DWORD conversion);

// Skips blanks at *cursor, then copies the word up to the next blank or NUL
// into `word`, keeping at most size - 1 characters (the rest is consumed) and
// a NUL; moves *cursor to the byte that ended the word. Returns the
// characters kept, 0 when no word is left.
WORD GetWordStr(const char** cursor, WORD size, char* word);

// The text after one leading "*", or null when nothing is left.
char* StripKeywordChar(char* text);
