#include "platform/utf8.h"

namespace utf8 {

size_t sequence(const std::string& s, size_t i, uint32_t& code_point, bool allow_surrogates) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = at(i);
  size_t length;
  uint32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, min = 0x80, code_point = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, min = 0x800, code_point = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, min = 0x10000, code_point = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    code_point = (code_point << 6) | (at(i + k) & 0x3F);
  }
  if (code_point < min || code_point > 0x10FFFF) return 0;
  if (!allow_surrogates && code_point >= 0xD800 && code_point <= 0xDFFF) return 0;
  return length;
}

void append(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace utf8
