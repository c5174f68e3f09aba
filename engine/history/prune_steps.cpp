#include "engine/history/prune_steps.h"

#include "engine/common/file_copy.h"
#include "engine/common/messages.h"
#include "engine/common/paths.h"
#include "engine/history/point_times.h"
#include "engine/history/point_walk.h"
#include "engine/history/prune_merge.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

// The name of a folder's log as it stands now, in whatever letter case; looked up afresh at
// each step, as the steps before it rename logs.
std::string log_name(host::host& h, const std::string& store, const std::string& folder) {
  return change_log_finder(h, store).name_of(folder);
}

// Renames `from` to `to` at the store's root unless that was done already: true when `from`
// is gone (renamed before a crash, or never there). When both stand, `to` being taken means
// the rename was made before a crash and `from` is another entry's name now (`reused`), or
// else a failure.
bool rename_once(host::host& h, const std::string& store, const std::string& from,
                 const std::string& to, bool reused, std::string& failure) {
  const std::string source = path_join(store, from);
  if (!h.exists(source)) return true;
  if (reused && h.exists(path_join(store, to))) return true;
  if (h.rename_beneath(store, from, to, false)) return true;
  failure = source;
  return false;
}

bool merge_phase(host::host& h, const std::string& store, const prune_plan& plan,
                 std::string& failure) {
  if (!plan.thins()) return true;
  change_log_state state = change_log_state::read;
  const change_log_finder logs(h, store);
  const change_log thinned_log = logs.read(plan.thinned, state);
  if (state == change_log_state::unreadable) {
    failure = logs.path_of(plan.thinned);
    return false;
  }
  if (!h.is_folder_beneath(store, plan.older) || !h.is_folder_beneath(store, plan.thinned)) {
    failure = path_join(store, plan.thinned);
    return false;
  }
  if (!merge_history_folders(h, store, plan.older, plan.thinned, paths_named_by(thinned_log),
                             failure)) {
    return false;
  }
  // The point list shows a point by its folder's time, which the merge has just moved on.
  if (!h.set_folder_time(path_join(store, plan.older), plan.older_time)) h.take_failure_reason();
  return true;
}

bool log_phase(host::host& h, const std::string& store, const prune_plan& plan,
               std::string& failure) {
  const std::string temp = path_join(store, k_prune_log_temp_name);
  // Gone means it already took the newer log's place.
  if (!plan.thins() || !h.exists(temp)) return true;
  // The newer log is replaced under the name it has, so that no second spelling of it stays.
  const std::string newer_log = log_name(h, store, plan.newer);
  if (h.rename_beneath(store, k_prune_log_temp_name, newer_log, true)) return true;
  failure = path_join(store, newer_log);
  return false;
}

bool trash_phase(host::host& h, const std::string& store, const prune_plan& plan,
                 std::string& failure) {
  std::vector<std::string> going = plan.dropped;
  if (plan.thins()) going.push_back(plan.thinned);
  for (const std::string& name : going) {
    if (!rename_once(h, store, name, prune_trash_name(name), false, failure)) return false;
    const std::string log = log_name(h, store, name);
    if (!rename_once(h, store, log, prune_trash_name(log), false, failure)) {
      return false;
    }
  }
  return true;
}

bool renumber_phase(host::host& h, const std::string& store, const prune_plan& plan,
                    std::string& failure) {
  for (const prune_rename& r : plan.renames) {
    if (!rename_once(h, store, r.from, r.to, true, failure)) return false;
    if (r.log && !rename_once(h, store, log_name(h, store, r.from), r.to + k_change_log_extension,
                              true, failure))
      return false;
  }
  return true;
}

// Removes what a prune renamed aside or left half-made. Only names of Zolk's own files at the
// root are touched.
void remove_prune_leftovers(host::host& h, const std::string& store) {
  std::vector<host::found_entry> entries;
  h.search(folder_search_pattern(store), entries);
  for (const host::found_entry& entry : entries) {
    const bool ours = entry.name.compare(0, std::string(k_prune_trash_prefix).size(),
                                         k_prune_trash_prefix) == 0 ||
                      entry.name == k_prune_log_temp_name || entry.name == k_prune_marker_temp_name;
    if (ours) remove_entry(h, place{store, entry.name});
  }
}

}  // namespace

bool carry_out_prune(host::host& h, const std::string& store, prune_plan& plan,
                     std::string& failure) {
  using phase_step = bool (*)(host::host&, const std::string&, const prune_plan&, std::string&);
  const phase_step steps[] = {merge_phase, log_phase, trash_phase, renumber_phase};
  while (plan.phase != prune_phase::empty) {
    if (!steps[static_cast<int>(plan.phase)](h, store, plan, failure)) return false;
    // Each phase is on the disk before the marker says it is done.
    h.sync_volume(store);
    plan.phase = static_cast<prune_phase>(static_cast<int>(plan.phase) + 1);
    if (!write_prune_marker(h, store, plan)) {
      failure = path_join(store, k_prune_marker_name);
      return false;
    }
  }
  // Renames keep every time, but the merge moved the older folder's on.
  set_point_times_back(h, store);
  // Delete last: the store is whole without these; one that cannot be removed now is removed
  // by the next prune (verify names it meanwhile).
  remove_prune_leftovers(h, store);
  if (!h.remove_file(path_join(store, k_prune_marker_name))) {
    failure = path_join(store, k_prune_marker_name);
    return false;
  }
  h.sync_folder(store);
  return true;
}

cut_prune complete_cut_prune(host::host& h, const std::string& store, run_log& log) {
  bool present = false;
  std::optional<prune_plan> plan = read_prune_marker(h, store, &present);
  if (!plan) {
    if (!present) {
      remove_prune_leftovers(h, store);
      return cut_prune::none;
    }
    log.add_line(text(msg::prune_not_completed));
    log.add_line(text(msg::detail_prefix) + path_join(store, k_prune_marker_name) + "\r\n");
    return cut_prune::failed;
  }
  std::string failure;
  if (!carry_out_prune(h, store, *plan, failure)) {
    log.add_line(text(msg::prune_not_completed));
    log.add_line(text(msg::detail_prefix) + failure + "\r\n");
    return cut_prune::failed;
  }
  log.add_line(text(msg::prune_completed));
  log.add_line(text(msg::detail_prefix) + store + "\r\n");
  return plan->renames.empty() ? cut_prune::completed : cut_prune::renumbered;
}

}  // namespace engine
