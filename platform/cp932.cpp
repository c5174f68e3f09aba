#include "platform/cp932.h"

#include <atomic>

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

// The system's tables answer one character per call and cost a microsecond or more; every
// name of every run and every run-log line goes through them. So each answer is remembered,
// for the 65,536 codes of either direction (a double-byte CP932 code, or a single byte, which
// never collides with one since a lead byte is 0x81 or more; a code point of the Basic
// Multilingual Plane). A slot holds 0 while unknown, 1 for "no such character", otherwise the
// answer + 2. Threads may race to fill a slot; they write the same value.
class answer_cache {
 public:
  // Calls `ask(value)` once per slot; `ask` returns false when there is no answer.
  template <class Ask>
  bool find(size_t slot, uint32_t& value, Ask ask) {
    const uint32_t known = slots_[slot].load(std::memory_order_relaxed);
    if (known >= 2) value = known - 2;
    if (known != 0) return known >= 2;
    const bool found = ask(value);
    slots_[slot].store(found ? value + 2 : 1, std::memory_order_relaxed);
    return found;
  }

 private:
  std::atomic<uint32_t> slots_[0x10000];
};

answer_cache decoded_characters;
answer_cache encoded_code_points;

// decode_character, remembered.
bool decode_known(const unsigned char* bytes, int count, uint32_t& cp) {
  const size_t slot = count == 1 ? bytes[0] : static_cast<size_t>(bytes[0]) << 8 | bytes[1];
  return decoded_characters.find(
      slot, cp, [&](uint32_t& value) { return decode_character(bytes, count, value); });
}

// A character is taken as CP932 only when the table maps it both ways to itself, so that a
// many-to-one mapping can never change a name, and never into the escape area.
bool encodes_exactly(uint32_t cp, std::string& bytes) {
  if (!encode_code_point(cp, bytes) || bytes.empty()) return false;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead >= k_escape_lead_first && lead <= k_escape_lead_last) return false;
  uint32_t back = 0;
  return decode_character(reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size()), back) &&
         back == cp;
}

// Appends the CP932 bytes of `cp` (encodes_exactly, remembered for the BMP); false when none.
bool encode_exactly(uint32_t cp, std::string& out) {
  if (cp > 0xFFFF) {
    std::string bytes;
    if (!encodes_exactly(cp, bytes)) return false;
    out += bytes;
    return true;
  }
  // One or two bytes, kept as lead << 8 | trail, or the single byte + 0x10000.
  uint32_t code = 0;
  const bool found = encoded_code_points.find(cp, code, [cp](uint32_t& value) {
    std::string bytes;
    if (!encodes_exactly(cp, bytes)) return false;
    const auto first = static_cast<unsigned char>(bytes[0]);
    value = bytes.size() == 1
                ? 0x10000u + first
                : static_cast<uint32_t>(first) << 8 | static_cast<unsigned char>(bytes[1]);
    return true;
  });
  if (!found) return false;
  if (code >= 0x10000) {
    out += static_cast<char>(code - 0x10000);
  } else {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  }
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
  append_unicode(out, text);
  return out;
}

void append_unicode(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + text.size() / 2);
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
      if (decode_known(reinterpret_cast<const unsigned char*>(text.data() + i), 2, cp)) {
        utf8::append(out, cp);
        i += 2;
        continue;
      }
    } else {
      uint32_t cp = 0;
      if (decode_known(&c, 1, cp)) {  // half-width katakana
        utf8::append(out, cp);
        ++i;
        continue;
      }
    }
    out += static_cast<char>(c);
    ++i;
  }
}

}  // namespace cp932
