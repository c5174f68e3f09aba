#include "engine/restore_run.h"

#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/change_log.h"
#include "engine/history_store.h"
#include "engine/messages.h"
#include "engine/paths.h"
#include "engine/restore_copy.h"
#include "engine/restore_list.h"
#include "engine/restore_rollback.h"
#include "engine/restore_target.h"
#include "engine/store_lock.h"
#include "engine/target_contents.h"

namespace engine {
namespace {

void write_opening_lines(const restore_request& request, const std::string& point_entry,
                         run_log& log) {
  log.add_line(request.source + text(msg::restore_from));
  log.add_line(point_entry + text(msg::restore_point));
  log.add_line(request.target + text(msg::restore_into));
  log.add_line(text(msg::restore_start));
}

run_summary refuse(run_log& log, msg reason) {
  log.add_line(text(msg::interrupted));
  log.add_line(text(reason));
  log.add_line(text(msg::restore_end));
  run_summary summary;
  summary.refused = true;
  return summary;
}

// The history folder of the chosen point.
const folder_node* find_point(const folder_tree& history, int point) {
  for (const folder_node* node = history.first(); node != nullptr; node = node->next) {
    if (point_number(node->name.substr(4)) == point) return node;
  }
  return nullptr;
}

// The point as the point list shows it; its four digits alone when the store lacks it.
std::string point_entry_text(const folder_tree& history, int point) {
  if (const folder_node* node = find_point(history, point)) return point_entry(*node);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", point);
  return digits;
}

std::string folded(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

// The change logs beside the history folders, found by one search of the store. A folder
// whose name differs in letter case from its log (zolk0002 beside Zolk0002.Zcl) still finds
// it on a file system that tells case apart.
class change_log_finder {
 public:
  change_log_finder(host::host& h, const std::string& store) : h_(h), store_(store) {
    std::vector<host::found_entry> entries;
    h.search(folder_search_pattern(store), entries);
    const std::string extension = k_change_log_extension;
    for (const host::found_entry& entry : entries) {
      if ((entry.attributes & host::k_directory) != 0 || entry.name.size() != 12) continue;
      std::string stem = entry.name.substr(0, 8);
      if (entry.name.compare(8, 4, extension) != 0 || !is_history_folder_name(stem)) continue;
      stems_[folded(stem)].push_back(std::move(stem));
    }
  }

  // The log of the run that made `folder_name`; empty when there is none. A log that is
  // missing or cannot be read whole adds its path to `unread`.
  change_log read(const std::string& folder_name, std::vector<std::string>& unread) const {
    const auto found = stems_.find(folded(folder_name));
    if (found == stems_.end()) {
      unread.push_back(path_join(store_, folder_name) + k_change_log_extension);
      return change_log();
    }
    const std::vector<std::string>& stems = found->second;
    std::string stem = stems.front();
    for (const std::string& candidate : stems) {
      if (candidate == folder_name) stem = candidate;
    }
    change_log_state state = change_log_state::read;
    change_log log = read_change_log(h_, path_join(store_, stem), &state);
    if (state != change_log_state::read) unread.push_back(path_join(store_, stem) + k_change_log_extension);
    return log;
  }

 private:
  host::host& h_;
  std::string store_;
  std::unordered_map<std::string, std::vector<std::string>> stems_;
};

// The list of the chosen point: the newest history folder's tree, rolled back over every
// older history folder down to the point. Every history folder newer than the point lends
// its change log; the paths of those that could not be read go to `unread_logs`, and their
// older folders are applied as for a run that wrote no log.
restore_list gather_point(host::host& h, const std::string& store, const folder_tree& history,
                          const folder_node* point, std::vector<std::string>& unread_logs) {
  restore_list list;
  const folder_node* newest = history.first();
  gather_folder_items(h, list, std::make_shared<const std::string>(path_join(store, newest->name)),
                      nullptr);
  const change_log_finder logs(h, store);
  const folder_node* newer = newest;
  while (newer != point && newer->next != nullptr) {
    const folder_node* older = newer->next;
    const change_log_index index(logs.read(newer->name, unread_logs));
    roll_back_folder(h, list, std::make_shared<const std::string>(path_join(store, older->name)),
                     index);
    newer = older;
  }
  return list;
}

// Without its log a run's older versions cannot be told from its leftovers: the point may
// then hold entries of later points. Returns the count reported.
int64_t report_unread_logs(const std::vector<std::string>& unread_logs, run_log& log) {
  for (const std::string& path : unread_logs) {
    log.add_line(text(msg::change_log_not_read));
    log.add_line(text(msg::detail_prefix) + path);
  }
  return static_cast<int64_t>(unread_logs.size());
}

}  // namespace

run_summary start_restore(host::host& h, const restore_request& request, run_log& log,
                          run_progress& progress, const stop_request* stop) {
  run_summary nothing;
  nothing.refused = true;
  if (request.point <= 0) return nothing;
  const folder_tree seen = scan_history_folders(h, request.store);
  if (seen.empty()) return nothing;
  write_opening_lines(request, point_entry_text(seen, request.point), log);
  if (find_point(seen, request.point) == nullptr) return refuse(log, msg::restore_point_missing);
  if (const std::optional<msg> reason = target_refusal(h, request.target, request.store)) {
    return refuse(log, *reason);
  }
  if (!request.overwrite && target_holds_entries(h, request.target)) {
    return refuse(log, msg::restore_target_not_empty);
  }
  // A store the lock file cannot be made in (a read-only medium) cannot be changed by a run
  // either, so only a lock held elsewhere stops the restore. The lock is taken only once the
  // checks pass, so a refused restore writes nothing at all.
  const host::lock_result lock = lock_store(h, request.store);
  if (lock.state == host::lock_state::busy) {
    report_store_busy(log, request.store);
    log.add_line(text(msg::restore_end));
    return nothing;
  }
  // Listed again under the lock: a run that ended a moment ago may have added a newer folder,
  // which the roll-back must start from.
  const folder_tree history = scan_history_folders(h, request.store);
  const folder_node* point = find_point(history, request.point);
  if (point == nullptr) return refuse(log, msg::restore_point_missing);
  std::vector<std::string> unread_logs;
  const restore_list list = gather_point(h, request.store, history, point, unread_logs);
  int64_t unreadable = report_unread_logs(unread_logs, log);
  for (const std::string& folder : list.unreadable()) {
    log.add_line(text(msg::restore_store_not_read) + text(msg::detail_prefix) + folder);
    ++unreadable;
  }
  progress_meter meter(progress, stop);
  run_summary summary = run_restore(h, request.target, list, log, meter, request.store);
  summary.failed += unreadable;
  return summary;
}

bool restore_needs_consent(host::host& h, const restore_request& request) {
  if (request.point <= 0) return false;
  const folder_tree history = scan_history_folders(h, request.store);
  if (history.empty() || find_point(history, request.point) == nullptr) return false;
  if (target_refusal(h, request.target, request.store)) return false;
  return target_holds_entries(h, request.target);
}

int point_number(const std::string& entry) {
  if (entry.size() < 4) return 0;
  int n = 0;
  for (size_t i = 0; i < 4; ++i) {
    if (entry[i] < '0' || entry[i] > '9') return 0;
    n = n * 10 + (entry[i] - '0');
  }
  return n;
}

}  // namespace engine
