#include "engine/restore_copy.h"

#include <vector>

#include "engine/file_copy.h"
#include "engine/messages.h"
#include "engine/paths.h"

namespace engine {
namespace {

void report(run_log& log, msg what, const std::string& path) {
  log.add_line(text(what) + text(msg::detail_prefix) + path);
}

// The same for a failure of the system, with its reason.
void report(host::host& h, run_log& log, msg what, const std::string& path) {
  report(log, what, path);
  report_failure_reason(h, log);
}

// A folder that already stands there is as good as a new one; anything else in its place
// (a file, an unreadable entry) is not. A restore cut in the middle of a copy leaves the
// copy's temporary file in its folder: the next restore into the same folder takes it away.
bool make_folder(host::host& h, const std::string& path) {
  if (h.create_folder(path)) return true;
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(path), entries)) return false;
  for (const host::found_entry& entry : entries) {
    if (is_copy_temp_name(entry.name) && (entry.attributes & host::k_directory) == 0) {
      h.remove_file(path_join(path, entry.name));
    }
  }
  return true;
}

// The same below the target: a link in the folder's place, or on the way to it, is never
// taken for the folder, and leftovers are removed without following one either.
bool make_folder(host::host& h, const place& folder) {
  if (h.create_folder_beneath(folder.base, folder.relative)) return true;
  if (!h.is_folder_beneath(folder.base, folder.relative)) return false;
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(folder.path()), entries)) return false;
  for (const host::found_entry& entry : entries) {
    if (is_copy_temp_name(entry.name) && (entry.attributes & host::k_directory) == 0) {
      h.remove_file_beneath(folder.base, path_join(folder.relative, entry.name));
    }
  }
  return true;
}

// The work of the list: its items and the bytes of its files.
void plan_restore(const restore_list& list, progress_meter& meter) {
  int64_t bytes = 0;
  for (const restore_item* item = list.first(); item != nullptr; item = item->next) {
    if (!item->is_folder()) bytes += item->size;
  }
  meter.plan(static_cast<int64_t>(list.size()), bytes);
}

enum class restored { done, failed, stopped };

restored restore_one(host::host& h, const restore_item& item, const place& target,
                     transfer_buffer& buffer, run_log& log, progress_meter& meter) {
  if (item.is_folder()) {
    if (make_folder(h, target)) return restored::done;
    report(h, log, msg::restore_folder_not_created, target.path());
    return restored::failed;
  }
  const std::string source =
      path_join(*item.store_folder,
                item.relative_folder ? piece(*item.relative_folder) : std::nullopt, item.name);
  const int result = copy_file_with_progress(h, meter, buffer, k_block_length, source, target);
  if (result == k_copy_done) return restored::done;
  if (result == k_copy_stopped) return restored::stopped;
  report(h, log, msg::restore_file_not_copied, target.path());
  return restored::failed;
}

}  // namespace

run_summary run_restore(host::host& h, const std::string& target_folder, const restore_list& list,
                        run_log& log, progress_meter& meter, const std::string& store) {
  plan_restore(list, meter);
  const restore_feed feed = [&list](const std::function<bool(const restore_item&)>& each) {
    for (const restore_item* item = list.first(); item != nullptr; item = item->next) {
      if (!each(*item)) return;
    }
  };
  return restore_items(h, target_folder, feed, log, meter, store);
}

run_summary restore_items(host::host& h, const std::string& target_folder, const restore_feed& feed,
                          run_log& log, progress_meter& meter, const std::string& store) {
  run_summary summary;
  transfer_buffer buffer = make_transfer_buffer();
  create_parent_folders(h, path_join(target_folder, "x"));
  if (!make_folder(h, target_folder)) {
    report(h, log, msg::restore_folder_not_created, target_folder);
    ++summary.failed;
    log.add_line(text(msg::restore_end));
    return summary;
  }
  // Folders are listed before their contents, so each item's folder is already made (or
  // its failure reported) when the item comes.
  // Compared by real location: a store reached by another spelling is the same store.
  const std::string real_store = store.empty() ? std::string() : h.real_path(store);
  const std::string real_target = h.real_path(target_folder);
  const bool guard =
      !store.empty() &&
      (path_is_within(store, target_folder) ||
       (!real_store.empty() && !real_target.empty() && path_is_within(real_store, real_target)));
  feed([&](const restore_item& entry) {
    const restore_item* item = &entry;
    if (meter.stop_requested()) {
      summary.stopped = true;
      return false;
    }
    const place target{target_folder, item->relative_folder
                                          ? path_join(*item->relative_folder, item->name)
                                          : item->name};
    meter.begin_entry(target.path());
    restored outcome = restored::failed;
    if (guard && (path_is_within(target.path(), store) ||
                  path_is_within(path_join(real_target, target.relative), real_store))) {
      report(log, msg::restore_item_in_history, target.path());
    } else {
      outcome = restore_one(h, *item, target, buffer, log, meter);
    }
    meter.end_entry();
    if (outcome == restored::stopped) {
      summary.stopped = true;
      return false;
    }
    ++(outcome == restored::done ? summary.copied : summary.failed);
    return true;
  });
  if (summary.stopped) {
    log.add_line(text(msg::interrupted));
    log.add_line(text(msg::restore_stopped));
  }
  log.add_line(text(msg::restore_end));
  return summary;
}

}  // namespace engine
