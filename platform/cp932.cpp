#include "platform/cp932.h"

#include "platform/utf8.h"

namespace cp932 {
namespace {

// Escapes live in the user-defined area: leads 0xF0-0xF9, 188 trail bytes each.
constexpr unsigned char k_escape_lead_first = 0xF0;
constexpr unsigned char k_escape_lead_last = 0xF9;
constexpr int k_trails_per_lead = 188;

void append_escape(std::string& out, unsigned char byte) {
  const int lead = k_escape_lead_first + byte / k_trails_per_lead;
  const int index = byte % k_trails_per_lead;
  const int trail = index < 63 ? 0x40 + index : 0x80 + (index - 63);
  out += static_cast<char>(lead);
  out += static_cast<char>(trail);
}

// Reverses append_escape; false when the pair is no escape.
bool read_escape(unsigned char lead, unsigned char trail, unsigned char& byte) {
  if (lead < k_escape_lead_first || lead > k_escape_lead_last) return false;
  int index;
  if (trail >= 0x40 && trail <= 0x7E) {
    index = trail - 0x40;
  } else if (trail >= 0x80 && trail <= 0xFC) {
    index = trail - 0x80 + 63;
  } else {
    return false;
  }
  const int value = (lead - k_escape_lead_first) * k_trails_per_lead + index;
  if (value > 0xFF) return false;
  byte = static_cast<unsigned char>(value);
  return true;
}

// A character is taken as CP932 only when the table maps it both ways to itself, so that a
// many-to-one mapping can never change a name, and never into the escape area.
bool encode_exactly(uint32_t cp, std::string& out) {
  std::string bytes;
  if (!encode_code_point(cp, bytes) || bytes.empty()) return false;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead >= k_escape_lead_first && lead <= k_escape_lead_last) return false;
  uint32_t back = 0;
  if (!decode_character(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<int>(bytes.size()), back) ||
      back != cp) {
    return false;
  }
  out += bytes;
  return true;
}

bool is_control(unsigned char c) { return c < 0x20; }

std::string convert_from_unicode(const std::string& utf8, bool escape_controls) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    // `\` is a separator inside Zolk, so a host name holding one must carry it escaped.
    if (c < 0x80 && c != 0x5C && !(escape_controls && is_control(c))) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    uint32_t cp = 0;
    const size_t length = c < 0x80 ? 0 : utf8::sequence(utf8, i, cp, false);
    if (length > 0 && encode_exactly(cp, out)) {
      i += length;
      continue;
    }
    const size_t count = length > 0 ? length : 1;
    for (size_t k = 0; k < count; ++k) append_escape(out, static_cast<unsigned char>(utf8[i + k]));
    i += count;
  }
  return out;
}

}  // namespace

std::string from_unicode(const std::string& utf8) { return convert_from_unicode(utf8, false); }

std::string from_unicode_name(const std::string& utf8) { return convert_from_unicode(utf8, true); }

std::vector<size_t> path_separators(std::string_view path, bool slash_too) {
  std::vector<size_t> offsets;
  for (size_t i = 0; i < path.size(); ++i) {
    if (is_lead_byte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || (slash_too && path[i] == '/')) {
      offsets.push_back(i);
    }
  }
  return offsets;
}

std::string escape_control_bytes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (is_control(static_cast<unsigned char>(c))) {
      append_escape(out, static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
  return out;
}

std::string to_unicode(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (is_lead_byte(c) && i + 1 < text.size()) {
      const auto trail = static_cast<unsigned char>(text[i + 1]);
      unsigned char byte = 0;
      uint32_t cp = 0;
      if (read_escape(c, trail, byte)) {
        out += static_cast<char>(byte);
        i += 2;
        continue;
      }
      if (decode_character(reinterpret_cast<const unsigned char*>(text.data() + i), 2, cp)) {
        utf8::append(out, cp);
        i += 2;
        continue;
      }
    } else {
      uint32_t cp = 0;
      if (decode_character(&c, 1, cp)) {  // half-width katakana
        utf8::append(out, cp);
        ++i;
        continue;
      }
    }
    out += static_cast<char>(c);
    ++i;
  }
  return out;
}

}  // namespace cp932
