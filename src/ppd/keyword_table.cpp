// Keyword lookup and entry rules.
#include "ppd/keyword_table.h"

#include <cstring>

#include "pool/char_class.h"

namespace {

WORD empty_index(const KEYWORDTABLE& table) { return static_cast<WORD>(table.rows.size()); }

std::size_t next_slot(std::size_t slot) { return (slot + 1) % HASH_TABLE_SLOTS; }

}  // namespace

void InitKeywordTable(KEYWORDTABLE& table) {
  for (KEYWORDROW& row : table.rows) row.wFlags &= static_cast<WORD>(~KWF_SEEN);
  if (table.bInitialized) return;

  const WORD empty = empty_index(table);
  for (HASHSLOT& slot : table.hashTable) slot = HASHSLOT{0, empty};
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    DWORD hash = HashKeyword(table.rows[i].pstrKeyword);
    std::size_t slot = hash % HASH_TABLE_SLOTS;
    while (table.hashTable[slot].wIndex != empty) slot = next_slot(slot);
    table.hashTable[slot] = HASHSLOT{hash, static_cast<WORD>(i)};
  }
  table.bInitialized = TRUE;
}

KEYWORDROW* SearchKeyword(const KEYWORDTABLE& table, const char* keyword) {
  if (!table.bInitialized || keyword == nullptr) return nullptr;
  const WORD empty = empty_index(table);
  DWORD hash = HashKeyword(keyword);
  for (std::size_t slot = hash % HASH_TABLE_SLOTS;; slot = next_slot(slot)) {
    const HASHSLOT& entry = table.hashTable[slot];
    if (entry.wIndex == empty) return nullptr;
    KEYWORDROW& row = table.rows[entry.wIndex];
    if (entry.dwHash == hash && row.pstrKeyword != nullptr &&
        std::strcmp(row.pstrKeyword, keyword) == 0) {
      return &row;
    }
  }
}

BOOL CheckKeywordParams(const KEYWORDROW* row, const PARSEROBJ* entry) {
  bool has_option = entry->option.cbLen != 0;
  bool wants_option = (row->wFlags & KWF_OPTION) != 0;
  if (has_option != wants_option) return FALSE;

  DWORD type = entry->dwValueType;
  switch (row->wFlags & KWF_VALUE_RULE) {
    case VALUE_RULE_ANY:
      return TRUE;
    case VALUE_RULE_QUOTED:
      return type == VALUE_QUOTED;
    case VALUE_RULE_QUOTED_STRING:
      return type == VALUE_QUOTED || type == VALUE_STRING;
    case VALUE_RULE_STRING:
      return type == VALUE_STRING && entry->value.cbLen != 0;
    default:
      return FALSE;
  }
}

BOOL CheckKeywordDuplicates(const KEYWORDROW* row) {
  if ((row->wFlags & KWF_SEEN) == 0) return TRUE;
  return (row->wFlags & (KWF_OPTION | KWF_REPEAT)) != 0;
}
