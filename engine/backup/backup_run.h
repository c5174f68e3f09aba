// One history backup run: source into the history store in destination.
#ifndef ZOLK_ENGINE_BACKUP_RUN_H
#define ZOLK_ENGINE_BACKUP_RUN_H

#include <string>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"
#include "platform/host.h"

namespace engine {

// Runs a history backup of `source` into `destination` (CP932 texts as the fields hold them),
// reporting every step to `log` and how far it has come to `progress`. A refused run (root
// folders, destination inside the source, unreadable source, a store in use) changes nothing
// on disk. When `stop` (may be null) is requested, the run stops between two entries or two
// blocks of a copy and leaves the store as a cut run leaves it (its marker in place): the next
// run completes it. The closing line and the beep belong to the front end.
run_summary run_history_backup(host::host& h, const std::string& source,
                               const std::string& destination, run_log& log, run_progress& progress,
                               const stop_request* stop = nullptr);

}  // namespace engine

#endif
