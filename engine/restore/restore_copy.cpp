#include "engine/restore/restore_copy.h"

#include <vector>

#include "engine/common/copy_batch.h"
#include "engine/common/file_copy.h"
#include "engine/common/messages.h"
#include "engine/common/paths.h"

namespace engine {
namespace {

void report(run_log& log, msg what, const std::string& path) {
  log.add_line(text(what) + text(msg::detail_prefix) + path);
}

// The same for a failure of the system, with its reason.
// The same with a reason taken earlier (empty: none known), as a batched copy hands it on.
void report(run_log& log, msg what, const std::string& path, const std::string& reason) {
  report(log, what, path);
  if (!reason.empty()) log.add_reason(reason);
}

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

enum class restored { done, failed, stopped, skipped };

std::string source_of(const restore_item& item) {
  return path_join(*item.store_folder,
                   item.relative_folder ? piece(*item.relative_folder) : std::nullopt, item.name);
}

// A file copied here, with its blocks shown as they are written.
restored restore_file(host::host& h, const restore_item& item, const place& target,
                      transfer_buffer& buffer, run_log& log, progress_meter& meter) {
  const int result =
      copy_file_with_progress(h, meter, buffer, k_block_length, source_of(item), target);
  if (result == k_copy_done) return restored::done;
  if (result == k_copy_stopped) return restored::stopped;
  if (result == k_copy_link_not_made) {
    report(log, msg::link_not_stored, target.path());
    return restored::skipped;
  }
  report(h, log, msg::restore_file_not_copied, target.path());
  return restored::failed;
}

// Restores the items it is handed, in their order, and counts them. Where the host allows,
// the small files of one folder are gathered into a batch; the first batch goes to a helper
// thread and the next one, always of another folder (both write through the process's
// temporary name), is copied here meanwhile (see copy_batch). Every line waits until the
// lines of the files before it are written, so the lines are those of one thread.
class restorer {
 public:
  restorer(host::host& h, run_log& log, progress_meter& meter, run_summary& summary)
      : h_(h),
        log_(log),
        meter_(meter),
        summary_(summary),
        batch_(h, meter.stop_source(), batch_writes::through_temporary_name) {}

  // Restores `item` at `target`, or refuses it (`in_history`). False once the restore was
  // stopped.
  bool restore(const restore_item& item, const place& target, bool in_history);
  // Copies and reports the files still gathered (unless the restore was stopped) and those
  // with the helper.
  void finish() {
    if (!summary_.stopped) send_gathered();
    drain();
  }

 private:
  bool joins_batch(const restore_item& item) const {
    return batch_.shared() && !item.is_folder() &&
           static_cast<uint64_t>(item.size) <= k_batch_file_length;
  }
  void gather(const restore_item& item, const place& target);
  void send_gathered();
  void drain();
  void report_batch(const std::vector<batch_file>& files);
  void count(restored outcome) {
    if (outcome == restored::skipped) {
      ++summary_.skipped;
      return;
    }
    ++(outcome == restored::done ? summary_.copied : summary_.failed);
  }

  host::host& h_;
  run_log& log_;
  progress_meter& meter_;
  run_summary& summary_;
  transfer_buffer buffer_ = make_transfer_buffer();
  std::vector<batch_file> gathered_;  // the files of one folder, not yet copied
  std::string gathered_folder_;
  std::string started_folder_;  // of the helper's batch, which waits for drain()
  copy_batch batch_;
};

bool restorer::restore(const restore_item& item, const place& target, bool in_history) {
  if (!in_history && joins_batch(item)) {
    gather(item, target);
    return true;
  }
  send_gathered();
  if (!item.is_folder() || in_history) drain();  // no two copies into one folder at once
  meter_.begin_entry(target.path());
  restored outcome = restored::failed;
  if (in_history) {
    report(log_, msg::restore_item_in_history, target.path());
  } else if (!item.is_folder()) {
    outcome = restore_file(h_, item, target, buffer_, log_, meter_);
  } else if (make_folder(h_, target)) {
    // The stored folder's bits are given before anything goes into it: the files that follow
    // are made private, and take their own bits once whole.
    give_folder_permissions(h_, source_of(item), target, false);
    outcome = restored::done;
  } else {
    // A new folder is never the helper's, which copies into a folder made before it.
    const std::string reason = h_.take_failure_reason();
    drain();
    report(log_, msg::restore_folder_not_created, target.path(), reason);
  }
  meter_.end_entry();
  if (outcome == restored::stopped) {
    summary_.stopped = true;
    return false;
  }
  count(outcome);
  return true;
}

void restorer::gather(const restore_item& item, const place& target) {
  const std::string folder = item.relative_folder ? *item.relative_folder : std::string();
  if (!gathered_.empty() && (gathered_.size() == k_batch_files || folder != gathered_folder_)) {
    send_gathered();
  }
  gathered_folder_ = folder;
  gathered_.emplace_back();
  gathered_.back().source = source_of(item);
  gathered_.back().target = target;
}

void restorer::send_gathered() {
  if (gathered_.empty()) return;
  if (batch_.started() && started_folder_ == gathered_folder_) drain();
  if (!batch_.started()) {
    started_folder_ = gathered_folder_;
    batch_.start(std::move(gathered_));
    gathered_.clear();
    return;
  }
  batch_.copy_here(gathered_);
  drain();
  report_batch(gathered_);
  gathered_.clear();
}

void restorer::drain() {
  if (batch_.started()) report_batch(batch_.finish());
}

void restorer::report_batch(const std::vector<batch_file>& files) {
  // The files a batch started are its first ones; a stop request left the rest.
  for (const batch_file& f : files) {
    if (f.result == k_copy_not_started) {
      summary_.stopped = true;
      return;
    }
    replay_progress(meter_, f, f.target.path());
    if (f.result == k_copy_stopped) {
      summary_.stopped = true;
      continue;
    }
    if (f.result == k_copy_link_not_made) {
      report(log_, msg::link_not_stored, f.target.path());
      count(restored::skipped);
      continue;
    }
    if (f.result != k_copy_done) {
      report(log_, msg::restore_file_not_copied, f.target.path(), f.reason);
    }
    count(f.result == k_copy_done ? restored::done : restored::failed);
  }
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
  const std::vector<std::string> made = missing_folders(h, target_folder);
  create_parent_folders(h, path_join(target_folder, "x"));
  if (!make_folder(h, target_folder)) {
    report(h, log, msg::restore_folder_not_created, target_folder);
    remove_made_folders(h, made);
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
  restorer copier(h, log, meter, summary);
  feed([&](const restore_item& item) {
    if (meter.stop_requested()) {
      summary.stopped = true;
      return false;
    }
    const place target{target_folder, item.relative_folder
                                          ? path_join(*item.relative_folder, item.name)
                                          : item.name};
    const bool in_history =
        guard && (path_is_within(target.path(), store) ||
                  path_is_within(path_join(real_target, target.relative), real_store));
    return copier.restore(item, target, in_history);
  });
  copier.finish();
  if (summary.stopped) {
    log.add_line(text(msg::interrupted));
    log.add_line(text(msg::restore_stopped));
  }
  log.add_line(text(msg::restore_end));
  return summary;
}

}  // namespace engine
