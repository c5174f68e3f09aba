// Restore: rebuilds the tree of a chosen restore point inside a target folder.
#ifndef ZOLK_ENGINE_RESTORE_RUN_H
#define ZOLK_ENGINE_RESTORE_RUN_H

#include <string>
#include <vector>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"
#include "platform/host.h"

namespace engine {

// What a restore rebuilds, and where.
struct restore_request {
  int point = 0;           // the number of the chosen point's history folder (Zolk0002: 2);
                           // 0 means nothing chosen
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
// (run_restore). Nothing chosen or no history folder: returns refused with no line. A missing
// or unfinished point (restore_point_unfinished), a refused target (restore_target.h), or a target
// holding entries without `overwrite`, or a chosen path the point does not hold: refused with lines
// saying why, nothing written. `stop` (may be null) ends the restore between two entries, with
// lines saying so.
run_summary start_restore(host::host& h, const restore_request& request, run_log& log,
                          run_progress& progress, const stop_request* stop = nullptr);

// True when `point` of the history in `store` is the point of a backup run that was stopped or
// killed and not yet completed by the next run (unfinished_folder): start_restore refuses it
// with restore_point_unfinished before anything is written.
bool restore_point_unfinished(host::host& h, const std::string& store, int point);

// True when start_restore would find the point and accept the target, and the target already
// holds entries: the restore then needs `overwrite`, which the user is asked for first.
bool restore_needs_consent(host::host& h, const restore_request& request);

}  // namespace engine

#endif
