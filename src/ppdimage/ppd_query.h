// Questions asked of the packed description image: page size by form name,
// duplex and collate support, default feature selections, and constraints.
#pragma once

#include <optional>
#include <span>

#include "engine/engine.h"
#include "ppdimage/ppd_image.h"

// Finds, from `option` on, the first option whose translation or, failing
// that, keyword equals `name`; writes its position (0xFFFF when none).
ymcko::image_item PpdFindUiOptionWithXlation(const ymcko::ppd_view& image, ymcko::image_item option,
                                             const char* name, SHORT* position);

// The invocation of the feature's "True" option (flag set) or "False" option, or null.
const char* FindBooleanOptionCode(const ymcko::ppd_view& image, ymcko::image_item feature,
                                  BOOL flag);

// The collate command in the given direction, or null when it cannot be commanded.
const char* PpdFindCollateCode(const ymcko::ppd_view& image, BOOL flag);

// 1 when the description has a Duplex feature with at least one option.
BOOL PpdSupportDuplex(const ymcko::ppd_view& image);

// Writes the default selection of each document-sticky feature (0xFF for the
// Resolution feature) into `selections`, at most its size; returns the number
// of selections to store, the smaller of the feature count and that size.
WORD PpdDefaultDocumentStickyFeatures(const ymcko::ppd_view& image, std::span<BYTE> selections);

// Writes the default selection of each printer-sticky feature, moving
// selections that the description's constraints rule out; same counting rule.
WORD PpdDefaultPrinterStickyFeatures(const ymcko::ppd_view& image, std::span<BYTE> selections);

// The feature at position f and its option at position o; 1 when both exist.
BOOL PpdFindFeatureSelection(const ymcko::ppd_view& image, WORD f, WORD o,
                             ymcko::image_item* feature, ymcko::image_item* option);

// 1 when the selection is an option named exactly "None" or "False".
BOOL FeatureSelectionNone(const ymcko::ppd_view& image, WORD f, WORD o);

// 1 when a usable constraint entry rules out feature f2 at option o2 while
// feature f1 is at option o1.
BOOL SearchUiConstraints(const ymcko::ppd_view& image, WORD f1, WORD o1, WORD f2, WORD o2);

// 0 when the selection (f, o) is free, else a conflict code: option in bits
// 0..7, the conflicting feature's position in bits 8..15, its class in bits
// 16..17 (1 printer-sticky, 2 document-sticky). Without document selections,
// f counts among the printer-sticky features, otherwise among the
// document-sticky ones. Only the selections the arrays hold are consulted.
DWORD PpdFeatureConstrained(const ymcko::ppd_view& image, std::span<const BYTE> printer_selections,
                            std::optional<std::span<const BYTE>> document_selections, WORD f,
                            WORD o);
