// The copying half of a restore: the folders and files of a restore list into a target.
#ifndef ZOLK_ENGINE_RESTORE_COPY_H
#define ZOLK_ENGINE_RESTORE_COPY_H

#include <functional>
#include <string>

#include "engine/common/progress_meter.h"
#include "engine/common/run_summary.h"
#include "engine/restore/restore_list.h"
#include "platform/host.h"

namespace engine {

// Creates the target folder (with the folders above it) and then every folder and file of
// the list below it, in list order: files are copied with their stored time, a folder that
// is already there counts as made. Every folder that cannot be made and every file that
// cannot be copied gets an "err:" line naming it; the run goes on and always ends with the
// closing line. When `store` (may be empty) lies below the target, nothing is written inside
// it: an item whose path leads there is refused with its own line.
// Progress: the list's items and the bytes of its files, each item as it is restored. A stop
// request ends the restore between two items (or two blocks of a copy) with lines saying so;
// what was restored stays in the target.
run_summary run_restore(host::host& h, const std::string& target_folder, const restore_list& list,
                        run_log& log, progress_meter& meter, const std::string& store);

// Hands each item of a restore to `each`, in restore order (a folder before its contents),
// until `each` returns false.
using restore_feed = std::function<void(const std::function<bool(const restore_item&)>& each)>;

// run_restore over the items a feed hands on. The progress plan is the caller's.
run_summary restore_items(host::host& h, const std::string& target_folder, const restore_feed& feed,
                          run_log& log, progress_meter& meter, const std::string& store);

}  // namespace engine

#endif
