#include "engine/history/prune_merge.h"

#include <cstring>
#include <unordered_map>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"
#include "engine/restore/restore_rollback.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"
#include "platform/cp932.h"

namespace engine {
namespace {

struct line_kinds {
  bool deleted = false;  // "D   "
  bool changed = false;  // "D-C "
  bool file = false;     // "C   "
  bool folder = false;   // "S   "
  bool any() const { return deleted || changed || file || folder; }
};

// The kinds of lines each key of a log has, and the keys in the order they first appear.
struct log_kinds {
  std::unordered_map<std::string, line_kinds> by_key;

  void add(const change_log& log, std::vector<std::string>& order) {
    for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
      line_kinds kind;
      if (std::memcmp(line->code, k_code_deleted, 4) == 0) kind.deleted = true;
      if (std::memcmp(line->code, k_code_changed, 4) == 0) kind.changed = true;
      if (std::memcmp(line->code, k_code_new_file, 4) == 0) kind.file = true;
      if (std::memcmp(line->code, k_code_new_folder, 4) == 0) kind.folder = true;
      std::string key = change_log_key(line->text);
      if (!kind.any() || key.empty()) continue;
      const auto [at, inserted] = by_key.emplace(key, kind);
      if (!inserted) {
        at->second.deleted |= kind.deleted;
        at->second.changed |= kind.changed;
        at->second.file |= kind.file;
        at->second.folder |= kind.folder;
      }
      order.push_back(std::move(key));
    }
  }
  const line_kinds* find(const std::string& key) const {
    const auto at = by_key.find(key);
    return at == by_key.end() ? nullptr : &at->second;
  }
};

// What one point holds at a path, as far as the lines tell.
struct state {
  bool exists = false;
  bool known_file = false;  // a file for certain (a "D   " line alone does not tell)
  bool folder = false;      // a folder for certain
};

// The older point at `key`: what the thinned run took out of it, when its log names the key;
// otherwise the thinned run left the key alone, and it was as the newer run found it.
state older_state(const line_kinds* thinned, const line_kinds* newer) {
  const line_kinds& k = thinned != nullptr ? *thinned : *newer;
  return state{k.deleted || k.changed, k.changed && !k.deleted, false};
}

// The newer point at `key`: what the newer run made there, when its log names the key;
// otherwise it is as the thinned run left it.
state newer_state(const line_kinds* thinned, const line_kinds* newer) {
  const line_kinds& k = newer != nullptr ? *newer : *thinned;
  const bool exists = k.file || k.folder || k.changed;
  return state{exists, exists && !k.folder, k.folder};
}

}  // namespace

std::vector<std::string> folders_above(const std::string& key) {
  std::vector<std::string> out;
  for (const size_t i : cp932::path_separators(key, false)) {
    if (i > 0) out.push_back(key.substr(0, i));
  }
  return out;
}

std::string log_path_of_key(const std::string& key) {
  return folders_above(key).empty() ? "\\" + key : key;
}

named_paths paths_named_by(const change_log& log) {
  named_paths out;
  std::vector<std::string> order;
  log_kinds kinds;
  kinds.add(log, order);
  for (const auto& entry : kinds.by_key) {
    out.named.insert(entry.first);
    for (std::string& folder : folders_above(entry.first)) out.above.insert(std::move(folder));
  }
  return out;
}

std::vector<log_line> merge_change_logs(const change_log& thinned, const change_log& newer) {
  std::vector<std::string> order;
  log_kinds first, second;
  first.add(thinned, order);
  second.add(newer, order);
  std::vector<log_line> deleted, others;
  std::unordered_map<std::string, bool> done;
  for (const std::string& key : order) {
    if (!done.emplace(key, true).second) continue;
    bool covered = false;
    for (const std::string& folder : folders_above(key)) {
      covered = covered || first.find(folder) != nullptr || second.find(folder) != nullptr;
    }
    if (covered) continue;
    const line_kinds* a = first.find(key);
    const line_kinds* b = second.find(key);
    const state before = older_state(a, b);
    const state after = newer_state(a, b);
    const std::string path = log_path_of_key(key);
    if (before.exists && after.exists && before.known_file && after.known_file) {
      others.push_back({k_code_changed, path});
      continue;
    }
    if (before.exists) deleted.push_back({k_code_deleted, path});
    if (after.exists) others.push_back({after.folder ? k_code_new_folder : k_code_new_file, path});
  }
  deleted.insert(deleted.end(), others.begin(), others.end());
  return deleted;
}

bool merge_history_folders(host::host& h, const std::string& store, const std::string& older,
                           const std::string& thinned, const named_paths& thinned_log,
                           std::string& failure) {
  const std::string thinned_path = path_join(store, thinned);
  // An explicit stack of folders still to merge: a deep tree must not exhaust the call stack.
  std::vector<std::string> pending{std::string()};
  while (!pending.empty()) {
    const std::string folder = pending.back();
    pending.pop_back();
    std::vector<host::found_entry> entries;
    if (!h.search(
            folder_search_pattern(thinned_path, folder.empty() ? std::nullopt : piece(folder)),
            entries)) {
      failure = path_join(thinned_path, folder.empty() ? std::nullopt : piece(folder));
      return false;
    }
    for (const host::found_entry& entry : entries) {
      if (entry.name == "." || entry.name == ".." || is_copy_temp_name(entry.name) ||
          entry.is_special) {
        continue;  // never part of a point; goes with the thinned folder
      }
      const std::string key = folder.empty() ? entry.name : folder + "\\" + entry.name;
      // Named by the thinned run: the older point had the older folder's version, or nothing.
      if (thinned_log.named.count(key) != 0) continue;
      const std::string to = path_join(older, key);
      const bool real_folder = (entry.attributes & host::k_directory) != 0 && !entry.is_link;
      if (real_folder && thinned_log.above.count(key) != 0) {
        if (!h.is_folder_beneath(store, to) && !h.create_folder_beneath(store, to)) {
          failure = path_join(store, to);
          return false;
        }
        pending.push_back(key);
        continue;
      }
      if (h.rename_beneath(store, path_join(thinned, key), to, false)) continue;
      // Held by the older folder already: its version is the older point's.
      if (!h.exists(path_join(store, to))) {
        failure = path_join(thinned_path, key);
        return false;
      }
    }
  }
  return true;
}

}  // namespace engine
