#include "cli/typed_names.h"

#include <cstdio>

#include "platform/cp932.h"

namespace cli {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes the escapes of `typed` stand for; false at a `\` that starts none.
bool unescaped(const std::string& typed, std::string& out) {
  for (size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] != '\\') {
      out += typed[i];
      continue;
    }
    if (++i == typed.size()) return false;
    switch (typed[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        const int high = i + 1 < typed.size() ? hex_value(typed[i + 1]) : -1;
        const int low = i + 2 < typed.size() ? hex_value(typed[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

std::string written_out(const std::string& text, bool backslash_in_names) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' && backslash_in_names) {
      out += "\\\\";
    } else if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out;
}

std::optional<std::string> typed_entry_path(const std::string& argument, bool backslash_in_names) {
  std::string bytes;
  if (!backslash_in_names) {
    bytes = argument;
  } else if (!unescaped(argument, bytes)) {
    return std::nullopt;
  }
  // Each name is converted alone, as the host converts the names it reports, so that a
  // separator never becomes part of one.
  std::string path;
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    const bool end = i == bytes.size();
    if (!end && bytes[i] != '/' && (backslash_in_names || bytes[i] != '\\')) continue;
    path += cp932::from_unicode_name(bytes.substr(start, i - start));
    if (!end) path += '\\';
    start = i + 1;
  }
  return path;
}

std::string typed_entry_path_rule() {
  return "in PATH a \\ starts an escape, as log writes names: \\\\ (a backslash in a name), "
         "\\n, \\r, \\t or \\xHH (one byte in hex); / separates";
}

std::string typed_entry_path_help() {
  return "Names are written as log writes them: on Linux \\n, \\r, \\t and \\xHH stand for "
         "control characters and \\\\ for a backslash in a name (a control character typed as "
         "itself is taken too); on Windows \\ separates as / does";
}

}  // namespace cli
