// CP932 (Shift-JIS) text and its lossless link to the host's Unicode names.
//
// Inside Zolk every text is CP932 bytes. Host names are Unicode (UTF-8 bytes on POSIX, which
// may even be invalid UTF-8; UTF-16 on Windows, carried here as UTF-8). A character CP932 can
// express becomes its CP932 code. Anything else (é, an emoji, a byte that is not valid UTF-8,
// a `\` inside a POSIX name, a character of the user-defined area itself, and in names a
// control character) is carried byte by byte of its UTF-8 form as escape codes in the CP932
// user-defined area (lead 0xF0-0xF9), so to_unicode(from_unicode(x)) == x for every byte
// string x.
#ifndef ZOLK_PLATFORM_CP932_H
#define ZOLK_PLATFORM_CP932_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cp932 {

// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool is_lead_byte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The byte offsets of the separators of a CP932 path, in order: each `\` that is not the
// trail byte of a double-byte character (the second byte of 表 is 0x5C), and each `/` when
// `slash_too`. A lead byte at the very end stands alone.
std::vector<size_t> path_separators(std::string_view path, bool slash_too = true);

// Unicode text (UTF-8 bytes, not necessarily valid) -> CP932 with escapes. Control
// characters stay as they are, so a message keeps its CR LF.
std::string from_unicode(const std::string& utf8);

// A host's name or path -> CP932 as from_unicode, with every control byte (0x00-0x1F) carried
// as its escape too: a name never holds a byte that could end or start a line of a text file
// Zolk writes. to_unicode gives the exact bytes back.
std::string from_unicode_name(const std::string& utf8);

// A CP932 text with every control byte written as its escape (to_unicode gives it back). A
// control byte is never the trail byte of a double-byte character, so no character is cut.
std::string escape_control_bytes(const std::string& cp932);

// The CP932 text of `id` in a table of a program's texts: `utf8` holds one UTF-8 text per
// member of the enum `Id`, in its order, and Id::count_ comes last. The whole table is
// converted once, on first use; a table one text short or long does not compile.
template <typename Id, size_t N>
const std::string& table_text(const char* const (&utf8)[N], Id id) {
  static_assert(N == static_cast<size_t>(Id::count_), "one text per member of the enum");
  static const std::array<std::string, N> converted = [&utf8] {
    std::array<std::string, N> out;
    for (size_t i = 0; i < N; ++i) out[i] = from_unicode(utf8[i]);
    return out;
  }();
  return converted.at(static_cast<size_t>(id));
}

// CP932 with escapes -> UTF-8 bytes. Escapes give back their exact bytes; a byte sequence
// that is not CP932 is kept as it stands.
std::string to_unicode(const std::string& cp932);
// The same, appended to `out`.
void append_unicode(std::string& out, std::string_view cp932);

// Character tables of the system, one per platform (cp932_iconv.cpp, cp932_win32.cpp).
// Encodes one Unicode code point as its CP932 bytes; false when CP932 has no such character.
bool encode_code_point(uint32_t code_point, std::string& out);
// Decodes one CP932 character (one or two bytes); false when it is not a character.
bool decode_character(const unsigned char* bytes, int count, uint32_t& code_point);

}  // namespace cp932

#endif
