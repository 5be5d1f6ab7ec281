// Entry buffers and their operations.
#include "ppd/parser.h"

#include <cstring>

#include "engine/engine.h"
#include "pool/char_class.h"
#include "pool/memory_pool.h"

using ymcko::is_blank;
using ymcko::is_hex_digit;

void BUFOBJ_Initialize(BUFOBJ* buf, char* storage, DWORD cbMax) {
  buf->cbMax = cbMax;
  buf->pBuf = storage;
  BUFOBJ_Reset(buf);
}

void BUFOBJ_Reset(BUFOBJ* buf) {
  buf->cbLen = 0;
  buf->pBuf[0] = 0;
}

DWORD BUFOBJ_AddString(BUFOBJ* buf, const char* text) {
  if (text != nullptr) {
    for (; *text != 0; ++text) {
      // The byte at cbMax is never written here, and it is NUL already.
      if (buf->cbLen >= buf->cbMax) {
        buf->pBuf[buf->cbLen] = 0;
        return PPDERR_MEMORY;
      }
      buf->pBuf[buf->cbLen++] = *text;
    }
  }
  buf->pBuf[buf->cbLen] = 0;
  return PPDERR_NONE;
}

DWORD BUFOBJ_CopyStringHex(const BUFOBJ* buf, char* dest) {
  const char* text = buf->pBuf;
  DWORD length = buf->cbLen;
  bool in_hex = false;
  for (DWORD i = 0; i < length; ++i) {
    char c = text[i];
    if (!in_hex) {
      if (c == '<') {
        in_hex = true;
      } else {
        *dest++ = c;
      }
    } else if (c == '>') {
      in_hex = false;
    } else {
      // Two digits make one byte; the second must lie inside the text too.
      if (i + 1 >= length || !is_hex_digit(c) || !is_hex_digit(text[i + 1])) {
        *dest = 0;
        return PPDERR_SYNTAX;
      }
      *dest++ = static_cast<char>((HexValue(c) << 4) | HexValue(text[i + 1]));
      ++i;
    }
  }
  *dest = 0;
  return PPDERR_NONE;
}

void BUFOBJ_StripTrailingSpaces(BUFOBJ* buf) {
  while (buf->cbLen > 0 && is_blank(buf->pBuf[buf->cbLen - 1])) --buf->cbLen;
  buf->pBuf[buf->cbLen] = 0;
}

PARSEROBJ* PARSEROBJ_Create() {
  auto* entry = static_cast<PARSEROBJ*>(EngAllocMem(0, sizeof(PARSEROBJ), PPD_POOL_TAG));
  if (entry == nullptr) return nullptr;
  auto* value = static_cast<char*>(EngAllocMem(0, VALUE_BUFFER_MAX + 1, PPD_POOL_TAG));
  if (value == nullptr) {
    EngFreeMem(entry);
    return nullptr;
  }
  std::memset(entry, 0, sizeof(PARSEROBJ));
  std::memset(value, 0, VALUE_BUFFER_MAX + 1);
  BUFOBJ_Initialize(&entry->keyword, entry->szKeyword, KEYWORD_BUFFER_MAX);
  BUFOBJ_Initialize(&entry->option, entry->szOption, KEYWORD_BUFFER_MAX);
  BUFOBJ_Initialize(&entry->translation, entry->szTranslation, KEYWORD_BUFFER_MAX);
  BUFOBJ_Initialize(&entry->value, value, VALUE_BUFFER_MAX);
  return entry;
}

void PARSEROBJ_Delete(PARSEROBJ* entry) {
  if (entry == nullptr) return;
  EngFreeMem(entry->value.pBuf);
  EngFreeMem(entry);
}
