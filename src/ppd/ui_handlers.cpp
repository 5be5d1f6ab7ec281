// Feature, option, order-dependency and constraint handlers.
#include "ppd/ui_handlers.h"

#include <cstring>
#include <new>

#include "ppd/keywords.h"
#include "ppd/ui_group.h"
#include "rt/arith.h"

const STRTABLEENTRY sectionStrs[7] = {
    {"ExitServer", 1}, {"Prolog", 2},    {"DocumentSetup", 4}, {"PageSetup", 8},
    {"JCLSetup", 16},  {"AnySetup", 32}, {nullptr, 32},
};

namespace {

// The predefined feature a table keyword describes, else UIGRP_GENERIC.
WORD keyword_group(const char* name) {
  const KEYWORDROW* row = SearchKeyword(ymcko::keyword_table, name);
  return row != nullptr && row->wGroup < UIGRP_GENERIC ? row->wGroup : UIGRP_GENERIC;
}

// A record of type Record with `name` and its NUL right behind it, in one
// pool piece; pstrName points at the name. Null when the pool is exhausted.
template <class Record>
Record* record_with_name(HEAPOBJ* pool, const char* name) {
  std::size_t length = std::strlen(name);
  auto size = ymcko::rt::fit_ulong(std::uint64_t{sizeof(Record)} + length + 1);
  if (!size) return nullptr;
  void* piece = HEAPOBJ_Alloc(pool, *size);
  if (piece == nullptr) return nullptr;
  auto* record = new (piece) Record{};
  char* copy = reinterpret_cast<char*>(record + 1);
  std::memcpy(copy, name, length + 1);
  record->pstrName = copy;
  return record;
}

}  // namespace

DWORD CommonUiOptionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  UIOPTION* option = nullptr;
  DWORD result = CreateUiOption(ppd, entry, UIGRP_GENERIC, &option);
  if (result != PPDERR_NONE) return result;
  bool jcl = ppd->pOpenUiGroup != nullptr && (ppd->pOpenUiGroup->wFlags & UIGF_JCL) != 0;
  return GetStringValue(&option->pstrInvocation, &entry->value, ppd->pHeap,
                        jcl ? CONVERT_HEX : CONVERT_INVOCATION);
}

DWORD CommonUiDefaultProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  const char* keyword = entry->keyword.pBuf;
  const char* name = keyword + (entry->keyword.cbLen < DEFAULT_PREFIX_LENGTH
                                    ? entry->keyword.cbLen
                                    : DEFAULT_PREFIX_LENGTH);
  // A name that is a keyword of a predefined feature names that feature, so
  // "DefaultInstalledMemory" reaches the memory feature whose options the
  // "InstalledMemory" entries make, not a new feature without options.
  UIGROUP* feature = nullptr;
  DWORD result = CreateUiGroup(ppd, keyword_group(name), name, &feature);
  if (result != PPDERR_NONE) return result;
  return GetStringValue(&feature->pstrDefault, &entry->value, ppd->pHeap, CONVERT_KEYWORD);
}

DWORD OpenUiProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  ppd->pOpenUiGroup = nullptr;
  bool jcl = std::strncmp(entry->keyword.pBuf, "JCL", 3) == 0;

  const char* name = StripKeywordChar(entry->option.pBuf);
  if (name == nullptr) return PPDERR_SYNTAX;

  // Keywords that describe no predefined feature (Collate, Duplex,
  // ManualFeed among them) are no feature to open: their UI types come from
  // uigrpInfo alone.
  WORD index = UIGRP_GENERIC;
  if (const KEYWORDROW* row = SearchKeyword(ymcko::keyword_table, name)) {
    if (row->wGroup >= UIGRP_GENERIC) return PPDERR_NONE;
    index = row->wGroup;
  }

  WORD ui_type = UITYPE_PICKONE;
  SearchStringTable(uitypeStrs, entry->value.pBuf, &ui_type);

  UIGROUP* feature = nullptr;
  DWORD result = CreateUiGroup(ppd, index, name, &feature);
  if (result != PPDERR_NONE) return result;
  feature->wUiType = ui_type;

  if (entry->translation.cbLen != 0) {
    result = GetStringValue(&feature->pstrTranslation, &entry->translation, ppd->pHeap,
                            CONVERT_HEX);
    if (result != PPDERR_NONE) return result;
  }

  // Predefined features are never opened: their entries reach their own
  // handlers through the keyword table.
  if (index == UIGRP_GENERIC) {
    if (jcl) feature->wFlags |= UIGF_JCL;
    ppd->pOpenUiGroup = feature;
  }
  return PPDERR_NONE;
}

