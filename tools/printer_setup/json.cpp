// A small JSON reader for the tools' setup files.
#include "printer_setup/json.h"

#include <limits>

namespace ymcko::tools {
namespace {

class reader {
 public:
  explicit reader(std::string_view text) : text_(text) {}

  json_value document() {
    json_value value = any();
    skip_space();
    if (at_ < text_.size()) fail("the end of the document");
    return value;
  }

 private:
  [[noreturn]] void fail(const std::string& expected) const {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    throw json_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                     ": expected " + expected);
  }

  void skip_space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

  bool take(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  json_value any() {
    if (++depth_ > kMaxDepth) fail("less nesting");
    skip_space();
    json_value value;
    const char c = peek();
    if (c == '{') {
      value.data = object();
    } else if (c == '[') {
      value.data = array();
    } else if (c == '"') {
      value.data = string();
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      value.data = integer();
    } else if (take("true")) {
      value.data = true;
    } else if (take("false")) {
      value.data = false;
    } else if (take("null")) {
      value.data = nullptr;
    } else {
      fail("a value");
    }
    --depth_;
    return value;
  }

  json_object object() {
    json_object members;
    ++at_;  // '{'
    skip_space();
    if (take("}")) return members;
    for (;;) {
      skip_space();
      if (peek() != '"') fail("a member name in double quotes");
      std::u16string wide = string();
      std::string name;
      for (char16_t c : wide) name += c < 0x80 ? char(c) : '?';
      skip_space();
      if (!take(":")) fail("':' after the member name");
      members.push_back(json_member{std::move(name), any()});
      skip_space();
      if (take("}")) return members;
      if (!take(",")) fail("',' or '}'");
    }
  }

  json_array array() {
    json_array items;
    ++at_;  // '['
    skip_space();
    if (take("]")) return items;
    for (;;) {
      items.push_back(any());
      skip_space();
      if (take("]")) return items;
      if (!take(",")) fail("',' or ']'");
    }
  }

  std::int64_t integer() {
    const bool negative = take("-");
    if (!(peek() >= '0' && peek() <= '9')) fail("a digit");
    std::uint64_t magnitude = 0;
    constexpr std::uint64_t kLimit = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    while (peek() >= '0' && peek() <= '9') {
      const auto digit = std::uint64_t(peek() - '0');
      if (magnitude > (kLimit - digit) / 10) fail("an integer of at most 63 bits");
      magnitude = magnitude * 10 + digit;
      ++at_;
    }
    if (peek() == '.' || peek() == 'e' || peek() == 'E')
      fail("an integer (no fraction or exponent)");
    return negative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
  }

  unsigned hex4() {
    unsigned unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = peek();
      unsigned digit;
      if (c >= '0' && c <= '9') {
        digit = unsigned(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = unsigned(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = unsigned(c - 'A' + 10);
      } else {
        fail("four hex digits after \\u");
      }
      unit = unit * 16 + digit;
      ++at_;
    }
    return unit;
  }

  // One UTF-8 sequence as a code point.
  char32_t utf8() {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    const int length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || at_ + length > text_.size()) fail("UTF-8 text");
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) fail("UTF-8 text");
      point = point << 6 | (next & 0x3F);
    }
    at_ += length;
    if (point > 0x10FFFF) fail("UTF-8 text");
    return point;
  }

  std::u16string string() {
    std::u16string out;
    ++at_;  // '"'
    for (;;) {
      if (at_ >= text_.size()) fail("'\"' closing the string");
      const char c = text_[at_];
      if (c == '"') {
        ++at_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) fail("no control character inside a string");
      if (c != '\\') {
        const char32_t point = utf8();
        if (point >= 0x10000) {
          out += char16_t(0xD800 + ((point - 0x10000) >> 10));
          out += char16_t(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
          out += char16_t(point);
        }
        continue;
      }
      ++at_;
      const char escape = peek();
      ++at_;
      switch (escape) {
        case '"':
          out += u'"';
          break;
        case '\\':
          out += u'\\';
          break;
        case '/':
          out += u'/';
          break;
        case 'b':
          out += u'\b';
          break;
        case 'f':
          out += u'\f';
          break;
        case 'n':
          out += u'\n';
          break;
        case 'r':
          out += u'\r';
          break;
        case 't':
          out += u'\t';
          break;
        case 'u':
          out += char16_t(hex4());
          break;
        default:
          --at_;
          fail("a known escape after '\\'");
      }
    }
  }

  static constexpr int kMaxDepth = 64;
  std::string_view text_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

}  // namespace

json_value parse_json(std::string_view text) { return reader(text).document(); }

}  // namespace ymcko::tools
