#include "platform/native_path.h"

#include "platform/cp932.h"
#include "platform/wide_text.h"

namespace host {

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> pieces;
  std::string piece;
  bool leading = true;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (cp932::is_lead_byte(c) && i + 1 < path.size()) {
      piece += path[i];
      piece += path[++i];
      leading = false;
      continue;
    }
    if (c == '\\' || c == '/') {
      if (leading) pieces.emplace_back();
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
      leading = false;
      continue;
    }
    piece += path[i];
    leading = false;
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

namespace {

bool has_drive_prefix(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         !cp932::is_lead_byte(static_cast<unsigned char>(path[0]));
}

#ifndef _WIN32
// An empty first piece stands for the root.
std::string join_native(const std::vector<std::string>& pieces) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i == 0 && pieces[i].empty()) {
      out = "/";
      continue;
    }
    if (!out.empty() && out.back() != '/') out += '/';
    out += cp932::to_unicode(pieces[i]);
  }
  return out;
}
#endif

}  // namespace

std::string folder_of_pattern(const std::string& pattern) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (cp932::is_lead_byte(static_cast<unsigned char>(pattern[i])) && i + 1 < pattern.size()) {
      ++i;
      continue;
    }
    if (pattern[i] == '\\' || pattern[i] == '/') last = i;
  }
  if (last == std::string::npos) return ".";
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
  for (size_t i = 0; i < out.size(); ++i) {
    if (cp932::is_lead_byte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (out[i] == '\\') out[i] = '/';
  }
  return out;
}

std::string native_path(const std::string& cp932_path) {
  std::string path = cp932_path;
  if (has_drive_prefix(path)) path.erase(0, 2);
  const std::vector<std::string> pieces = split_path(path);
  std::string out = join_native(pieces);
  return out;
}

std::string native_folder_of_pattern(const std::string& cp932_pattern) {
  std::string path = cp932_pattern;
  if (has_drive_prefix(path)) path.erase(0, 2);
  std::vector<std::string> pieces = split_path(path);
  if (!pieces.empty() && pieces.back().find('*') != std::string::npos) pieces.pop_back();
  std::string out = join_native(pieces);
  return out;
}

#endif

}  // namespace host
