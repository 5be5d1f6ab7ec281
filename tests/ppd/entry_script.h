// Description entries written one to a line, "keyword|option|translation|value|type",
// run through a fresh description; shared by the entry fuzz target and the
// test that replays its finds. A line "!N" makes the N-th engine allocation
// from there on fail.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "ppd/interpreter.h"
#include "ppd/keywords.h"
#include "ppd/ui_group.h"

namespace ymcko::testing {

// The fields of one line; missing fields are empty, the type is its first
// digit (none: VALUE_NONE).
struct script_entry {
  std::string fields[4];
  WORD type = VALUE_NONE;
};

inline std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    std::size_t end = text.find(separator, at);
    parts.push_back(text.substr(at, end == std::string_view::npos ? end : end - at));
    if (end == std::string_view::npos) return parts;
    at = end + 1;
  }
}

// Inserts one script line "keyword|option|translation|value|type" as an entry.
inline DWORD insert_script_entry(PPDOBJ* ppd, PARSEROBJ* entry, std::string_view line) {
  script_entry e;
  auto parts = split(line, '|');
  for (std::size_t i = 0; i < 4 && i < parts.size(); ++i) e.fields[i] = parts[i];
  if (parts.size() > 4 && !parts[4].empty() && parts[4][0] >= '0' && parts[4][0] <= '9') {
    e.type = static_cast<WORD>(parts[4][0] - '0');
  }
  return PPDOBJ_InsertEntry(ppd, entry, e.fields[0].c_str(), e.fields[1].c_str(),
                            e.fields[2].c_str(), e.fields[3].c_str(), e.type);
}

// Whether everything reachable from the description is whole: named items,
// predefined features in their slots with their option size, the open
// feature listed. Every string is read to its end on the way.
inline bool description_is_whole(const PPDOBJ* ppd) {
  auto readable = [](const char* s) { return s == nullptr || std::strlen(s) < (1u << 20); };
  bool open_listed = ppd->pOpenUiGroup == nullptr;
  for (const UIGROUP* g = ppd->pUiGroups; g != nullptr; g = g->pNext) {
    if (g->pstrName == nullptr || !readable(g->pstrTranslation) || !readable(g->pstrDefault)) {
      return false;
    }
    if (g == ppd->pOpenUiGroup) open_listed = true;
    UIGRPINFO row;
    GetUiGroupInfo(&row, g->wIndex, g->pstrName);
    if (g->cbOption != row.cbOption) return false;
    if (g->wIndex < UIGRP_GENERIC && ppd->pPredefGroups[g->wIndex] != g) return false;
    for (const UIOPTION* o = g->pOptions; o != nullptr; o = o->pNext) {
      if (o->pstrName == nullptr || !readable(o->pstrTranslation) || !readable(o->pstrInvocation)) {
        return false;
      }
    }
  }
  for (const DEVFONT* f = ppd->pDevFonts; f != nullptr; f = f->pNext) {
    if (f->pstrName == nullptr || f->pstrTranslation == nullptr || f->wIndex == 0) return false;
  }
  for (const ORDERDEP* d = ppd->pOrderDeps; d != nullptr; d = d->pNext) {
    if (d->pstrName == nullptr || !readable(d->pstrOption)) return false;
  }
  for (const UICONSTRAINT* c = ppd->pUiConstraints; c != nullptr; c = c->pNext) {
    if (c->pstrName == nullptr || c->pstrFeature2 == nullptr || !readable(c->pstrOption1) ||
        !readable(c->pstrOption2)) {
      return false;
    }
  }
  return open_listed;
}

// Runs the script through a fresh description and releases it; false when an
// entry gave a result other than 0, 3 or 4, the description was not whole, or
// engine memory was left behind.
inline bool run_entry_script(std::string_view script) {
  const auto at_start = engine::outstanding_total();
  PARSEROBJ* entry = PARSEROBJ_Create();
  PPDOBJ* ppd = ppdobj_in_new_pool();
  bool sound = true;
  if (entry != nullptr && ppd != nullptr) {
    PPDOBJ_SetDefaults(ppd);
    InitKeywordTable(keyword_table);
    for (std::string_view line : split(script, '\n')) {
      if (!line.empty() && line[0] == '!') {
        engine::fail_allocation_in(std::strtoul(std::string(line.substr(1)).c_str(), nullptr, 10));
        continue;
      }
      DWORD result = insert_script_entry(ppd, entry, line);
      if (result != PPDERR_NONE && result != PPDERR_SYNTAX && result != PPDERR_MEMORY) {
        sound = false;
      }
    }
    sound = sound && description_is_whole(ppd);
  }
  engine::clear_allocation_faults();
  PPDOBJ_Delete(ppd);
  PARSEROBJ_Delete(entry);
  const auto at_end = engine::outstanding_total();
  return sound && at_end.blocks == at_start.blocks && at_end.bytes == at_start.bytes;
}

}  // namespace ymcko::testing
