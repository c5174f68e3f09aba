#include "engine/history/prune_run.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"
#include "engine/history/opened_store.h"
#include "engine/history/point_walk.h"
#include "engine/history/prune_merge.h"
#include "engine/history/prune_steps.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"
#include "platform/packed_time.h"

namespace engine {
namespace {

using outcome = prune_result::outcome;

prune_result refused(std::string reason) {
  prune_result r;
  r.status = outcome::refused;
  r.reason = std::move(reason);
  return r;
}

std::string four_digits(int n) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", n);
  return digits;
}

// The points oldest first. Empty when the store is not numbered 0001, 0002, ... (in any letter
// case: a store copied elsewhere may spell its folders otherwise).
std::vector<const folder_node*> numbered_points(const folder_tree& history) {
  std::vector<const folder_node*> oldest_first;
  for (const folder_node* n = history.first(); n != nullptr; n = n->next) {
    oldest_first.push_back(n);
  }
  std::reverse(oldest_first.begin(), oldest_first.end());
  for (size_t i = 0; i < oldest_first.size(); ++i) {
    if (!same_store_name(oldest_first[i]->name, "Zolk" + four_digits(static_cast<int>(i + 1)))) {
      return {};
    }
  }
  return oldest_first;
}

// Adds the files under `relative` (a file or a folder) beneath `base` to the counts.
void count_entry(host::host& h, const std::string& base, const std::string& relative, bool folder,
                 uint64_t size, prune_result& r) {
  if (!folder) {
    ++r.files_freed;
    r.bytes_freed += static_cast<int64_t>(size);
    return;
  }
  std::vector<std::string> pending{relative};
  while (!pending.empty()) {
    const std::string current = pending.back();
    pending.pop_back();
    std::vector<host::found_entry> entries;
    h.search(folder_search_pattern(base, current.empty() ? std::nullopt : piece(current)), entries);
    for (const host::found_entry& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      const std::string key = current.empty() ? e.name : current + "\\" + e.name;
      if ((e.attributes & host::k_directory) != 0 && !e.is_link && !e.is_special) {
        pending.push_back(key);
      } else {
        ++r.files_freed;
        r.bytes_freed += static_cast<int64_t>(e.full_size);
      }
    }
  }
}

void count_file(host::host& h, const std::string& path, prune_result& r) {
  std::unique_ptr<host::file> f = h.open_read(path);
  if (!f) return;
  const int64_t length = f->length();
  ++r.files_freed;
  if (length > 0) r.bytes_freed += length;
}

// What stays in the thinned folder once its merge is done: the walk of the merge, counting.
void count_thinned(host::host& h, const std::string& store, const std::string& older,
                   const std::string& thinned, const named_paths& named, prune_result& r) {
  const std::string base = path_join(store, thinned);
  std::vector<std::string> pending{std::string()};
  while (!pending.empty()) {
    const std::string folder = pending.back();
    pending.pop_back();
    std::vector<host::found_entry> entries;
    h.search(folder_search_pattern(base, folder.empty() ? std::nullopt : piece(folder)), entries);
    for (const host::found_entry& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      const std::string key = folder.empty() ? e.name : folder + "\\" + e.name;
      const bool real_folder =
          (e.attributes & host::k_directory) != 0 && !e.is_link && !e.is_special;
      const bool stays = named.named.count(key) != 0 || is_copy_temp_name(e.name) || e.is_special ||
                         (!(real_folder && named.above.count(key) != 0) &&
                          h.exists(path_join(store, path_join(older, key))));
      if (stays) {
        count_entry(h, base, key, real_folder, e.full_size, r);
      } else if (real_folder && named.above.count(key) != 0) {
        pending.push_back(key);
      }
    }
  }
}

// Which points go; false (with the reason) when the request cannot be met.
bool choose_points(const prune_request& request, const std::vector<const folder_node*>& points,
                   std::vector<size_t>& dropped, size_t& thinned, std::string& reason) {
  const size_t newest = points.size() - 1;
  thinned = points.size();
  switch (request.how) {
    case prune_request::rule::keep_last:
      for (size_t i = 0; i < newest && i + static_cast<size_t>(request.keep_last) < points.size();
           ++i) {
        dropped.push_back(i);
      }
      return true;
    case prune_request::rule::keep_since:
      for (size_t i = 0; i < newest && points[i]->time < request.since; ++i) dropped.push_back(i);
      return true;
    case prune_request::rule::point:
      break;
  }
  size_t at = points.size();
  for (size_t i = 0; i < points.size(); ++i) {
    if (same_store_name(points[i]->name, "Zolk" + four_digits(request.point))) at = i;
  }
  if (at == points.size()) {
    reason = "there is no point " + four_digits(request.point);
    return false;
  }
  if (at == newest) {
    reason = "the newest point holds the copy of the source and cannot be pruned";
    return false;
  }
  if (at == 0) {
    dropped.push_back(0);
  } else {
    thinned = at;
  }
  return true;
}

// The merged log takes the time of the log it replaces: a point shows the time of its run,
// which runs keep on its folder from its log.
bool write_merged_log(host::host& h, const std::string& store, const std::vector<log_line>& lines,
                      uint32_t time) {
  change_log_writer log;
  if (!log.open(h, store, k_prune_log_temp_name)) return false;
  bool written = true;
  for (const log_line& line : lines)
    written = written && log.write_line(line.code.c_str(), line.path);
  written = written && log.set_time(time);
  return log.close() && written;
}

// The time of a point's run: its change log's, or its folder's when it has none.
uint32_t run_time(host::host& h, const change_log_finder& logs, const folder_node& point) {
  std::unique_ptr<host::file> f = h.open_read(logs.path_of(point.name));
  uint32_t time = point.time;
  if (f && !f->get_time(time)) time = point.time;
  return time;
}

// Refusals that hold for a dry run and a real one alike.
bool store_refusal(host::host& h, const std::string& store, std::string& reason) {
  if (run_marker_present(h, store)) {
    reason = "the newest backup run into " + store +
             " did not finish; the next backup completes it, prune after that";
    return true;
  }
  return false;
}

}  // namespace

