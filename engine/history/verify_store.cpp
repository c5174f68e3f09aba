#include "engine/history/verify_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "engine/backup/snapshot.h"
#include "engine/common/paths.h"
#include "engine/history/opened_store.h"
#include "engine/history/point_walk.h"
#include "engine/history/prune_merge.h"
#include "engine/history/prune_steps.h"
#include "engine/restore/restore_rollback.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"
#include "engine/store/prune_marker.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"

namespace engine {
namespace {

std::string four_digits(size_t n) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%04zu", n);
  return digits;
}

// Every entry of a history folder by key, true for a folder.
using entry_kinds = std::unordered_map<std::string, bool>;

entry_kinds kinds_of(const folder_tree& tree) {
  entry_kinds out;
  std::vector<const folder_node*> pending;
  for (const folder_node* n = tree.first(); n != nullptr; n = n->next) pending.push_back(n);
  while (!pending.empty()) {
    const folder_node* n = pending.back();
    pending.pop_back();
    out.emplace(change_log_key(relative_path(*n)), n->is_folder());
    for (const folder_node* c = n->first_child; c != nullptr; c = c->next) pending.push_back(c);
  }
  return out;
}

// A path a line may name: no drive, no network or doubled leading separator, no "." or ".."
// piece, no empty piece.
bool stays_inside(const std::string& text) {
  const std::string key = change_log_key(text);
  if (key.empty() || key.front() == '\\' || drive_prefix_length(key) != 0) return false;
  std::vector<std::string> pieces = folders_above(key);
  pieces.push_back(key);
  size_t start = 0;
  for (const std::string& prefix : pieces) {
    const std::string name = prefix.substr(start);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
      return false;
    start = prefix.size() + 1;
  }
  return true;
}

bool code_is(const change_log_line& line, const char* code) {
  return std::memcmp(line.code, code, 4) == 0;
}

void check_log_lines(const change_log& log, const std::string& log_path, const entry_kinds* older,
                     const std::string& older_name, std::vector<std::string>& problems) {
  size_t number = 0;
  for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
    ++number;
    const std::string where = log_path + " line " + std::to_string(number);
    const bool deleted = code_is(*line, k_code_deleted) || code_is(*line, k_code_changed);
    if (!deleted && !code_is(*line, k_code_new_file) && !code_is(*line, k_code_new_folder)) {
      problems.push_back("a line that is no change-log line: " + where);
      continue;
    }
    if (!stays_inside(line->text)) {
      problems.push_back("a line naming a path outside the store: " + where);
      continue;
    }
    if (!deleted || older == nullptr) continue;
    const auto found = older->find(change_log_key(line->text));
    if (found == older->end()) {
      problems.push_back("a line naming an entry " + older_name + " does not hold (" + line->text +
                         "): " + where);
    } else if (code_is(*line, k_code_changed) && found->second) {
      problems.push_back("a changed-file line naming a folder (" + line->text + "): " + where);
    }
  }
}

void check_tree(const folder_tree& tree, const std::string& folder,
                std::vector<std::string>& problems) {
  if (!tree.root_readable()) problems.push_back("the history folder cannot be read: " + folder);
  for (const folder_node* n : tree.unreadable_folders()) {
    problems.push_back("a folder that cannot be read: " + path_join(folder, relative_path(*n)));
  }
  for (const folder_node* n : tree.special_nodes()) {
    problems.push_back("a link or special file inside the store: " +
                       path_join(folder, relative_path(*n)));
  }
  for (const std::string& relative : tree.leftovers()) {
    problems.push_back("a temporary file left by a cut copy: " + path_join(folder, relative));
  }
}

