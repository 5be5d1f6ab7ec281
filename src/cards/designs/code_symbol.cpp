// Codes drawn with libzint.
#include "cards/designs/code_symbol.h"

#include <zint.h>

#include <algorithm>
#include <memory>

#include "print/errors.h"

namespace ymcko::cards {
namespace {

struct CodeKind {
  const char* name;
  int symbology;
  int quiet;  // modules of white around it
  bool linear;
};

const CodeKind kCodes[] = {
    {"qr", BARCODE_QRCODE, 4, false},
    {"code128", BARCODE_CODE128, 10, true},
    {"code39", BARCODE_CODE39, 10, true},
    {"pdf417", BARCODE_PDF417, 2, false},
    {"datamatrix", BARCODE_DATAMATRIX, 1, false},
    {"ean13", BARCODE_EANX, 11, true},
};

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// The code's modules as a bitmap of one pixel a module, black where set.
Symbol encode_code(const CodeKind& kind, const std::string& value, const std::string& where) {
  const std::string refused = "the value \"" + value + "\" cannot be drawn as " + kind.name + ": ";
  if (value.empty()) throw print::Error(where, refused + "it is empty");
  if (kind.symbology == BARCODE_EANX &&
      (value.size() < 12 || value.size() > 13 ||
       !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })))
    throw print::Error(where, refused + "it takes 12 digits, or 13 with the check digit");
  Symbol symbol(ZBarcode_Create(), ZBarcode_Delete);
  if (!symbol) throw print::Error(where, "out of memory");
  symbol->symbology = kind.symbology;
  symbol->input_mode = UNICODE_MODE;
  symbol->show_hrt = 0;
  symbol->output_options = BARCODE_NO_QUIET_ZONES;
  symbol->scale = 0.5f;  // one pixel a module
  int result = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(value.data()),
                               int(value.size()));
  if (result < ZINT_ERROR) result = ZBarcode_Buffer(symbol.get(), 0);
  if (result >= ZINT_ERROR) throw print::Error(where, refused + symbol->errtxt);
  return symbol;
}

const CodeKind& code_kind(const std::string& kind, const std::string& where) {
  for (const CodeKind& k : kCodes) {
    if (kind == k.name) return k;
  }
  throw print::Error(where, "unknown code \"" + kind + "\"");
}

}  // namespace

void check_code(const std::string& kind, const std::string& value, const std::string& where) {
  encode_code(code_kind(kind, where), value, where);
}

void draw_code(Image& page, const std::string& kind, const std::string& value, int x, int y,
               int width, int height, const std::string& where) {
  const CodeKind* found = &code_kind(kind, where);
  Symbol symbol = encode_code(*found, value, where);

  // Whole pixels a module, the largest that fits with the quiet zone; a
  // linear code's bars run the rectangle's height.
  const int columns = symbol->bitmap_width, rows = found->linear ? 1 : symbol->bitmap_height;
  const int module_size = std::min(width / (columns + 2 * found->quiet),
                                   found->linear ? height : height / (rows + 2 * found->quiet));
  if (module_size < 1) {
    throw print::Error(where, kind + " \"" + value + "\" needs " +
                                  std::to_string(columns + 2 * found->quiet) +
                                  " dots across; its rectangle has " + std::to_string(width));
  }
  const int left = x + (width - columns * module_size) / 2;
  const int top = found->linear ? y : y + (height - rows * module_size) / 2;
  const int bar_height = found->linear ? height : module_size;
  auto paint = [&](int px, int py, int w, int h, std::uint8_t level) {
    for (int yy = std::max(py, 0); yy < std::min<long>(py + h, page.height); ++yy) {
      for (int xx = std::max(px, 0); xx < std::min<long>(px + w, page.width); ++xx) {
        std::uint8_t* p = page.pixel(std::uint32_t(xx), std::uint32_t(yy));
        p[0] = p[1] = p[2] = level;
        p[3] = 255;
      }
    }
  };
  paint(x, y, width, height, 255);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (symbol->bitmap[(std::size_t(r) * columns + c) * 3] != 0) continue;
      paint(left + c * module_size, top + r * module_size, module_size, bar_height, 0);
    }
  }
}

}  // namespace ymcko::cards