DWORD CloseUiProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  BUFOBJ_StripTrailingSpaces(&entry->value);
  const char* name = StripKeywordChar(entry->value.pBuf);
  if (name == nullptr) return PPDERR_SYNTAX;

  if (ppd->pOpenUiGroup != nullptr && EqualWordString(ppd->pOpenUiGroup->pstrName, name)) {
    ppd->pOpenUiGroup = nullptr;
    return PPDERR_NONE;
  }
  return SearchKeyword(ymcko::keyword_table, name) != nullptr ? PPDERR_NONE : PPDERR_SYNTAX;
}

DWORD OpenCloseGroupProc(PPDOBJ* ppd, const char* value, DWORD open) {
  if (!EqualWordString(installableOptionsStr, value)) return PPDERR_NONE;
  if (ppd->bInstallableOptions == open) return PPDERR_SYNTAX;
  ppd->bInstallableOptions = open;
  return PPDERR_NONE;
}

DWORD OpenGroupProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return OpenCloseGroupProc(ppd, entry->value.pBuf, 1);
}

DWORD CloseGroupProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return OpenCloseGroupProc(ppd, entry->value.pBuf, 0);
}

DWORD OrderDepProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  const char* cursor = entry->value.pBuf;
  char word[WORD_BUFFER_SIZE];

  PSREAL order = 0;
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (GetRealValue(&order, word) != PPDERR_NONE) return PPDERR_SYNTAX;

  WORD section = 0;
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  SearchStringTable(sectionStrs, word, &section);

  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  const char* keyword = StripKeywordChar(word);
  if (keyword == nullptr) return PPDERR_SYNTAX;

  auto* dependency = record_with_name<ORDERDEP>(ppd->pHeap, keyword);
  if (dependency == nullptr) return PPDERR_MEMORY;
  dependency->order = order;
  dependency->wSection = section;

  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) != 0) {
    dependency->pstrOption = ymcko::pool_copy(ppd->pHeap, word);
    if (dependency->pstrOption == nullptr) return PPDERR_MEMORY;
  }
  LISTOBJ_Add(&ppd->pOrderDeps, dependency);
  return PPDERR_NONE;
}

DWORD UiConstraintsProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  const char* cursor = entry->value.pBuf;
  char word[WORD_BUFFER_SIZE];

  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  const char* feature1 = StripKeywordChar(word);
  if (feature1 == nullptr) return PPDERR_SYNTAX;
  auto* constraint = record_with_name<UICONSTRAINT>(ppd->pHeap, feature1);
  if (constraint == nullptr) return PPDERR_MEMORY;

  // An option follows a feature unless the next word is itself a feature.
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  if (word[0] != '*') {
    constraint->pstrOption1 = ymcko::pool_copy(ppd->pHeap, word);
    if (constraint->pstrOption1 == nullptr) return PPDERR_MEMORY;
    if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) == 0) return PPDERR_SYNTAX;
  }

  const char* feature2 = StripKeywordChar(word);
  if (feature2 == nullptr) return PPDERR_SYNTAX;
  constraint->pstrFeature2 = ymcko::pool_copy(ppd->pHeap, feature2);
  if (constraint->pstrFeature2 == nullptr) return PPDERR_MEMORY;

  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) != 0) {
    constraint->pstrOption2 = ymcko::pool_copy(ppd->pHeap, word);
    if (constraint->pstrOption2 == nullptr) return PPDERR_MEMORY;
  }
  LISTOBJ_Add(&ppd->pUiConstraints, constraint);
  return PPDERR_NONE;
}
