// The built-in CR-80 card entries and the making of a description from them.
#include "ppd/builtin_card.h"

#include <cstring>

#include "ppd/interpreter.h"
#include "ppd/keywords.h"
#include "rt/arith.h"
#include "rt/wide_string.h"

namespace {

struct BUILTINENTRY {
  const char* keyword;
  const char* option;
  const char* translation;
  const char* value;
  WORD valueType;
};

// The card, in points: a 158 x 246 paper, imageable from the origin to
// 157.4399 x 245.7598. The defaults of page region, imageable area and paper
// dimension are no table keywords and are ignored.
constexpr BUILTINENTRY builtinEntries[BUILTIN_ENTRY_COUNT] = {
    {"OpenUI", "*PageSize", "", "PickOne", VALUE_STRING},
    {"OrderDependency", "", "", "30 AnySetup *PageSize", VALUE_STRING},
    {"DefaultPageSize", "", "", "CR_80", VALUE_STRING},
    {"PageSize", "CR_80", "CR-80", "", VALUE_QUOTED},
    {"End", "", "", "", VALUE_NONE},
    {"CloseUI", "", "", "*PageSize", VALUE_STRING},
    {"OpenUI", "*PageRegion", "", "PickOne", VALUE_STRING},
    {"OrderDependency", "", "", "40 AnySetup *PageRegion", VALUE_STRING},
    {"DefaultPageRegion", "", "", "CR_80", VALUE_STRING},
    {"PageRegion", "CR_80", "CR-80", "", VALUE_QUOTED},
    {"End", "", "", "", VALUE_NONE},
    {"CloseUI", "", "", "*PageRegion", VALUE_STRING},
    {"DefaultImageableArea", "", "", "CR_80", VALUE_STRING},
    {"ImageableArea", "CR_80", "CR-80", "0.0000 0.0000 157.4399 245.7598", VALUE_QUOTED},
    {"DefaultPaperDimension", "", "", "CR_80", VALUE_STRING},
    {"PaperDimension", "CR_80", "CR-80", "158 246", VALUE_QUOTED},
};

// A copy of the wide name in the pool, or null when it cannot be had.
WCHAR* copy_data_file_name(HEAPOBJ* pool, const WCHAR* name) {
  static constexpr WCHAR empty[] = u"";
  if (name == nullptr) name = empty;
  std::size_t length = ymcko::rt::wide_length(name);
  auto size = ymcko::rt::fit_ulong((std::uint64_t{length} + 1) * sizeof(WCHAR));
  if (!size) return nullptr;
  auto* copy = static_cast<WCHAR*>(HEAPOBJ_Alloc(pool, *size));
  if (copy != nullptr) std::memcpy(copy, name, *size);
  return copy;
}

}  // namespace

BOOL PPDOBJ_BuildEntries(PPDOBJ* ppd, PARSEROBJ* entry, const WCHAR*) {
  // Entries that are malformed or ignored leave the build going; an
  // exhausted pool does not, since the card would be described only in part.
  BOOL whole = TRUE;
  for (const BUILTINENTRY& e : builtinEntries) {
    DWORD result = PPDOBJ_InsertEntry(ppd, entry, e.keyword, e.option, e.translation, e.value,
                                      e.valueType);
    if (result == PPDERR_MEMORY) whole = FALSE;
  }
  return whole;
}

PPDOBJ* PPDOBJ_Create(const WCHAR* dataFileName) {
  PARSEROBJ* entry = PARSEROBJ_Create();
  if (entry == nullptr) return nullptr;
  PPDOBJ* ppd = ymcko::ppdobj_in_new_pool();
  if (ppd == nullptr) {
    PARSEROBJ_Delete(entry);
    return nullptr;
  }

  ppd->pwstrDataFile = copy_data_file_name(ppd->pHeap, dataFileName);
  bool built = false;
  if (ppd->pwstrDataFile != nullptr) {
    PPDOBJ_SetDefaults(ppd);
    InitKeywordTable(ymcko::keyword_table);
    built = PPDOBJ_BuildEntries(ppd, entry, dataFileName) != FALSE;
  }
  PARSEROBJ_Delete(entry);
  if (!built) {
    PPDOBJ_Delete(ppd);
    return nullptr;
  }
  return ppd;
}
