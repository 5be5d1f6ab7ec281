// The description entry being interpreted: four bounded, always terminated
// text buffers (keyword, option, translation, value) and the value type, with
// the result codes every keyword handler and value reader reports.
#pragma once

#include "engine/engine.h"

// Result codes of the keyword handlers and the value readers.
inline constexpr DWORD PPDERR_NONE = 0;    // accepted, or ignored by rule
inline constexpr DWORD PPDERR_SYNTAX = 3;  // the entry or its value is malformed
inline constexpr DWORD PPDERR_MEMORY = 4;  // the pool is exhausted, or a buffer is full

// How an entry's value was written.
inline constexpr DWORD VALUE_NONE = 0;    // no value
inline constexpr DWORD VALUE_QUOTED = 2;  // quoted text
inline constexpr DWORD VALUE_STRING = 4;  // plain unquoted word or words

// Limits of the entry's buffers, in characters before the terminator.
inline constexpr DWORD KEYWORD_BUFFER_MAX = 40;
inline constexpr DWORD VALUE_BUFFER_MAX = 1024;

// A bounded text buffer over storage of cbMax + 1 bytes that it does not own;
// pBuf[cbLen] is NUL after every completed operation.
struct BUFOBJ {
  DWORD cbMax;
  DWORD cbLen;
  char* pBuf;
};

// One entry: keyword (without its "*"), option, translation and value.
struct PARSEROBJ {
  BUFOBJ keyword;
  BUFOBJ option;
  BUFOBJ translation;
  BUFOBJ value;  // storage is a separate allocation of VALUE_BUFFER_MAX + 1 bytes
  DWORD dwValueType;
  char szKeyword[KEYWORD_BUFFER_MAX + 1];
  char szOption[KEYWORD_BUFFER_MAX + 1];
  char szTranslation[KEYWORD_BUFFER_MAX + 1];
};

// Binds the storage (cbMax + 1 bytes) and the limit, then empties the buffer.
void BUFOBJ_Initialize(BUFOBJ* buf, char* storage, DWORD cbMax);

// Empties the buffer.
void BUFOBJ_Reset(BUFOBJ* buf);

// Appends text up to its NUL; returns PPDERR_MEMORY when the limit cuts it
// (what fitted stays, terminated), else PPDERR_NONE. Null text appends nothing.
DWORD BUFOBJ_AddString(BUFOBJ* buf, const char* text);

// Copies the buffer's text to dest (room for cbLen + 1 bytes), decoding runs
// of hex digit pairs between "<" and ">"; an unclosed run is decoded to the
// end. A blank, an odd digit or any other byte inside a run gives
// PPDERR_SYNTAX, with dest terminated after what was copied so far.
DWORD BUFOBJ_CopyStringHex(const BUFOBJ* buf, char* dest);

// Drops trailing spaces and tabs.
void BUFOBJ_StripTrailingSpaces(BUFOBJ* buf);

// A new entry in engine memory, zero-filled, its buffers bound and empty; null
// when either allocation fails (nothing is then left allocated).
PARSEROBJ* PARSEROBJ_Create();

// Frees the value storage, then the entry; null is ignored.
void PARSEROBJ_Delete(PARSEROBJ* entry);
