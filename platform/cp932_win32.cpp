// The CP932 character table of Windows itself (code page 932), used whatever the system code
// page is, so that a name converts the same on every Windows machine.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/cp932.h"

namespace cp932 {
namespace {

constexpr UINT k_code_page = 932;

// The bytes that stand alone in CP932 on every system. Windows also maps 0x80, 0xA0 and
// 0xFD-0xFF to characters of its own; other systems do not, and a store must read the same
// everywhere, so those bytes are left to the escapes.
bool is_single_character(unsigned char c) { return c < 0x80 || (c >= 0xA1 && c <= 0xDF); }

bool is_character_bytes(const unsigned char* bytes, int count) {
  if (count == 1) return is_single_character(bytes[0]);
  return count == 2 && is_lead_byte(bytes[0]);
}

}  // namespace

bool encode_code_point(uint32_t code_point, std::string& out) {
  if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return false;
  wchar_t wide[2];
  int wide_count = 1;
  if (code_point >= 0x10000) {
    wide[0] = static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
    wide[1] = static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    wide_count = 2;
  } else {
    wide[0] = static_cast<wchar_t>(code_point);
  }
  char buffer[8];
  BOOL used_default = FALSE;
  const int length = WideCharToMultiByte(k_code_page, WC_NO_BEST_FIT_CHARS, wide, wide_count,
                                         buffer, sizeof buffer, nullptr, &used_default);
  if (length <= 0 || length > 2 || used_default) return false;
  if (!is_character_bytes(reinterpret_cast<const unsigned char*>(buffer), length)) return false;
  out.assign(buffer, static_cast<size_t>(length));
  return true;
}

bool decode_character(const unsigned char* bytes, int count, uint32_t& code_point) {
  if (!is_character_bytes(bytes, count)) return false;
  wchar_t wide[4];
  const int length = MultiByteToWideChar(k_code_page, MB_ERR_INVALID_CHARS,
                                         reinterpret_cast<const char*>(bytes), count, wide, 4);
  if (length != 1) return false;
  code_point = static_cast<uint16_t>(wide[0]);
  return true;
}

}  // namespace cp932