// What the root holds besides the points: logs without folders, Zolk's leftovers.
void check_root(host::host& h, const std::string& store, const folder_tree& history,
                std::vector<std::string>& problems) {
  std::unordered_set<std::string> folders;
  for (const folder_node* n = history.first(); n != nullptr; n = n->next) {
    folders.insert(folded_store_name(n->name));
  }
  std::vector<host::found_entry> entries;
  h.search(folder_search_pattern(store), entries);
  for (const host::found_entry& e : entries) {
    const std::string path = path_join(store, e.name);
    const bool folder = (e.attributes & host::k_directory) != 0 && !e.is_link && !e.is_special;
    if (is_change_log_name(e.name) && !folder &&
        folders.count(folded_store_name(e.name.substr(0, 8))) == 0) {
      problems.push_back("a change log without its history folder: " + path);
    } else if (is_history_folder_name(e.name) && !folder) {
      problems.push_back("an entry named as a history folder that is no folder: " + path);
    } else if (e.name == k_run_marker_name) {
      problems.push_back("the newest backup run did not finish (the next backup completes it): " +
                         path);
    } else if (e.name.compare(0, 6, ".zolk-") == 0 && !is_kept_store_file(e.name)) {
      problems.push_back("a file Zolk left behind: " + path);
    }
  }
}

// Gaps in the numbering, oldest first. The letter case of a name does not matter: a store
// copied to a disc or another system may come back in any.
void check_numbering(const std::vector<const folder_node*>& oldest_first, const std::string& store,
                     std::vector<std::string>& problems) {
  size_t expected = 1;
  for (const folder_node* n : oldest_first) {
    const size_t number = static_cast<size_t>(history_folder_number(n->name));
    if (number > expected) {
      const std::string missing = number == expected + 1
                                      ? four_digits(expected)
                                      : four_digits(expected) + "-" + four_digits(number - 1);
      problems.push_back("the numbering has a gap: no point " + missing + " below " +
                         path_join(store, n->name));
    }
    expected = number + 1;
  }
}

void check_points(host::host& h, const std::string& store,
                  const std::vector<const folder_node*>& oldest_first, verify_report& report) {
  entry_kinds older;
  std::string older_name;
  const change_log_finder logs(h, store);
  for (size_t i = 0; i < oldest_first.size(); ++i) {
    const folder_node& node = *oldest_first[i];
    point_check check;
    check.point = point_entry(node);
    const std::string folder = path_join(store, node.name);
    const folder_tree tree = scan_folder_tree(h, folder);
    check_tree(tree, folder, check.problems);
    const std::string log_path = logs.path_of(node.name);
    change_log_state state = change_log_state::read;
    const change_log log = logs.read(node.name, state);
    if (state == change_log_state::unreadable) {
      check.problems.push_back("the change log cannot be read: " + log_path);
    } else if (state == change_log_state::missing && i > 0) {
      check.problems.push_back("the change log is missing: " + log_path);
    }
    check_log_lines(log, log_path, i > 0 ? &older : nullptr, older_name, check.problems);
    older = kinds_of(tree);
    older_name = node.name;
    report.points.push_back(std::move(check));
  }
  std::reverse(report.points.begin(), report.points.end());  // newest first, as the point list
}

}  // namespace

bool verify_report::healthy() const {
  if (refused || !store_problems.empty() || !differences.empty()) return false;
  for (const point_check& p : points) {
    if (!p.problems.empty()) return false;
  }
  return true;
}

verify_report verify_store(host::host& h, const std::string& store, run_log& log) {
  verify_report report;
  // A store the lock file cannot be made in cannot be changed either: it is checked as it is,
  // and a cut prune in it is named below as a leftover marker.
  store_opening how;
  how.empty_answered = true;
  how.completion = store_completion::when_locked;
  const opened_store opened = open_store(h, store, how, log);
  if (opened.opened() == opened_store::state::empty) {
    report.refused = true;
    report.reason = "no restore points in " + store;
    return report;
  }
  if (opened.opened() == opened_store::state::busy) {
    report.refused = true;
    report.reason = "the store " + store + " is in use by another run";
    return report;
  }
  if (opened.completed() == cut_prune::failed) {
    report.store_problems.push_back("a prune that was cut off could not be completed: " +
                                    path_join(store, k_prune_marker_name));
  }
  const folder_tree history = scan_history_folders(h, store);
  std::vector<const folder_node*> oldest_first;
  for (const folder_node* n = history.first(); n != nullptr; n = n->next) {
    oldest_first.push_back(n);
  }
  std::reverse(oldest_first.begin(), oldest_first.end());
  check_root(h, store, history, report.store_problems);
  check_numbering(oldest_first, store, report.store_problems);
  check_points(h, store, oldest_first, report);
  return report;
}

}  // namespace engine
