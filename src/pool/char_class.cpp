// Hex digit values and the keyword hash.
#include "pool/char_class.h"

BYTE HexValue(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= '0' && byte <= '9') return static_cast<BYTE>(byte - '0');
  if (byte >= 'a' && byte <= 'f') return static_cast<BYTE>(byte - 'a' + 10);
  return static_cast<BYTE>(byte - 55);
}

DWORD HashKeyword(const char* name) {
  DWORD hash = 0;
  if (name == nullptr) return hash;
  for (; *name != 0; ++name) hash = (hash << 1) ^ static_cast<unsigned char>(*name);
  return hash;
}
