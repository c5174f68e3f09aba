#include "engine/common/paths.h"

#include <vector>

#include "platform/cp932.h"

namespace engine {
namespace {

bool is_lead(char c) { return cp932::is_lead_byte(static_cast<unsigned char>(c)); }

// A network path: a run of two or more `\` followed by a server name.
bool names_a_server(std::string_view path) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return false;
  return path.find_first_not_of('\\') != std::string_view::npos;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The pieces of a path between separators (`\` and `/`), empty ones dropped.
std::vector<std::string_view> pieces_of(std::string_view path) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t at : cp932::path_separators(path, true)) {
    if (at > start) pieces.push_back(path.substr(start, at - start));
    start = at + 1;
  }
  if (start < path.size()) pieces.push_back(path.substr(start));
  return pieces;
}

bool same_piece(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    // Only single-byte ASCII letters fold; a trail byte is compared as it stands.
    if (is_lead(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

size_t drive_prefix_length(std::string_view path) {
#ifdef _WIN32
  return path.size() >= 2 && path[1] == ':' && !is_lead(path[0]) ? 2 : 0;
#else
  // A POSIX name holds any byte but '/' and NUL: "C:foo" is a name, never a drive.
  static_cast<void>(path);
  return 0;
#endif
}

std::string path_join(piece base, piece first, piece second) {
  std::string work;
  work.reserve((base ? base->size() : 0) + (first ? first->size() + 1 : 0) +
               (second ? second->size() + 1 : 0));
  if (base) work += *base;
  if (first) {
    work += '\\';
    work += *first;
  }
  if (second) {
    work += '\\';
    work += *second;
  }
  // Each run of separators becomes one, in place: every path of every entry of a run is
  // joined here, so no other string is made.
  size_t read = 0;
  size_t write = 0;
  bool after_separator = false;
  if (base && names_a_server(*base)) {
    // One `\` would name a folder on the current drive instead of the share.
    write = 2;
    read = work.find_first_not_of('\\');
    after_separator = true;
  }
  while (read < work.size()) {
    const char c = work[read];
    if (is_lead(c) && read + 1 < work.size()) {
      work[write++] = c;
      work[write++] = work[read + 1];
      read += 2;
      after_separator = false;
      continue;
    }
    ++read;
    if (c == '\\' && after_separator) continue;
    after_separator = c == '\\';
    work[write++] = c;
  }
  work.resize(write);
  return work;
}

std::string folder_search_pattern(std::string_view folder, piece sub_path) {
  const size_t drive = drive_prefix_length(folder);
  const std::string_view rest = folder.substr(drive);
  const std::vector<size_t> separators = cp932::path_separators(rest, true);
  const size_t split = separators.empty() ? 0 : separators.back() + 1;
  std::string folder_part(rest.substr(0, split));
  const std::string_view last = rest.substr(split);
  if (!last.empty() && last.front() != '*') folder_part += last;
  const auto ends_in_separator = [&] {
    return !folder_part.empty() && !cp932::path_separators(folder_part, true).empty() &&
           cp932::path_separators(folder_part, true).back() == folder_part.size() - 1;
  };
  if (sub_path) {
    if (!folder_part.empty() && !ends_in_separator()) folder_part += '\\';
    folder_part += *sub_path;
  }
  std::string out(folder.substr(0, drive));
  out += folder_part;
  if (!folder_part.empty() && !ends_in_separator()) out += '\\';
  out += "*.*";
  return out;
}

bool root_folder_check(std::string_view path) {
  // A share is the root of its server's tree, as a drive is of a disk.
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return pieces_of(path).size() > 2;
  return path.size() - drive_prefix_length(path) >= 2;
}

std::string parent_folder(std::string_view path) {
  const std::vector<size_t> separators = cp932::path_separators(path, true);
  if (separators.empty()) return std::string();
  return std::string(path.substr(0, separators.back()));
}

bool path_is_within(std::string_view inner, std::string_view outer) {
  const size_t inner_drive = drive_prefix_length(inner);
  const size_t outer_drive = drive_prefix_length(outer);
  if (!same_piece(inner.substr(0, inner_drive), outer.substr(0, outer_drive))) return false;
  const std::vector<std::string_view> in = pieces_of(inner.substr(inner_drive));
  const std::vector<std::string_view> out = pieces_of(outer.substr(outer_drive));
  if (in.size() < out.size()) return false;
  for (size_t i = 0; i < out.size(); ++i) {
    if (!same_piece(in[i], out[i])) return false;
  }
  return true;
}

}  // namespace engine
