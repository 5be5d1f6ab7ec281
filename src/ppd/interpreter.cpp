// The entry interpreter.
#include "ppd/interpreter.h"

#include <cstring>

#include "ppd/keywords.h"
#include "ppd/ui_handlers.h"

void PPDOBJ_ResetPO(PARSEROBJ* entry) {
  BUFOBJ_Reset(&entry->keyword);
  BUFOBJ_Reset(&entry->option);
  BUFOBJ_Reset(&entry->translation);
  BUFOBJ_Reset(&entry->value);
  entry->dwValueType = VALUE_NONE;
}

DWORD PPDOBJ_InterpretEntry(PPDOBJ* ppd, PARSEROBJ* entry) {
  const char* keyword = entry->keyword.pBuf;
  if (keyword[0] == '?') return PPDERR_NONE;

  // The open feature's options and default bypass the table and its rules.
  if (const UIGROUP* open = ppd->pOpenUiGroup) {
    if (std::strcmp(keyword, open->pstrName) == 0) return CommonUiOptionProc(ppd, entry);
    if (std::strncmp(keyword, defaultPrefixStr, DEFAULT_PREFIX_LENGTH) == 0 &&
        std::strcmp(keyword + DEFAULT_PREFIX_LENGTH, open->pstrName) == 0) {
      return CommonUiDefaultProc(ppd, entry);
    }
  }

  KEYWORDROW* row = SearchKeyword(ymcko::keyword_table, keyword);
  if (row == nullptr || row->pfnProc == nullptr) return PPDERR_NONE;
  if (!CheckKeywordParams(row, entry)) return PPDERR_SYNTAX;
  if (!CheckKeywordDuplicates(row)) return PPDERR_NONE;

  DWORD result = row->pfnProc(ppd, entry);
  if (result == PPDERR_NONE) row->wFlags |= KWF_SEEN;
  return result;
}

DWORD PPDOBJ_InsertEntry(PPDOBJ* ppd, PARSEROBJ* entry, const char* keyword, const char* option,
                         const char* translation, const char* value, WORD valueType) {
  // A text cut at its buffer's limit is interpreted as cut.
  PPDOBJ_ResetPO(entry);
  BUFOBJ_AddString(&entry->keyword, keyword);
  BUFOBJ_AddString(&entry->option, option);
  BUFOBJ_AddString(&entry->translation, translation);
  BUFOBJ_AddString(&entry->value, value);
  entry->dwValueType = valueType;
  return PPDOBJ_InterpretEntry(ppd, entry);
}
