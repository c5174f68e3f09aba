#include "platform/native_path.h"

#include <cstdint>

#include "platform/cp932.h"
#include "platform/wide_text.h"

namespace host {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Calls `piece` with each name between the separators of a CP932 path, in order, skipping
// empty ones. One pass and no copies: every host call turns one or two paths into pieces.
template <class Piece>
void each_piece(std::string_view path, Piece piece) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (cp932::is_lead_byte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (is_separator(path[i])) {
      if (i > start) piece(path.substr(start, i - start));
      start = i + 1;
    }
  }
  if (path.size() > start) piece(path.substr(start));
}

// A separator in the first place is never the trail byte of a character.
bool starts_at_root(std::string_view path) { return !path.empty() && is_separator(path[0]); }

}  // namespace

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> pieces;
  if (starts_at_root(path)) pieces.emplace_back();
  each_piece(path, [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
  return pieces;
}

namespace {

// Only Windows has drives: on POSIX ':' is a name byte like any other ("C:foo", "a:b.txt").
bool has_drive_prefix(const std::string& path) {
#ifdef _WIN32
  return path.size() >= 2 && path[1] == ':' &&
         !cp932::is_lead_byte(static_cast<unsigned char>(path[0]));
#else
  static_cast<void>(path);
  return false;
#endif
}

#ifndef _WIN32
// The first `count` pieces joined with '/', each in its Unicode form; '/' first for the root.
std::string join_native(std::string_view path, size_t count) {
  std::string out;
  out.reserve(path.size() + 8);
  if (starts_at_root(path)) out = "/";
  size_t index = 0;
  each_piece(path, [&](std::string_view piece) {
    if (index++ >= count) return;
    if (!out.empty() && out.back() != '/') out += '/';
    cp932::append_unicode(out, piece);
  });
  return out;
}

#endif

}  // namespace

std::string folder_of_pattern(const std::string& pattern) {
  const std::vector<size_t> separators = cp932::path_separators(pattern);
  if (separators.empty()) return ".";
  const size_t last = separators.back();
  if (last == 0 || (last == 2 && has_drive_prefix(pattern))) return pattern.substr(0, last + 1);
  return pattern.substr(0, last);
}

#ifdef _WIN32

std::string shown_text(const std::string& cp932_text) { return cp932_text; }

std::string native_path(const std::string& cp932_path) {
  return wtf8_from_utf16(without_verbatim_prefix(windows_path(cp932_path)));
}

std::string native_folder_of_pattern(const std::string& cp932_pattern) {
  return native_path(folder_of_pattern(cp932_pattern));
}

#else

std::string shown_text(const std::string& cp932_text) {
  std::string out = cp932_text;
  for (const size_t i : cp932::path_separators(out, false)) out[i] = '/';
  return out;
}

std::string native_path(const std::string& cp932_path) { return join_native(cp932_path, SIZE_MAX); }

std::string native_folder_of_pattern(const std::string& cp932_pattern) {
  const std::string_view path = cp932_pattern;
  size_t count = 0;
  std::string_view last;
  each_piece(path, [&](std::string_view piece) {
    ++count;
    last = piece;
  });
  if (last.find('*') != std::string_view::npos) --count;
  return join_native(path, count);
}

#endif

}  // namespace host
