// Strict UTF-8.
#include "print/utf8.h"

namespace ymcko::print {
namespace {

// Decodes the longest strict UTF-8 prefix of `text` into `out` (when given)
// and returns its length in bytes.
std::size_t decode_prefix(std::string_view text, std::u32string* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t extra;
    char32_t code;
    if (byte < 0x80) {
      extra = 0, code = byte;
    } else if ((byte & 0xE0) == 0xC0) {
      extra = 1, code = byte & 0x1F;
    } else if ((byte & 0xF0) == 0xE0) {
      extra = 2, code = byte & 0x0F;
    } else if ((byte & 0xF8) == 0xF0) {
      extra = 3, code = byte & 0x07;
    } else {
      return i;
    }
    if (extra > text.size() - i - 1) return i;
    for (std::size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      code = code << 6 | (next & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    if (out != nullptr) out->push_back(code);
    i += extra + 1;
  }
  return i;
}

}  // namespace

std::optional<std::u32string> decode_utf8(std::string_view text) {
  std::u32string out;
  if (decode_prefix(text, &out) != text.size()) return std::nullopt;
  return out;
}

std::size_t utf8_prefix(std::string_view text) { return decode_prefix(text, nullptr); }

}  // namespace ymcko::print
