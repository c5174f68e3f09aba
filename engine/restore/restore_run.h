// Restore: rebuilds the tree of a chosen restore point inside a target folder.
#ifndef ZOLK_ENGINE_RESTORE_RUN_H
#define ZOLK_ENGINE_RESTORE_RUN_H

#include <string>
#include <vector>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"
#include "engine/store/point_choice.h"
#include "platform/host.h"

namespace engine {

// What a restore rebuilds, and where.
struct restore_request {
  point_choice point = point_choice::newest();  // the newest, or a number (Zolk0002: 2)
  std::string store;       // the destination folder holding the history folders
  std::string source;      // the job's source folder: only named in the opening lines
  std::string target;      // the folder the tree is rebuilt in
  bool overwrite = false;  // a target that already holds entries is restored into (entries
                           // of the same names are overwritten); otherwise it is refused
  std::vector<std::string> paths{};  // only these entries of the point (paths inside it, `\` or
                                     // `/` separated, see entry_key), each with everything
                                     // under it and the folders above it; empty: the whole point
  // The bytes of change-log paths a restore of an older point holds in memory, for all the
  // later runs together; past it, a log's paths go to a temporary file in the store (when
  // the store's lock is held) and only a filter and a sample of them stay in memory.
  size_t index_budget = size_t{4} << 20;
};

// Lists the store once (under its lock), writes the opening lines (the point named as the
// point list shows it), gathers the restore list of the chosen point and restores it
// (run_restore). No history folder: refused with `no_points` and no line; a number below 1
// names no point: refused with no line. A missing or unfinished point, a refused target
// (restore_target.h), or a target holding entries without `overwrite` (front_msg::target_not_empty,
// `needs_consent`), or a chosen path the point does not hold: refused with lines saying why,
// nothing written. `stop` (may be null) ends the restore between two entries, with lines saying so.
run_summary start_restore(host::host& h, const restore_request& request, run_log& log,
                          run_progress& progress, const stop_request* stop = nullptr);

// What start_restore would answer `request` before it writes anything, for a front end that
// asks the user first. Nothing is written, not even the lock file.
enum class restore_check {
  ready,             // it would restore
  needs_consent,     // the target holds entries and the request does not allow `overwrite`
  point_unfinished,  // the point of a backup run that was stopped or killed and not yet
                     // completed by the next run (unfinished_folder): it cannot be restored
  refused,           // no such point, or a refused target: start_restore says why in lines
};
restore_check check_restore(host::host& h, const restore_request& request);

}  // namespace engine

#endif
