#include "platform/wide_text.h"

#include <vector>

#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/utf8.h"

namespace host {
namespace {

bool is_high(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Pieces of an absolute path with "." dropped and ".." taking away the piece before it, but
// never one of the first `keep` pieces (the server and share of a UNC path).
std::vector<std::string> resolve_dots(const std::vector<std::string>& pieces, size_t keep) {
  std::vector<std::string> out;
  for (const std::string& piece : pieces) {
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      if (out.size() > keep) out.pop_back();
      continue;
    }
    out.push_back(piece);
  }
  return out;
}

std::u16string join_pieces(std::u16string out, const std::vector<std::string>& pieces) {
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (!out.empty() && out.back() != u'\\' && out.back() != u':') out += u'\\';
    out += utf16_from_wtf8(cp932::to_unicode(pieces[i]));
  }
  return out;
}

bool is_drive_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string wtf8_from_utf16(const std::u16string& utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char32_t u = utf16[i];
    if (is_high(u) && i + 1 < utf16.size() && is_low(utf16[i + 1])) {
      utf8::append(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
      continue;
    }
    utf8::append(out, u);
  }
  return out;
}

std::u16string utf16_from_wtf8(const std::string& wtf8) {
  std::u16string out;
  out.reserve(wtf8.size());
  size_t i = 0;
  while (i < wtf8.size()) {
    const auto c = static_cast<unsigned char>(wtf8[i]);
    uint32_t cp = c;
    const size_t length = c < 0x80 ? 1 : utf8::sequence(wtf8, i, cp, true);
    if (length == 0) {
      out += static_cast<char16_t>(0xDC00 + c);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += length;
  }
  return out;
}

std::u16string windows_path(const std::string& cp932_path) {
  std::string path = cp932_path;
  const bool verbatim = path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) &&
                        path[2] == '?' && is_separator(path[3]);
  if (verbatim) {
    path.erase(0, 4);
    if (path.size() >= 4 && path.compare(0, 3, "UNC") == 0 && is_separator(path[3])) {
      path = "\\\\" + path.substr(4);
    }
  }
  const bool unc = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
  const bool drive = path.size() >= 2 && path[1] == ':' && is_drive_letter(path[0]);
  const bool drive_absolute = drive && path.size() >= 3 && is_separator(path[2]);
  if (unc) return join_pieces(u"\\\\?\\UNC\\", resolve_dots(split_path(path), 2));
  if (drive_absolute) {
    std::u16string prefix = u"\\\\?\\";
    prefix += static_cast<char16_t>(path[0] & ~0x20);  // the upper-case letter
    prefix += u":\\";
    return join_pieces(prefix, resolve_dots(split_path(path.substr(2)), 0));
  }
  std::u16string out;
  if (drive) {
    out += static_cast<char16_t>(path[0]);
    out += u':';
    path.erase(0, 2);
  }
  std::vector<std::string> pieces = split_path(path);
  if (!pieces.empty() && pieces.front().empty()) {
    out += u'\\';
    pieces.erase(pieces.begin());
  }
  return join_pieces(out, pieces);
}

std::u16string without_verbatim_prefix(const std::u16string& windows) {
  if (windows.compare(0, 8, u"\\\\?\\UNC\\") == 0) return u"\\\\" + windows.substr(8);
  if (windows.compare(0, 4, u"\\\\?\\") == 0) return windows.substr(4);
  return windows;
}

std::string zolk_path(const std::u16string& windows) {
  const std::u16string path = without_verbatim_prefix(windows);
  // Each name is converted on its own: a `\` inside a converted name would be escaped.
  std::string out;
  std::u16string name;
  for (char16_t c : path) {
    if (c == u'\\' || c == u'/') {
      out += cp932::from_unicode(wtf8_from_utf16(name));
      out += '\\';
      name.clear();
      continue;
    }
    name += c;
  }
  out += cp932::from_unicode(wtf8_from_utf16(name));
  return out;
}

}  // namespace host
