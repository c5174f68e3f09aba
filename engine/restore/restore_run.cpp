#include "engine/restore/restore_run.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "engine/common/messages.h"
#include "engine/common/paths.h"
#include "engine/history/opened_store.h"
#include "engine/history/point_walk.h"
#include "engine/history/prune_steps.h"
#include "engine/restore/restore_copy.h"
#include "engine/restore/restore_list.h"
#include "engine/restore/restore_target.h"
#include "engine/restore/restore_walk.h"
#include "engine/restore/target_contents.h"
#include "engine/store/history_store.h"
#include "engine/store/prune_marker.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"

namespace engine {
namespace {

void write_opening_lines(const restore_request& request, const std::string& point_entry,
                         run_log& log) {
  log.add_line(request.source + text(msg::restore_from));
  log.add_line(point_entry + text(msg::restore_point));
  log.add_line(request.target + text(msg::restore_into));
  if (!request.paths.empty()) {
    log.add_line(text(msg::restore_only));
    for (const std::string& path : request.paths) log.add_line(text(msg::detail_prefix) + path);
  }
  log.add_line(text(msg::restore_start));
}

// The list keys of the chosen paths; false (with the path) for one that names no entry.
bool chosen_keys(const std::vector<std::string>& paths, std::vector<std::string>& keys,
                 std::string& bad) {
  for (const std::string& path : paths) {
    std::optional<std::string> key = entry_key(path);
    if (!key) {
      bad = path;
      return false;
    }
    keys.push_back(std::move(*key));
  }
  return true;
}

run_summary refuse_entry(run_log& log, const std::string& path) {
  log.add_line(text(msg::interrupted));
  log.add_line(text(msg::restore_entry_missing) + text(msg::detail_prefix) + path);
  log.add_line(text(msg::restore_end));
  run_summary summary;
  summary.refused = true;
  return summary;
}

run_summary refuse(run_log& log, msg reason) {
  log.add_line(text(msg::interrupted));
  log.add_line(text(reason));
  log.add_line(text(msg::restore_end));
  run_summary summary;
  summary.refused = true;
  return summary;
}

// A refusal whose reason the front end words: it tells how that front end overrides it.
run_summary refuse(run_log& log, front_msg reason) {
  log.add_line(text(msg::interrupted));
  log.add_message(reason);
  log.add_line(text(msg::restore_end));
  run_summary summary;
  summary.refused = true;
  return summary;
}

// The point as the point list shows it; its four digits alone when the store lacks it.
std::string point_entry_text(const folder_tree& history, const point_choice& point) {
  if (const folder_node* node = find_point(history, point)) return point_entry(*node);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", point.number());
  return digits;
}

// The temporary files change-log indexes spill to: ".zolk-index.", a number, ".tmp".
constexpr const char* k_index_spill_prefix = ".zolk-index.";
constexpr const char* k_index_spill_suffix = ".tmp";

// Removes the spill files a restore that was killed left in the store.
void remove_spill_leftovers(host::host& h, const std::string& store) {
  std::vector<host::found_entry> entries;
  h.search(folder_search_pattern(store), entries);
  const std::string prefix = k_index_spill_prefix;
  const std::string suffix = k_index_spill_suffix;
  for (const host::found_entry& e : entries) {
    if (e.name.size() > prefix.size() + suffix.size() &&
        e.name.compare(0, prefix.size(), prefix) == 0 &&
        e.name.compare(e.name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
        (e.attributes & host::k_directory) == 0) {
      h.remove_file_beneath(store, e.name);
    }
  }
}

// The walk of the chosen point: the newest history folder's tree, rolled back over every
// older history folder down to the point. Every history folder newer than the point lends
// its change log; the paths of those that could not be read go to `unread_logs`, and their
// older folders are applied as for a run that wrote no log. With `spill` (the store's lock
// held), the logs share `budget` bytes of memory and spill to files in the store past it.
// `unfinished` (may be null) is the folder of a cut run: until that run starts to compare it
// has no log, and the older folder rightly counts whole, so a missing log is no fault there.
restore_walk walk_of_point(host::host& h, const std::string& store, const folder_tree& history,
                           const folder_node* point, const folder_node* unfinished,
                           std::vector<std::string>& unread_logs,
                           std::vector<std::string>& log_paths, bool spill, size_t budget) {
  std::vector<std::string> folders;
  std::vector<change_log_index> logs(1);
  log_paths.assign(1, std::string());
  const change_log_finder finder(h, store);
  const folder_node* newer = history.first();
  folders.push_back(path_join(store, newer->name));
  if (spill) remove_spill_leftovers(h, store);
  while (newer != point && newer->next != nullptr) {
    const folder_node* older = newer->next;
    change_log_state state = change_log_state::read;
    index_spill place;
    place.h = spill ? &h : nullptr;
    place.folder = store;
    place.name = k_index_spill_prefix + std::to_string(logs.size()) + k_index_spill_suffix;
    place.budget = budget;
    logs.push_back(finder.read_index(newer->name, state, &place));
    budget -= std::min(budget, logs.back().memory());
    log_paths.push_back(finder.path_of(newer->name));
    const bool expected_missing = newer == unfinished && state == change_log_state::missing;
    if (state != change_log_state::read && !expected_missing) {
      unread_logs.push_back(log_paths.back());
    }
    folders.push_back(path_join(store, older->name));
    newer = older;
  }
  return restore_walk(h, std::move(folders), std::move(logs));
}

// Reports the logs whose spilled index could not be read back since the last call (`told`
// of the walk's failed logs were reported before), as logs that could not be read.
int64_t report_failed_indexes(const restore_walk& walk, const std::vector<std::string>& log_paths,
                              size_t& told, run_log& log) {
  const std::vector<size_t>& failed = walk.failed_logs();
  int64_t count = 0;
  for (; told < failed.size(); ++told, ++count) {
    log.add_line(text(msg::change_log_not_read));
    log.add_line(text(msg::detail_prefix) + log_paths[failed[told]]);
  }
  return count;
}

// Which entries of the point a restore of some paths only brings back: each chosen entry
// with everything under it, and the folders above it so that it lands where it stood.
class path_choice {
 public:
  explicit path_choice(const std::vector<std::string>& keys) : keys_(keys), found_(keys.size()) {}

  // True when `item` is to be restored; notes which chosen keys it is.
  bool wants(const restore_item& item) {
    if (keys_.empty()) return true;
    const std::string key = item_key(item);
    bool wanted = false;
    for (size_t i = 0; i < keys_.size(); ++i) {
      const std::string& chosen = keys_[i];
      if (key == chosen) {
        found_[i] = true;
        wanted = true;
      } else if (within(key, chosen) || within(chosen, key)) {
        wanted = true;
      }
    }
    return wanted;
  }

  // The index of a chosen key no entry of the point matched; -1 when every one was found.
  int missing() const {
    for (size_t i = 0; i < found_.size(); ++i) {
      if (!found_[i]) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  static bool within(const std::string& inner, const std::string& outer) {
    return inner.size() > outer.size() && inner[outer.size()] == '\\' &&
           inner.compare(0, outer.size(), outer) == 0;
  }

  const std::vector<std::string>& keys_;
  std::vector<bool> found_;
};

// Without its log a run's older versions cannot be told from its leftovers: the point may
// then hold entries of later points. Returns the count reported.
int64_t report_unread_logs(const std::vector<std::string>& unread_logs, run_log& log) {
  for (const std::string& path : unread_logs) {
    log.add_line(text(msg::change_log_not_read));
    log.add_line(text(msg::detail_prefix) + path);
  }
  return static_cast<int64_t>(unread_logs.size());
}

// A restore completes a cut prune even where it cannot take the lock (a store on a read-only
// medium): only another holder of the lock stops it.
constexpr store_opening k_restore_opening{false, store_completion::unless_busy};

// A prune cut off half-way is completed before anything else, whatever point was asked for.
// It numbered the points anew, so the number asked for may now name another point, or none:
// the restore stops, and the user chooses again.
run_summary complete_prune_first(host::host& h, const std::string& store, run_log& log) {
  run_summary stopped;
  stopped.refused = true;
  const opened_store opened = open_store(h, store, k_restore_opening, log);
  if (opened.opened() == opened_store::state::busy) {
    report_store_busy(log, store);
  } else if (opened.completed() != cut_prune::failed) {
    return refuse(log, msg::points_renumbered);
  }
  log.add_line(text(msg::restore_end));
  return stopped;
}

}  // namespace

run_summary start_restore(host::host& h, const restore_request& request, run_log& log,
                          run_progress& progress, const stop_request* stop) {
  const host::operation_folders folders(h);
  run_summary nothing;
  nothing.refused = true;
  if (!request.point.is_newest() && request.point.number() <= 0) return nothing;
  const folder_tree seen = scan_history_folders(h, request.store);
  if (seen.empty()) {
    nothing.no_points = true;
    return nothing;
  }
  // The newest as first listed: a run that ends meanwhile makes a newer point, which the user
  // did not see.
  const int chosen = request.point.is_newest() ? history_folder_number(seen.first()->name)
                                               : request.point.number();
  write_opening_lines(request, point_entry_text(seen, chosen), log);
  if (h.exists(path_join(request.store, k_prune_marker_name)))
    return complete_prune_first(h, request.store, log);
  const folder_node* seen_point = find_point(seen, chosen);
  if (seen_point == nullptr) return refuse(log, msg::restore_point_missing);
  if (seen_point == unfinished_folder(h, request.store, seen)) {
    // A backup at work right now leaves the same marker as a cut one: the user must hear that
    // the store is busy, not that the run was cut. (A run made the lock file with its marker.)
    if (open_store(h, request.store, store_opening{}, log).opened() == opened_store::state::busy) {
      report_store_busy(log, request.store);
      log.add_line(text(msg::restore_end));
      return nothing;
    }
    return refuse(log, msg::restore_point_unfinished);
  }
  std::vector<std::string> keys;
  std::string bad_path;
  if (!chosen_keys(request.paths, keys, bad_path)) return refuse_entry(log, bad_path);
  if (const std::optional<msg> reason = target_refusal(h, request.target, request.store)) {
    return refuse(log, *reason);
  }
  if (!request.overwrite && target_holds_entries(h, request.target)) {
    run_summary refused = refuse(log, front_msg::target_not_empty);
    refused.needs_consent = true;
    return refused;
  }
  // A store the lock file cannot be made in (a read-only medium) cannot be changed by a run
  // either, so only a lock held elsewhere stops the restore. The lock is taken only once the
  // checks pass, so a refused restore writes nothing at all.
  const opened_store opened = open_store(h, request.store, k_restore_opening, log);
  if (opened.opened() == opened_store::state::busy) {
    report_store_busy(log, request.store);
    log.add_line(text(msg::restore_end));
    return nothing;
  }
  // A prune cut off since the store was first listed is completed all the same.
  const cut_prune late = opened.completed();
  if (late == cut_prune::failed) {
    log.add_line(text(msg::restore_end));
    return nothing;
  }
  if (late != cut_prune::none) return refuse(log, msg::points_renumbered);
  // Listed again under the lock: a run that ended a moment ago may have added a newer folder,
  // which the roll-back must start from.
  const folder_tree history = scan_history_folders(h, request.store);
  const folder_node* point = find_point(history, chosen);
  if (point == nullptr) return refuse(log, msg::restore_point_missing);
  // A run stopped since the first listing left its point part old, part new.
  const folder_node* unfinished = unfinished_folder(h, request.store, history);
  if (point == unfinished) return refuse(log, msg::restore_point_unfinished);
  std::vector<std::string> unread_logs;
  std::vector<std::string> log_paths;
  log.flush();
  restore_walk walk = walk_of_point(h, request.store, history, point, unfinished, unread_logs,
                                    log_paths, opened.locked(), request.index_budget);
  // A first walk finds the work for the progress view, the folders of the store that cannot
  // be read and any chosen path the point lacks, all told before anything is written: a
  // restore that brought back only some of the chosen entries would look like a success.
  path_choice choice(keys);
  int64_t items = 0;
  int64_t bytes = 0;
  walk.walk([&](const restore_item& item) {
    if (!choice.wants(item)) return true;
    ++items;
    if (!item.is_folder()) bytes += item.size;
    return true;
  });
  if (const int missing = choice.missing(); missing >= 0) {
    return refuse_entry(log, request.paths[static_cast<size_t>(missing)]);
  }
  int64_t unreadable = report_unread_logs(unread_logs, log);
  size_t told = 0;
  unreadable += report_failed_indexes(walk, log_paths, told, log);
  for (const std::string& folder : walk.unreadable()) {
    log.add_line(text(msg::restore_store_not_read) + text(msg::detail_prefix) + folder);
    ++unreadable;
  }
  progress_meter meter(progress, stop);
  meter.plan(items, bytes);
  // A spilled index that fails only now is told where it fails, among the copies' own lines.
  const restore_feed feed = [&](const std::function<bool(const restore_item&)>& each) {
    walk.walk([&](const restore_item& item) {
      unreadable += report_failed_indexes(walk, log_paths, told, log);
      return !choice.wants(item) || each(item);
    });
    unreadable += report_failed_indexes(walk, log_paths, told, log);  // after the last entry
  };
  run_summary summary = restore_items(h, request.target, feed, log, meter, request.store);
  summary.failed += unreadable;
  return summary;
}

restore_check check_restore(host::host& h, const restore_request& request) {
  if (!request.point.is_newest() && request.point.number() <= 0) return restore_check::refused;
  const folder_tree history = scan_history_folders(h, request.store);
  const folder_node* point = find_point(history, request.point);
  if (point == nullptr) return restore_check::refused;
  if (point == unfinished_folder(h, request.store, history)) {
    return restore_check::point_unfinished;
  }
  if (target_refusal(h, request.target, request.store)) return restore_check::refused;
  if (!request.overwrite && target_holds_entries(h, request.target)) {
    return restore_check::needs_consent;
  }
  return restore_check::ready;
}

}  // namespace engine
