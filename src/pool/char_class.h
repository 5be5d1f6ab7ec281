// How the description builder looks at bytes: the character class table, hex
// digit values and the keyword hash. Every byte is taken as unsigned.
#pragma once

#include <array>

#include "engine/engine.h"

// Class bits of the table that the builder tests; the other bits of a class
// byte belong to a text reader this system does not have.
inline constexpr BYTE CHAR_BLANK = 0x10;       // space, tab
inline constexpr BYTE CHAR_HEX_LETTER = 0x40;  // A-F, a-f
inline constexpr BYTE CHAR_DIGIT = 0x80;       // 0-9
inline constexpr BYTE CHAR_HEX_DIGIT = CHAR_DIGIT | CHAR_HEX_LETTER;

namespace ymcko::detail {

// The class byte of every code, built from the class ranges.
constexpr std::array<BYTE, 256> make_char_table() {
  std::array<BYTE, 256> table{};
  for (int c = '!'; c <= '~'; ++c) table[c] = 0x0F;
  for (int c = '0'; c <= '9'; ++c) table[c] = 0x8F;
  for (int c = 'A'; c <= 'F'; ++c) table[c] = 0x4F;
  for (int c = 'a'; c <= 'f'; ++c) table[c] = 0x4F;
  table[':'] = 0x01;
  table['/'] = 0x0B;
  table[' '] = 0x19;
  table['\t'] = 0x19;
  table['\r'] = 0x21;
  table['\n'] = 0x21;
  return table;
}

}  // namespace ymcko::detail

// One class byte per character code, indexed by the unsigned byte.
inline constexpr std::array<BYTE, 256> _charTable = ymcko::detail::make_char_table();

namespace ymcko {

// The class byte of c; a byte above 0x7F indexes the table's upper half, never before it.
constexpr BYTE char_class(char c) { return _charTable[static_cast<unsigned char>(c)]; }

constexpr bool is_blank(char c) { return (char_class(c) & CHAR_BLANK) != 0; }
constexpr bool is_digit(char c) { return (char_class(c) & CHAR_DIGIT) != 0; }
constexpr bool is_hex_digit(char c) { return (char_class(c) & CHAR_HEX_DIGIT) != 0; }

}  // namespace ymcko

// The value 0-15 of a hex digit; callers pass hex digits only. Any other byte
// gives its unsigned value less 55, as the letters A-F do.
BYTE HexValue(char c);

// Shift-and-xor hash of a name's unsigned bytes in 32 bits (bits shifted out
// are lost); the empty name and a null name hash to 0.
DWORD HashKeyword(const char* name);
