// Device fonts: the font names the system knows, their encodings and
// character sets, and the "Font" keyword handler that lists them.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "ppd/value.h"

inline constexpr WORD FONT_NAME_COUNT = 79;

// The known font names, valued by position from 1; end row 0.
extern const STRTABLEENTRY fontNameStrs[FONT_NAME_COUNT + 1];

// Font encodings, "Standard" 0 to "Shift-JIS" 8; end row 9.
extern const STRTABLEENTRY encodingStrs[10];

// Character sets, "Standard" 0 to "NWP" 11; end row 12.
extern const STRTABLEENTRY charsetStrs[13];

// Lookups in the three tables: whether the word was found; the code is
// written either way (the end row's value when not found).
BOOL GetFontIndex(WORD* index, const char* name);
BOOL GetFontEncoding(WORD* code, const char* word);
BOOL GetCharSet(WORD* code, const char* word);

// "Font": lists a known font (the option) with the encoding and character
// set its value names; the first entry for a font stays, unknown fonts are ignored.
DWORD FontProc(PPDOBJ* ppd, PARSEROBJ* entry);
