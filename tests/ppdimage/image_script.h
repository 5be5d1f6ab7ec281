// Description entries (the entry-script format) packed into an image, which
// every query then reads; shared by the image fuzz target and its replay test.
#pragma once

#include <array>
#include <cstring>
#include <string_view>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "ppd/entry_script.h"
#include "ppdimage/ppd_pack.h"
#include "ppdimage/ppd_query.h"

namespace ymcko::testing {

// Whether a packed image keeps its promises: aligned pieces inside it, as many
// features as its two counts, each with a readable name.
inline bool image_is_sound(const ppd_view& view) {
  if (!view.valid() || view.bytes().size() % 4 != 0) return false;
  DWORD features = 0;
  for (auto f = view.features(); !f.is_null(); f = f.next(), ++features) {
    if (f.offset % 4 != 0 || f.name() == nullptr) return false;
    for (auto o = view.options(f); !o.is_null(); o = o.next()) {
      if (o.offset % 4 != 0 || o.name() == nullptr) return false;
    }
  }
  return features == DWORD{view.doc_sticky_count()} + view.printer_sticky_count();
}

// Every query over the image; results are not judged, only that they can be had.
inline void ask_everything(const ppd_view& view) {
  std::array<BYTE, 64> doc{};
  std::array<BYTE, 68> printer{};
  WORD docs = PpdDefaultDocumentStickyFeatures(view, doc);
  WORD printers = PpdDefaultPrinterStickyFeatures(view, printer);
  PpdSupportDuplex(view);
  PpdFindCollateCode(view, TRUE);
  PpdFindCollateCode(view, FALSE);
  SHORT position;
  PpdFindUiOptionWithXlation(view, view.options(view.predefined(UIGRP_PAGESIZE)), "CR-80",
                             &position);
  for (WORD f = 0; f < docs; ++f) {
    PpdFeatureConstrained(view, std::span<const BYTE>(printer.data(), printers),
                          std::span<const BYTE>(doc.data(), docs), f, doc[f]);
  }
  for (WORD f = 0; f < printers; ++f) {
    PpdFeatureConstrained(view, std::span<const BYTE>(printer.data(), printers), std::nullopt, f,
                          printer[f]);
  }
}

// Builds a description from the script, packs and reads it; false when the
// image is unsound or engine memory was left behind.
inline bool run_image_script(std::string_view script) {
  const auto at_start = engine::outstanding_total();
  PARSEROBJ* entry = PARSEROBJ_Create();
  PPDOBJ* ppd = ppdobj_in_new_pool();
  bool sound = true;
  if (entry != nullptr && ppd != nullptr) {
    PPDOBJ_SetDefaults(ppd);
    InitKeywordTable(keyword_table);
    for (std::string_view line : split(script, '\n')) {
      if (line.empty() || line[0] == '!') continue;
      insert_script_entry(ppd, entry, line);
    }
    DWORD size = 0;
    PPDDATA* image = PackPpdData(ppd, &size);  // releases the description
    ppd = nullptr;
    if (image != nullptr) {
      UnpackPpdData({reinterpret_cast<BYTE*>(image), size});
      const ppd_view view(image, size);
      sound = image_is_sound(view);
      ask_everything(view);
      PpdDelete(image);
    }
  }
  if (ppd != nullptr) PPDOBJ_Delete(ppd);
  PARSEROBJ_Delete(entry);
  const auto at_end = engine::outstanding_total();
  return sound && at_end.blocks == at_start.blocks && at_end.bytes == at_start.bytes;
}

}  // namespace ymcko::testing
