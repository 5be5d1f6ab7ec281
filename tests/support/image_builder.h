// Lays out small packed description images by hand for tests of the readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ppdimage/ppd_image.h"

namespace ymcko::testing {

class ImageBuilder {
 public:
  struct Option {
    std::string name;
    std::string translation;  // empty: none
    std::string invocation;   // empty: none
  };
  struct Feature {
    std::string name;
    WORD index = UIGRP_GENERIC;
    DWORD default_value = 0;
    bool installable = false;
    std::vector<Option> options;
  };

  // Features in list order: document-sticky ones first, then printer-sticky.
  std::vector<Feature> features;
  std::vector<image_constraint_entry> constraints;
  WORD checksum = 0;

  // The image bytes, relocatable form, with the predefined entries filled by UnpackPpdData.
  std::vector<BYTE> build() const;
};

}  // namespace ymcko::testing
