#include "engine/history/point_walk.h"

#include <memory>

#include "engine/common/paths.h"
#include "engine/restore/restore_rollback.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "platform/native_path.h"

namespace engine {
namespace {

std::string folded(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

}  // namespace

const folder_node* find_point(const folder_tree& history, const point_choice& point) {
  if (point.is_newest()) return history.first();
  for (const folder_node* node = history.first(); node != nullptr; node = node->next) {
    if (history_folder_number(node->name) == point.number()) return node;
  }
  return nullptr;
}

change_log_finder::change_log_finder(host::host& h, const std::string& store)
    : h_(h), store_(store) {
  std::vector<host::found_entry> entries;
  h.search(folder_search_pattern(store), entries);
  for (const host::found_entry& entry : entries) {
    if ((entry.attributes & host::k_directory) != 0 || !is_change_log_name(entry.name)) continue;
    stems_[folded(entry.name.substr(0, 8))].push_back(entry.name);
  }
}

const std::string* change_log_finder::stem_of(const std::string& folder_name) const {
  const auto found = stems_.find(folded(folder_name));
  if (found == stems_.end()) return nullptr;
  // The exact spelling wins over another letter case.
  for (const std::string& candidate : found->second) {
    if (candidate == folder_name + k_change_log_extension) return &candidate;
  }
  return &found->second.front();
}

std::string change_log_finder::name_of(const std::string& folder_name) const {
  const std::string* name = stem_of(folder_name);
  return name != nullptr ? *name : folder_name + k_change_log_extension;
}

std::string change_log_finder::path_of(const std::string& folder_name) const {
  return path_join(store_, name_of(folder_name));
}

change_log change_log_finder::read(const std::string& folder_name, change_log_state& state) const {
  const std::string* name = stem_of(folder_name);
  if (name == nullptr) {
    state = change_log_state::missing;
    return change_log();
  }
  return read_change_log_file(h_, path_join(store_, *name), &state);
}

change_log_index change_log_finder::read_index(const std::string& folder_name,
                                               change_log_state& state,
                                               const index_spill* spill) const {
  const std::string* name = stem_of(folder_name);
  if (name == nullptr) {
    state = change_log_state::missing;
    return change_log_index();
  }
  return change_log_index::read_file(h_, path_join(store_, *name), state, spill);
}

void walk_points(host::host& h, const std::string& store, const folder_tree& history,
                 const folder_node* last, restore_list& list, std::vector<std::string>& unread_logs,
                 const point_reached& reached) {
  const folder_node* newest = history.first();
  if (newest == nullptr) return;
  gather_folder_items(h, list, std::make_shared<const std::string>(path_join(store, newest->name)),
                      nullptr);
  if (reached) reached(*newest, list);
  const change_log_finder logs(h, store);
  // A cut run has no log until it starts to compare: then its older folder counts whole.
  const folder_node* unfinished = unfinished_folder(h, store, history);
  const folder_node* newer = newest;
  while (newer != last && newer->next != nullptr) {
    const folder_node* older = newer->next;
    change_log_state state = change_log_state::read;
    const change_log_index index = logs.read_index(newer->name, state);
    const bool expected_missing = newer == unfinished && state == change_log_state::missing;
    if (state != change_log_state::read && !expected_missing) {
      unread_logs.push_back(logs.path_of(newer->name));
    }
    roll_back_folder(h, list, std::make_shared<const std::string>(path_join(store, older->name)),
                     index);
    if (reached) reached(*older, list);
    newer = older;
  }
}

std::optional<std::string> entry_key(std::string_view path) {
  std::string key;
  for (const std::string& part : host::split_path(std::string(path))) {
    if (part.empty()) continue;
    if (part == "." || part == "..") return std::nullopt;
    if (!key.empty()) key += '\\';
    key += part;
  }
  if (key.empty()) return std::nullopt;
  return key;
}

}  // namespace engine
