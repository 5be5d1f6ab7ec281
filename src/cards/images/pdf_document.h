// PDF documents whose pages become card sides: rendered at the printer's
// resolution on white, one page at a time, each within a time limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cards/images/image.h"
#include "print/card_geometry.h"

namespace ymcko::cards {

// PDF pages are rendered at the printer's resolution, each within a time
// limit: a page that takes longer is refused.
inline constexpr int kPdfDpi = print::kCardDpi;
inline constexpr std::chrono::seconds kPdfPageTimeLimit{30};

// A PDF whose pages are rendered one at a time.
class PdfDocument {
 public:
  PdfDocument(std::vector<std::uint8_t> bytes, std::string name,
              std::chrono::milliseconds page_time_limit = kPdfPageTimeLimit);
  ~PdfDocument();
  PdfDocument(PdfDocument&&) noexcept;
  int pages() const;
  // Page `index` (from 0) at kPdfDpi on white paper. The page is rendered in
  // a child process, which is ended when the time limit passes: Poppler's
  // rendering cannot be stopped from outside, and a crash in it stays there.
  Image render(int index) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ymcko::cards
