// Lays out small packed description images by hand for tests of the readers.
#include "support/image_builder.h"

#include <cstring>

#include "pool/char_class.h"

namespace ymcko::testing {
namespace {

class Writer {
 public:
  std::vector<BYTE> bytes = std::vector<BYTE>(sizeof(PPDDATA), 0);

  DWORD reserve(std::size_t size) {
    DWORD at = DWORD(bytes.size());
    bytes.resize(bytes.size() + ((size + 3) & ~std::size_t{3}), 0);
    return at;
  }
  DWORD string(const std::string& text) {
    DWORD at = reserve(text.size() + 1);
    std::memcpy(bytes.data() + at, text.c_str(), text.size() + 1);
    return at;
  }
  template <class T>
  void put(DWORD at, const T& value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
  }
};

}  // namespace

std::vector<BYTE> ImageBuilder::build() const {
  Writer out;
  PPDDATA header{};
  header.wVersion = PPD_IMAGE_VERSION;
  header.wChecksum = checksum;

  header.pOrderDeps = out.reserve(4);
  out.put(header.pOrderDeps, image_table_header{0, sizeof(image_orderdep_entry)});
  header.pUiConstraints = out.reserve(4 + 8 * constraints.size());
  out.put(header.pUiConstraints,
          image_table_header{WORD(constraints.size()), sizeof(image_constraint_entry)});
  for (std::size_t i = 0; i < constraints.size(); ++i)
    out.put(DWORD(header.pUiConstraints + 4 + 8 * i), constraints[i]);

  DWORD* link = &header.pUiGroups;
  DWORD previous_group = 0;
  WORD doc_index = 0, printer_index = 0;
  for (const Feature& f : features) {
    image_uigroup group{};
    DWORD at = out.reserve(sizeof group);
    group.pstrName = out.string(f.name);
    group.dwHash = HashKeyword(f.name.c_str());
    group.dwDefault = f.default_value;
    group.cbOption = f.index == UIGRP_PAGESIZE ? 48 : f.index == UIGRP_RESOLUTION ? 36 : 20;
    group.wIndex = f.index;
    group.wUiType = 1;
    group.bInstallable = f.installable;
    group.wFeatureIndex = f.installable ? printer_index++ : doc_index++;
    DWORD previous_option = 0;
    for (const Option& o : f.options) {
      std::vector<BYTE> record(group.cbOption, 0);
      DWORD option_at = out.reserve(record.size());
      image_ui_option common{};
      common.pstrName = out.string(o.name);
      common.dwHash = HashKeyword(o.name.c_str());
      if (!o.translation.empty()) common.pstrTranslation = out.string(o.translation);
      if (!o.invocation.empty()) common.pstrInvocation = out.string(o.invocation);
      out.put(option_at, common);
      if (previous_option == 0) {
        group.pOptions = option_at;
      } else {
        out.put(previous_option, option_at);  // the previous option's pNext
      }
      previous_option = option_at;
    }
    out.put(at, group);
    if (previous_group != 0) out.put(previous_group, at);
    if (link != nullptr) *link = at, link = nullptr;
    previous_group = at;
  }
  header.cDocStickyFeatures = doc_index;
  header.cPrinterStickyFeatures = printer_index;
  header.cbSize = DWORD(out.bytes.size());
  out.put(0, header);
  UnpackPpdData(out.bytes);
  return out.bytes;
}

}  // namespace ymcko::testing
