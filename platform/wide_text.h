// Windows names and paths as Zolk sees them. Portable code, so that it is tested everywhere;
// only host_win32.cpp uses it for real.
//
// Windows names are UTF-16 and may hold lone surrogates. They travel as WTF-8 (UTF-8 that also
// encodes a lone surrogate as its three-byte form), which cp932::from_unicode escapes byte for
// byte, so every Windows name round-trips through CP932 exactly.
#ifndef ZOLK_PLATFORM_WIDE_TEXT_H
#define ZOLK_PLATFORM_WIDE_TEXT_H

#include <string>

namespace host {

// UTF-16 -> WTF-8. Pairs become one four-byte sequence; a lone surrogate its three bytes.
std::string wtf8_from_utf16(const std::u16string& utf16);

// WTF-8 -> UTF-16, the exact inverse of wtf8_from_utf16 for its results. A byte that starts no
// sequence (a name from another system that was not UTF-8) becomes the lone surrogate
// U+DC00 + byte, so distinct names stay distinct.
std::u16string utf16_from_wtf8(const std::string& wtf8);

// The Windows form of a CP932 path: every separator (`\` outside a double-byte character, or
// `/`) becomes `\`, a drive prefix stays. An absolute path ("c:\x", "\\server\share\x") gets the
// "\\?\" prefix, with "." and ".." pieces resolved, so that it is neither cut at 260 characters
// nor has trailing dots or blanks of its names trimmed. A path that already has "\\?\" keeps it.
std::u16string windows_path(const std::string& cp932_path);

// The same path without any "\\?\" prefix ("\\?\UNC\s\x" becomes "\\s\x").
std::u16string without_verbatim_prefix(const std::u16string& windows);

// A Windows path as Zolk shows it: CP932, without any "\\?\" prefix.
std::string zolk_path(const std::u16string& windows);

}  // namespace host

#endif
