// UTF-8 (and WTF-8, which also carries lone surrogates) sequences, byte by byte.
#ifndef ZOLK_PLATFORM_UTF8_H
#define ZOLK_PLATFORM_UTF8_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace utf8 {

// Length of the sequence at s[i] and its code point; 0 when the bytes start none (overlong
// forms and values past 0x10FFFF never count; surrogates count only when allowed).
size_t sequence(const std::string& s, size_t i, uint32_t& code_point, bool allow_surrogates);

// Appends the code point's bytes (a surrogate too, as WTF-8 writes it).
void append(std::string& out, uint32_t code_point);

}  // namespace utf8

#endif
