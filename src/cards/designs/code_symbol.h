// Barcodes and 2-D codes on a card side: libzint's symbols drawn in whole
// pixels a module, pure black on white, so that they print on the black panel.
#pragma once

#include <string>

#include "cards/images/image.h"

namespace ymcko::cards {

// Refuses, naming `where`, a value the `kind` code cannot encode.
void check_code(const std::string& kind, const std::string& value, const std::string& where);

// Draws `value` as a `kind` code centred in the page rectangle (x, y, width,
// height, in pixels), on white with its quiet zone, in modules of whole
// pixels of pure black. Throws print::Error(`where`, ...) when the value cannot
// be encoded or the code does not fit.
void draw_code(Image& page, const std::string& kind, const std::string& value, int x, int y,
               int width, int height, const std::string& where);

}  // namespace ymcko::cards
