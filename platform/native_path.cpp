#include "platform/native_path.h"

#include "platform/cp932.h"
#include "platform/wide_text.h"

namespace host {

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> pieces;
  std::vector<size_t> ends = cp932::path_separators(path);
  if (!ends.empty() && ends.front() == 0) pieces.emplace_back();
  ends.push_back(path.size());
  size_t start = 0;
  for (const size_t end : ends) {
    if (end > start) pieces.push_back(path.substr(start, end - start));
    start = end + 1;
  }
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
