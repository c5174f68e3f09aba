#include "engine/history/point_changes.h"

#include <cstring>
#include <unordered_map>

#include "engine/common/paths.h"
#include "engine/history/point_walk.h"
#include "engine/restore/restore_rollback.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

bool code_is(const change_log_line& line, const char* code) {
  return std::memcmp(line.code, code, 4) == 0;
}

bool kind_of(const change_log_line& line, change_kind& kind) {
  if (code_is(line, k_code_new_folder)) {
    kind = change_kind::new_folder;
  } else if (code_is(line, k_code_new_file)) {
    kind = change_kind::new_file;
  } else if (code_is(line, k_code_changed)) {
    kind = change_kind::changed;
  } else if (code_is(line, k_code_deleted)) {
    kind = change_kind::deleted;
  } else {
    return false;
  }
  return true;
}

bool is_new(change_kind kind) {
  return kind == change_kind::new_folder || kind == change_kind::new_file;
}

enum class held { nothing, file, folder };

// What the history folder `older` holds at a change's path: the entry the run took out of the
// point before it. The path is the log's text, so only a path that names an entry is looked
// up, and only beneath the store.
held held_in(host::host& h, const std::string& store, const std::string& older,
             const std::string& log_path) {
  const std::optional<std::string> key = entry_key(change_log_key(log_path));
  if (!key) return held::nothing;
  const std::string relative = older + "\\" + *key;
  if (h.is_folder_beneath(store, relative)) return held::folder;
  return h.exists(path_join(store, relative)) ? held::file : held::nothing;
}

// A log says "D   " alike for a file and a folder; what the run took out tells which. A
// deletion plus a new entry is a type change when a run writes it, but a prune that thinned
// the point between writes it too for an entry of the same kind at both points (a file that
// was a folder only at the thinned point): that entry changed, it did not change its type.
void settle_with_older_folder(host::host& h, const std::string& store, const std::string& older,
                              std::vector<point_change>& changes) {
  for (point_change& change : changes) {
    if (is_new(change.kind) || change.kind == change_kind::changed) continue;
    const held before = held_in(h, store, older, change.path);
    if (change.kind == change_kind::deleted) {
      change.folder = before == held::folder;
    } else if ((change.kind == change_kind::became_folder && before == held::folder) ||
               (change.kind == change_kind::became_file && before == held::file)) {
      change.kind = change_kind::changed;
    }
  }
}

}  // namespace

std::vector<point_change> decode_changes(const change_log& log) {
  std::vector<point_change> changes;
  // Per path (as a list key, so "\a" and "a" are one), where its entries stand in `changes`.
  std::unordered_map<std::string, std::vector<size_t>> seen;
  std::vector<bool> dropped;
  for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
    change_kind kind;
    if (!kind_of(*line, kind) || change_log_key(line->text).empty()) continue;
    std::vector<size_t>& at = seen[change_log_key(line->text)];
    bool repeated = false;
    for (const size_t i : at) {
      if (dropped[i]) continue;
      const change_kind earlier = changes[i].kind;
      if (earlier == kind ||
          (kind == change_kind::new_folder && earlier == change_kind::became_folder) ||
          (kind == change_kind::new_file && earlier == change_kind::became_file)) {
        repeated = true;
      } else if (earlier == change_kind::deleted && is_new(kind)) {
        dropped[i] = true;
        kind =
            kind == change_kind::new_folder ? change_kind::became_folder : change_kind::became_file;
      }
    }
    if (repeated) continue;
    at.push_back(changes.size());
    const bool folder = kind == change_kind::new_folder || kind == change_kind::became_folder;
    changes.push_back(point_change{kind, line->text, folder});
    dropped.push_back(false);
  }
  std::vector<point_change> kept;
  kept.reserve(changes.size());
  for (size_t i = 0; i < changes.size(); ++i) {
    if (!dropped[i]) kept.push_back(std::move(changes[i]));
  }
  return kept;
}

point_changes_result read_point_changes(host::host& h, const std::string& store,
                                        const point_choice& point) {
  const opened_store opened = open_store_to_read(h, store);
  if (opened.opened() == opened_store::state::empty) return point_changes_result();
  if (opened.opened() == opened_store::state::busy) {
    point_changes_result result;
    result.outcome = point_changes_result::state::busy;
    return result;
  }
  return read_point_changes(opened, point);
}

point_changes_result read_point_changes(const opened_store& opened, const point_choice& point) {
  host::host& h = opened.host();
  const std::string& store = opened.path();
  point_changes_result result;
  const folder_tree history = scan_history_folders(h, store);
  if (history.empty()) return result;
  const folder_node* node = find_point(history, point);
  if (node == nullptr) {
    result.outcome = point_changes_result::state::no_point;
    return result;
  }
  result.point_entry = point_entry(*node);
  const change_log_finder logs(h, store);
  result.log_path = logs.path_of(node->name);
  change_log_state state = change_log_state::read;
  const change_log log = logs.read(node->name, state);
  result.changes = decode_changes(log);
  if (node->next != nullptr) settle_with_older_folder(h, store, node->next->name, result.changes);
  switch (state) {
    case change_log_state::read:
      result.outcome = point_changes_result::state::read;
      break;
    case change_log_state::missing:
      result.outcome = point_changes_result::state::no_log;
      break;
    case change_log_state::unreadable:
      result.outcome = point_changes_result::state::unreadable;
      break;
  }
  return result;
}

}  // namespace engine