prune_result prune_store(host::host& h, const prune_request& request, run_log& log) {
  const host::operation_folders folders(h);
  const std::string& store = request.store;
  if (scan_history_folders(h, store).empty()) return refused("no restore points in " + store);
  std::optional<opened_store> opened;
  if (request.dry_run) {
    if (h.exists(path_join(store, k_prune_marker_name))) {
      prune_result r = refused(std::string());
      r.cut_prune_waits = true;
      return r;
    }
  } else {
    store_opening how;
    how.completion = store_completion::when_locked;
    opened.emplace(open_store(h, store, how, log));
    if (opened->opened() == opened_store::state::busy)
      return refused("the store " + store + " is in use by another run");
    if (!opened->locked()) return refused("the store " + store + " cannot be locked");
    if (opened->completed() == cut_prune::failed) {
      prune_result r = refused("a prune of " + store + " that was cut off could not be completed");
      r.status = outcome::failed;
      return r;
    }
  }
  std::string reason;
  if (store_refusal(h, store, reason)) return refused(reason);
  const folder_tree history = scan_history_folders(h, store);
  const std::vector<const folder_node*> points = numbered_points(history);
  if (points.empty()) {
    return refused("the points of " + store +
                   " are not numbered 0001, 0002, ... without a gap; verify names what is wrong");
  }
  std::vector<size_t> dropped;
  size_t thinned = 0;
  if (!choose_points(request, points, dropped, thinned, reason)) return refused(reason);

  prune_result r;
  prune_plan plan;
  std::vector<log_line> merged;
  named_paths thinned_named;
  uint32_t newer_time = 0;
  const change_log_finder logs(h, store);
  if (thinned < points.size()) {
    plan.older = points[thinned - 1]->name;
    plan.thinned = points[thinned]->name;
    plan.newer = points[thinned + 1]->name;
    plan.older_time = run_time(h, logs, *points[thinned - 1]);
    newer_time = run_time(h, logs, *points[thinned + 1]);
    change_log_state first_state = change_log_state::read, second_state = change_log_state::read;
    const change_log first = logs.read(plan.thinned, first_state);
    const change_log second = logs.read(plan.newer, second_state);
    if (first_state == change_log_state::unreadable ||
        second_state == change_log_state::unreadable) {
      return refused("a change log of " + store + " cannot be read; verify names it");
    }
    merged = merge_change_logs(first, second);
    thinned_named = paths_named_by(first);
    r.thinned = point_entry(*points[thinned]);
    count_thinned(h, store, plan.older, plan.thinned, thinned_named, r);
    count_file(h, logs.path_of(plan.thinned), r);
  }
  for (size_t i : dropped) {
    plan.dropped.push_back(points[i]->name);
    r.dropped.push_back(point_entry(*points[i]));
    count_entry(h, path_join(store, points[i]->name), std::string(), true, 0, r);
    count_file(h, logs.path_of(points[i]->name), r);
  }
  int number = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const bool goes = i == thinned || std::find(dropped.begin(), dropped.end(), i) != dropped.end();
    if (goes) continue;
    const std::string digits = four_digits(++number);
    const std::string to = "Zolk" + digits;
    // A folder keeps its number, and so its name in whatever letter case it stands.
    if (same_store_name(to, points[i]->name)) continue;
    plan.renames.push_back(
        prune_rename{points[i]->name, to, h.exists(logs.path_of(points[i]->name))});
    r.renumbered.emplace_back(four_digits(history_folder_number(points[i]->name)), digits);
  }
  if (!plan.thins() && plan.dropped.empty()) {
    r.status = outcome::nothing_to_do;
    return r;
  }
  if (request.dry_run) {
    r.status = outcome::pruned;
    return r;
  }
  std::string failure;
  if (plan.thins() && !write_merged_log(h, store, merged, newer_time)) {
    h.remove_file(path_join(store, k_prune_log_temp_name));
    r.status = outcome::failed;
    r.reason =
        "the merged change log could not be written: " + path_join(store, k_prune_log_temp_name);
    return r;
  }
  if (!write_prune_marker(h, store, plan)) {
    h.remove_file(path_join(store, k_prune_log_temp_name));
    r.status = outcome::failed;
    r.reason = "the prune marker could not be written: " + path_join(store, k_prune_marker_name);
    return r;
  }
  if (!carry_out_prune(h, store, plan, failure)) {
    r.status = outcome::failed;
    r.reason = "the prune was cut off at " + failure + "; the next command completes it";
    return r;
  }
  r.status = outcome::pruned;
  return r;
}

bool parse_prune_date(const std::string& text, uint32_t& packed) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char s1 = 0, s2 = 0, t = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d%c%2d%c%2d%n", &year, &s1, &month, &s2, &day, &used) != 5)
    return false;
  if (!((s1 == '-' && s2 == '-') || (s1 == '/' && s2 == '/'))) return false;
  std::string rest = text.substr(static_cast<size_t>(used));
  if (!rest.empty()) {
    int more = 0;
    const int n =
        std::sscanf(rest.c_str(), "%c%2d:%2d%n:%2d%n", &t, &hour, &minute, &more, &second, &more);
    if (n < 3 || (t != ' ' && t != 'T') || static_cast<size_t>(more) != rest.size()) return false;
  }
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0) {
    return false;
  }
  packed = host::pack_time(host::calendar_time{year, month, day, hour, minute, second});
  return true;
}

}  // namespace engine
