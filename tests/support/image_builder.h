// Lays out small packed description images by hand for tests of the readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pool/memory_pool.h"
#include "ppdimage/ppd_image.h"
#include "ppdimage/ppd_pack.h"

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

// A view of an image a test packed itself (the packer also writes the
// image's length into its cbSize).
inline ppd_view packed_view(const PPDDATA* image) {
  return image != nullptr ? ppd_view(image, image->cbSize) : ppd_view();
}

// The built-in card's description image, as device enable makes it.
class CardImage {
 public:
  explicit CardImage(const WCHAR* data_file = u"card") : data_(PpdCreate(data_file, &size_)) {}
  ~CardImage() { PpdDelete(data_); }
  CardImage(const CardImage&) = delete;
  CardImage& operator=(const CardImage&) = delete;

  PPDDATA* get() const { return data_; }
  DWORD size() const { return size_; }
  ppd_view view() const { return ppd_view(data_, size_); }

 private:
  DWORD size_ = 0;
  PPDDATA* data_;
};

}  // namespace ymcko::testing
