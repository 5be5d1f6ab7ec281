// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ymcko::print {

// The text's code points; nullopt when it is not UTF-8.
std::optional<std::u32string> decode_utf8(std::string_view text);

// The length in bytes of the text's longest UTF-8 prefix: the whole text's
// when it is UTF-8, else the offset of its first fault.
std::size_t utf8_prefix(std::string_view text);

}  // namespace ymcko::print
