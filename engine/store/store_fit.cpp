#include "engine/store/store_fit.h"

#include <cstring>
#include <vector>

#include "engine/common/paths.h"
#include "platform/cp932.h"

namespace engine {
namespace {

// The final name of a path and the folder before it.
void split_last(const std::string& path, std::string& folder, std::string& name) {
  const std::vector<size_t> separators = cp932::path_separators(path, true);
  const size_t at = separators.empty() ? std::string::npos : separators.back();
  folder = at == std::string::npos ? std::string() : path.substr(0, at);
  name = at == std::string::npos ? path : path.substr(at + 1);
}

// The characters FAT, exFAT and NTFS forbid in a name, a trailing dot or blank included.
// Looked for in the host's own form of the name, where a `\` or a control character that
// Zolk carries escaped is itself again.
bool forbidden_on_fat(const std::string& name) {
  const std::string native = cp932::to_unicode(name);
  if (native.empty() || native.back() == '.' || native.back() == ' ') return true;
  for (const char c : native) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("?*:\"<>|\\", c) != nullptr) {
      return true;
    }
  }
  return false;
}

// For a name of ASCII letters and digits only, such as a history folder's.
char swapped_case(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

}  // namespace

bool listed_exactly(host::host& h, const place& target) {
  std::string folder;
  std::string name;
  split_last(target.path(), folder, name);
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(folder), entries)) return false;
  for (const host::found_entry& e : entries) {
    if (e.name == name) return true;
  }
  return false;
}

store_fit why_store_refused(host::host& h, const place& target, uint64_t size, bool folds_case) {
  std::string folder;
  std::string name;
  split_last(target.path(), folder, name);
  // A forbidden name is the cause whatever a lookup of it answers: Windows cannot tell
  // whether "q?b" is there, and exists() then answers that it is.
  if (folds_case && forbidden_on_fat(name)) return store_fit::name;
  if (h.exists(target.path()) && !listed_exactly(h, target)) return store_fit::twin;
  if (folds_case && size > UINT32_MAX) return store_fit::size;
  return store_fit::fits;
}

bool store_folds_case(host::host& h, const std::string& folder) {
  std::string parent;
  std::string name;
  split_last(folder, parent, name);
  std::string other = name;
  for (char& c : other) c = swapped_case(c);
  if (other == name) return false;
  return h.exists(path_join(parent, other));
}

}  // namespace engine
