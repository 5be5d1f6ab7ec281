// The PDF renderer lives in a module of its own, ymcko-pdf.so, loaded the
// first time a PDF is opened: Poppler and the twenty libraries it brings
// cost every other run of a program about 2 ms of start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ymcko::cards::pdf {

// One rendered page: opaque RGBA rows from the top.
struct Page {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;
};

// An open PDF; it reads from the bytes it was opened on while it lives.
class Document {
 public:
  virtual ~Document() = default;
  virtual int pages() const = 0;
  // The page's size in points, or false when the page cannot be read.
  virtual bool page_size(int index, double* width, double* height) const = 0;
  // The page at `dpi` on white paper, or false when it cannot be rendered.
  virtual bool render(int index, int dpi, Page* page) const = 0;
};

enum class OpenResult { opened, unreadable, locked, no_pages };

// The module's one entry point, by the name kOpenSymbol: a document, or
// null with the reason in `result`.
using OpenFunction = Document* (*)(const std::uint8_t* bytes, std::size_t size, OpenResult* result);
inline constexpr const char* kOpenSymbol = "ymcko_pdf_open";
inline constexpr const char* kModuleName = "ymcko-pdf.so";

}  // namespace ymcko::cards::pdf
