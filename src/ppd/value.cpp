// Value readers of the description builder.
#include "ppd/value.h"

#include <cstring>

#include "pool/char_class.h"
#include "rt/arith.h"

using ymcko::is_blank;
using ymcko::is_digit;

const STRTABLEENTRY boolStrs[3] = {{"True", 1}, {"False", 0}, {nullptr, 0}};

namespace {

// Fraction digits that count; later ones are read and dropped.
constexpr int FRACTION_DIGITS = 5;

// Reads digits at *text into a wrapping 32-bit value; true when there was one.
bool read_digits(const char** text, DWORD* value) {
  const char* start = *text;
  for (; is_digit(**text); ++*text) *value = *value * 10 + DWORD(**text - '0');
  return *text != start;
}

}  // namespace

BOOL EqualWordString(const char* word, const char* text) {
  if (word == nullptr || text == nullptr) return FALSE;
  for (; *word != 0; ++word, ++text) {
    if (*text != *word) return FALSE;
  }
  return *text == 0 || is_blank(*text);
}

BOOL SearchStringTable(const STRTABLEENTRY* table, const char* text, WORD* value) {
  for (; table->pstrName != nullptr; ++table) {
    if (EqualWordString(table->pstrName, text)) {
      *value = table->wValue;
      return TRUE;
    }
  }
  *value = table->wValue;
  return FALSE;
}

DWORD GetBooleanValue(DWORD* out, const char* text) {
  WORD value = 0;
  BOOL found = SearchStringTable(boolStrs, text, &value);
  *out = found ? value : 0;
  return found ? PPDERR_NONE : PPDERR_SYNTAX;
}

DWORD GetIntegerValue(DWORD* out, const char* text) {
  if (text == nullptr) return PPDERR_SYNTAX;
  bool negative = *text == '-';
  if (negative) ++text;
  DWORD value = 0;
  if (!read_digits(&text, &value)) return PPDERR_SYNTAX;
  *out = negative ? 0 : value;
  return PPDERR_NONE;
}

DWORD GetRealValue(PSREAL* out, const char* text) {
  if (text == nullptr) return PPDERR_SYNTAX;
  bool negative = *text == '-';
  if (negative) ++text;

  DWORD whole = 0;
  bool any_digit = read_digits(&text, &whole);

  // Up to five fraction digits into f / d; the rest only count as digits read.
  DWORD numerator = 0;
  DWORD divisor = 1;
  if (*text == '.') {
    ++text;
    for (int taken = 0; is_digit(*text); ++text) {
      any_digit = true;
      if (taken < FRACTION_DIGITS) {
        numerator = numerator * 10 + DWORD(*text - '0');
        divisor *= 10;
        ++taken;
      }
    }
  }
  if (!any_digit) return PPDERR_SYNTAX;

  // Nearest 1/256, halves up; 256 carries into the whole part.
  DWORD fraction = (numerator * 256 + divisor / 2) / divisor;
  DWORD result = whole * 256 + fraction;
  *out = negative ? 0 : static_cast<PSREAL>(result);
  return PPDERR_NONE;
}

DWORD GetStringValue(char** target, const BUFOBJ* source, HEAPOBJ* pool, DWORD conversion) {
  if (*target != nullptr) return PPDERR_NONE;
  auto size = ymcko::rt::fit_ulong(std::uint64_t{source->cbLen} + 1);
  if (!size) return PPDERR_MEMORY;
  auto* copy = static_cast<char*>(HEAPOBJ_Alloc(pool, *size));
  if (copy == nullptr) return PPDERR_MEMORY;
  if (conversion == CONVERT_HEX) {
    if (BUFOBJ_CopyStringHex(source, copy) != PPDERR_NONE) return PPDERR_SYNTAX;
  } else {
    std::memcpy(copy, source->pBuf, source->cbLen);
    copy[source->cbLen] = 0;
  }
  *target = copy;
  return PPDERR_NONE;
}

WORD GetWordStr(const char** cursor, WORD size, char* word) {
  if (size > 0) word[0] = 0;
  if (cursor == nullptr || *cursor == nullptr) return 0;
  const char* text = *cursor;
  while (is_blank(*text)) ++text;
  WORD kept = 0;
  for (; *text != 0 && !is_blank(*text); ++text) {
    if (kept + 1 < size) word[kept++] = *text;
  }
  if (size > 0) word[kept] = 0;
  *cursor = text;
  return kept;
}

char* StripKeywordChar(char* text) {
  if (text == nullptr) return nullptr;
  if (*text == '*') ++text;
  return *text == 0 ? nullptr : text;
}
