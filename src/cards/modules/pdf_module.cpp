// ymcko-pdf.so: PDF pages rendered by Poppler for the card-content layer.
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "cards/images/pdf_module.h"

namespace {

using ymcko::cards::pdf::OpenResult;
using ymcko::cards::pdf::Page;

// Poppler's own error output is replaced by nothing: failures are reported
// through the results of its calls.
void quiet(const std::string&, void*) {}

class PopplerDocument final : public ymcko::cards::pdf::Document {
 public:
  explicit PopplerDocument(poppler::document* document) : document_(document) {}

  int pages() const override { return document_->pages(); }

  bool page_size(int index, double* width, double* height) const override {
    std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) return false;
    const poppler::rectf box = page->page_rect();
    *width = box.width();
    *height = box.height();
    return true;
  }

  bool render(int index, int dpi, Page* out) const override {
    std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) return false;
    poppler::page_renderer renderer;
    renderer.set_render_hints(poppler::page_renderer::antialiasing |
                              poppler::page_renderer::text_antialiasing);
    renderer.set_image_format(poppler::image::format_argb32);
    renderer.set_paper_color(0xFFFFFFFF);
    poppler::image rendered = renderer.render_page(page.get(), dpi, dpi);
    if (!rendered.is_valid() || rendered.format() != poppler::image::format_argb32) return false;
    out->width = std::uint32_t(rendered.width());
    out->height = std::uint32_t(rendered.height());
    out->rgba.resize(std::size_t(out->width) * out->height * 4);
    // Each rendered pixel is a native 32-bit 0xAARRGGBB word; on the opaque
    // white paper alpha is always full.
    for (std::uint32_t y = 0; y < out->height; ++y) {
      const char* row = rendered.const_data() + std::size_t(y) * rendered.bytes_per_row();
      std::uint8_t* pixel = &out->rgba[std::size_t(y) * out->width * 4];
      for (std::uint32_t x = 0; x < out->width; ++x, pixel += 4) {
        std::uint32_t word;
        std::memcpy(&word, row + std::size_t(x) * 4, 4);
        pixel[0] = std::uint8_t(word >> 16);
        pixel[1] = std::uint8_t(word >> 8);
        pixel[2] = std::uint8_t(word);
        pixel[3] = 255;
      }
    }
    return true;
  }

 private:
  std::unique_ptr<poppler::document> document_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) ymcko::cards::pdf::Document* ymcko_pdf_open(
    const std::uint8_t* bytes, std::size_t size, OpenResult* result) {
  poppler::set_debug_error_function(quiet, nullptr);
  if (size > std::size_t(INT_MAX)) {
    *result = OpenResult::unreadable;
    return nullptr;
  }
  std::unique_ptr<poppler::document> document(
      poppler::document::load_from_raw_data(reinterpret_cast<const char*>(bytes), int(size)));
  *result = !document               ? OpenResult::unreadable
            : document->is_locked() ? OpenResult::locked
            : document->pages() < 1 ? OpenResult::no_pages
                                    : OpenResult::opened;
  if (*result != OpenResult::opened) return nullptr;
  return new PopplerDocument(document.release());
}
