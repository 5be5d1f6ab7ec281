// Questions asked of the packed description image.
#include "ppdimage/ppd_query.h"

#include <algorithm>
#include <cstring>

using ymcko::image_item;
using ymcko::ppd_view;

namespace {

constexpr DWORD kOptionTranslation = offsetof(ymcko::image_ui_option, pstrTranslation);
constexpr DWORD kOptionInvocation = offsetof(ymcko::image_ui_option, pstrInvocation);

DWORD conflict_code(DWORD feature, DWORD option, DWORD kind) {
  return (option & 0xFF) | (feature & 0xFF) << 8 | kind << 16;
}

// A feature's default as a selection byte.
BYTE default_selection(const ppd_view& image, const image_item& feature) {
  return static_cast<BYTE>(image.uigroup(feature).dwDefault & 0xFF);
}

bool option_matches(WORD entry, WORD selected, const ppd_view& image, WORD feature) {
  return entry == selected ||
         (entry == ymcko::NO_OPTION && !FeatureSelectionNone(image, feature, selected));
}

}  // namespace

image_item PpdFindUiOptionWithXlation(const ppd_view&, image_item option, const char* name,
                                      SHORT* position) {
  const DWORD hash = HashKeyword(name);
  SHORT at = 0;
  for (; !option.is_null() && name != nullptr; option = option.next(), ++at) {
    const char* translation = option.string_field(kOptionTranslation);
    if ((translation != nullptr && std::strcmp(translation, name) == 0) ||
        option.matches(name, hash)) {
      if (position != nullptr) *position = at;
      return option;
    }
  }
  if (position != nullptr) *position = static_cast<SHORT>(0xFFFF);
  return {};
}

const char* FindBooleanOptionCode(const ppd_view& image, image_item feature, BOOL flag) {
  if (feature.is_null()) return nullptr;
  image_item option = LISTOBJ_Find(image.options(feature), flag ? "True" : "False");
  return option.is_null() ? nullptr : option.string_field(kOptionInvocation);
}

const char* PpdFindCollateCode(const ppd_view& image, BOOL flag) {
  return FindBooleanOptionCode(image, image.predefined(UIGRP_COLLATE), flag);
}

BOOL PpdSupportDuplex(const ppd_view& image) {
  image_item duplex = image.predefined(UIGRP_DUPLEX);
  return !duplex.is_null() && !image.options(duplex).is_null();
}

WORD PpdDefaultDocumentStickyFeatures(const ppd_view& image, std::span<BYTE> selections) {
  const WORD count =
      static_cast<WORD>(std::min<std::size_t>(image.doc_sticky_count(), selections.size()));
  image_item feature = image.features();
  for (WORD i = 0; i < count; ++i, feature = feature.next()) {
    bool resolution = feature.is_null() || image.uigroup(feature).wIndex == UIGRP_RESOLUTION;
    selections[i] = resolution ? ymcko::NO_OPTION : default_selection(image, feature);
  }
  return count;
}

WORD PpdDefaultPrinterStickyFeatures(const ppd_view& image, std::span<BYTE> selections) {
  const WORD docs = image.doc_sticky_count();
  const WORD count =
      static_cast<WORD>(std::min<std::size_t>(image.printer_sticky_count(), selections.size()));
  std::span<BYTE> sel = selections.first(count);

  for (WORD i = 0; i < count; ++i) sel[i] = default_selection(image, image.feature_at(docs + i));

  for (WORD i = 0; i < count; ++i) {
    DWORD conflict = PpdFeatureConstrained(image, sel, std::nullopt, i, sel[i]);
    if (conflict == 0) continue;

    // The first option of this feature that nothing rules out.
    const DWORD options = UIGROUP_CountOptions(image.feature_at(docs + i));
    bool moved = false;
    for (DWORD j = 0; j < options && j < ymcko::NO_OPTION && !moved; ++j) {
      if (PpdFeatureConstrained(image, sel, std::nullopt, i, WORD(j)) == 0) {
        sel[i] = static_cast<BYTE>(j);
        moved = true;
      }
    }
    if (moved) continue;

    // Otherwise move the feature that caused the conflict, when it is one of
    // the printer features, to its first option that allows this one.
    const int other = int((conflict >> 8) & 0xFF) - int(docs);
    if (other < 0 || other >= int(count)) continue;
    const DWORD other_options = UIGROUP_CountOptions(image.feature_at(docs + other));
    for (DWORD j = 0; j < other_options && j < ymcko::NO_OPTION; ++j) {
      if (!SearchUiConstraints(image, WORD(docs + other), WORD(j), WORD(docs + i), sel[i])) {
        sel[other] = static_cast<BYTE>(j);
        break;
      }
    }
  }
  return count;
}

BOOL PpdFindFeatureSelection(const ppd_view& image, WORD f, WORD o, image_item* feature,
                             image_item* option) {
  *feature = {};
  *option = {};
  if (f == 0xFFFF || o == ymcko::NO_OPTION) return FALSE;
  image_item found = image.feature_at(f);
  if (found.is_null()) return FALSE;
  image_item chosen = LISTOBJ_FindIndexed(image.options(found), o);
  if (chosen.is_null()) return FALSE;
  *feature = found;
  *option = chosen;
  return TRUE;
}

BOOL FeatureSelectionNone(const ppd_view& image, WORD f, WORD o) {
  image_item feature, option;
  if (!PpdFindFeatureSelection(image, f, o, &feature, &option)) return FALSE;
  const char* keyword = option.name();
  return keyword != nullptr &&
         (std::strcmp(keyword, "None") == 0 || std::strcmp(keyword, "False") == 0);
}

BOOL SearchUiConstraints(const ppd_view& image, WORD f1, WORD o1, WORD f2, WORD o2) {
  const DWORD entries = image.constraint_count();
  for (DWORD i = 0; i < entries; ++i) {
    ymcko::image_constraint_entry entry = image.constraint(i);
    if (entry.wFeature1 == -1 || WORD(entry.wFeature1) != f1 || WORD(entry.wFeature2) != f2)
      continue;
    if (option_matches(WORD(entry.wOption1), o1, image, f1) &&
        option_matches(WORD(entry.wOption2), o2, image, f2)) {
      return TRUE;
    }
  }
  return FALSE;
}

DWORD PpdFeatureConstrained(const ppd_view& image, std::span<const BYTE> printer_selections,
                            std::optional<std::span<const BYTE>> document_selections, WORD f,
                            WORD o) {
  const WORD docs = image.doc_sticky_count();
  const std::size_t printers =
      std::min<std::size_t>(image.printer_sticky_count(), printer_selections.size());

  if (!document_selections) {
    for (std::size_t c = 0; c < printers; ++c) {
      if (c == f) continue;
      if (SearchUiConstraints(image, WORD(docs + c), printer_selections[c], WORD(docs + f), o)) {
        return conflict_code(docs + c, printer_selections[c], 1);
      }
    }
    return 0;
  }

  if (o == ymcko::NO_OPTION) return 0;
  const std::span<const BYTE> dsel = *document_selections;
  const std::size_t documents = std::min<std::size_t>(docs, dsel.size());
  for (std::size_t c = 0; c < documents; ++c) {
    if (c == f || dsel[c] == ymcko::NO_OPTION) continue;
    if (SearchUiConstraints(image, WORD(c), dsel[c], f, o)) return conflict_code(c, dsel[c], 2);
  }
  for (std::size_t c = 0; c < printers; ++c) {
    if (SearchUiConstraints(image, WORD(docs + c), printer_selections[c], f, o)) {
      return conflict_code(docs + c, printer_selections[c], 1);
    }
  }
  return 0;
}
