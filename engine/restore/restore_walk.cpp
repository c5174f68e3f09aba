#include "engine/restore/restore_walk.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"

namespace engine {
namespace {

// What the history folder of one step did to a folder of the point (one letter per step).
constexpr char k_newest = 'I';  // step 0: the newest history folder's copy
constexpr char k_whole = 'W';   // replaced by the older folder's copy with everything in it
constexpr char k_merge = 'M';   // kept, with the older folder's entries merged in
constexpr char k_kept = 'N';    // the older folder does not hold it: only what the run created goes

struct found {
  std::string name;
  uint32_t time = 0;
  int64_t size = 0;
  uint32_t attributes = 0;
  bool is_folder() const { return (attributes & host::k_directory) != 0; }
};

std::string key_of(const std::string* relative, const std::string& name) {
  return relative ? *relative + '\\' + name : name;
}

}  // namespace

// One folder of the point as the steps so far have made it, and what each step did to each
// of its sub-folders (which the walk needs when it goes down into them).
struct restore_walk::level {
  struct entry {
    found what;
    size_t store = 0;  // the step whose history folder holds the copy
    bool removed = false;
  };
  std::vector<entry> entries;  // in list order; removed ones stay marked until the level goes
  std::unordered_map<std::string, size_t> by_name;
  std::unordered_map<std::string, std::string> steps;  // sub-folder name -> a letter per step
  size_t step_count = 0;

  void clear() {
    entries.clear();
    by_name.clear();
    steps.clear();
  }
  entry* find(const std::string& name) {
    const auto it = by_name.find(name);
    return it == by_name.end() ? nullptr : &entries[it->second];
  }
  void remove(const std::string& name) {
    const auto it = by_name.find(name);
    if (it == by_name.end()) return;
    entries[it->second].removed = true;
    by_name.erase(it);
    steps.erase(name);
  }
  // As the list appends: an entry of the same name goes first, the new one goes last. A
  // folder starts its steps afresh with `letter` at `step`.
  void append(const found& what, size_t store, char letter) {
    remove(what.name);
    by_name[what.name] = entries.size();
    entries.push_back(entry{what, store, false});
    if (what.is_folder()) {
      std::string& letters = steps[what.name];
      letters.assign(step_count, k_kept);
      letters[store] = letter;
    }
  }
};

restore_walk::restore_walk(host::host& h, std::vector<std::string> folders,
                           std::vector<change_log_index> logs)
    : h_(h), logs_(std::move(logs)) {
  for (std::string& folder : folders) {
    folders_.push_back(std::make_shared<const std::string>(std::move(folder)));
  }
  logs_.resize(folders_.size());
  log_failed_.assign(folders_.size(), false);
}

bool restore_walk::walk(const std::function<bool(const restore_item&)>& visit) {
  unreadable_.clear();
  if (folders_.empty()) return true;
  std::string steps(folders_.size(), k_merge);
  steps[0] = k_newest;
  return settle(nullptr, steps, visit);
}

namespace {

// The entries of one folder of a history folder that a restore may bring back.
std::vector<found> read_folder(host::host& h, const std::string& store_folder,
                               const std::string* relative, std::vector<std::string>& unreadable) {
  const piece sub = relative ? piece(*relative) : std::nullopt;
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(store_folder, sub), entries)) {
    unreadable.push_back(path_join(store_folder, sub));
  }
  std::vector<found> out;
  out.reserve(entries.size());
  for (host::found_entry& entry : entries) {
    // Special entries are never written by a run, nor links the host cannot read as links:
    // following one could read outside the store. A stored link comes back as a link.
    if (entry.name == "." || entry.name == ".." || is_copy_temp_name(entry.name) ||
        !restorable(entry)) {
      continue;
    }
    found f;
    f.name = std::move(entry.name);
    f.time = entry.time;
    f.attributes = restored_attributes(entry);
    f.size = f.is_folder() ? 0 : static_cast<int64_t>(entry.full_size);
    out.push_back(std::move(f));
  }
  return out;
}

}  // namespace

bool restore_walk::settle(const std::string* relative, const std::string& steps,
                          const std::function<bool(const restore_item&)>& visit) {
  level here;
  here.step_count = folders_.size();
  for (size_t step = 0; step < folders_.size(); ++step) {
    const char letter = steps[step];
    if (letter == k_newest || letter == k_whole) {
      here.clear();
      for (const found& f : read_folder(h_, *folders_[step], relative, unreadable_)) {
        here.append(f, step, letter);
      }
      continue;
    }
    if (letter != k_merge && letter != k_kept) continue;
    const change_log_index& log = logs_[step];
    std::vector<found> older;
    std::unordered_set<std::string> held;
    if (letter == k_merge) {
      older = read_folder(h_, *folders_[step], relative, unreadable_);
      for (const found& f : older) held.insert(f.name);
    }
    // What the newer run created and the older folder does not hold did not exist yet.
    if (log.created_count() != 0) {
      std::vector<std::string> gone;
      for (const auto& [name, at] : here.by_name) {
        if (held.count(name) == 0 && log.created(relative, name)) {
          gone.push_back(name);
        }
      }
      for (const std::string& name : gone) here.remove(name);
    }
    for (const found& f : older) {
      level::entry* listed = here.find(f.name);
      const bool named = log.named(relative, f.name);
      if (named || listed == nullptr || listed->what.is_folder() != f.is_folder()) {
        // Everything below comes from the older folder: a replaced entry's subtree is gone.
        here.append(f, step, k_whole);
      } else if (!f.is_folder()) {
        // The size follows the copy actually made, so the progress total stays true.
        listed->what = f;
        listed->store = step;
      } else {
        here.steps[f.name][step] = k_merge;
      }
    }
    if (log.failed() && !log_failed_[step]) {
      log_failed_[step] = true;
      failed_logs_.push_back(step);
    }
  }
  const shared_text folder =
      relative ? std::make_shared<const std::string>(*relative) : shared_text();
  for (const level::entry& e : here.entries) {
    if (e.removed) continue;
    restore_item item;
    item.store_folder = folders_[e.store];
    item.relative_folder = folder;
    item.time = e.what.time;
    item.size = e.what.size;
    item.attributes = e.what.attributes;
    item.name = e.what.name;
    if (!visit(item)) return false;
    if (!e.what.is_folder()) continue;
    const std::string inner = key_of(relative, e.what.name);
    if (!settle(&inner, here.steps[e.what.name], visit)) return false;
  }
  return true;
}

}  // namespace engine
