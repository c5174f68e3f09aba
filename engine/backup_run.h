// One history backup run: source into the history store in destination.
#ifndef ZOLK_ENGINE_BACKUP_RUN_H
#define ZOLK_ENGINE_BACKUP_RUN_H

#include <string>

#include "engine/run_sinks.h"
#include "engine/run_summary.h"
#include "platform/host.h"

namespace engine {

// Runs a history backup of `source` into `destination` (CP932 texts as the fields hold them),
// reporting every step to `log` and large copies to `progress`. Always ends with the closing
// line. A refused run (root folders, destination inside the source, unreadable source)
// changes nothing on disk.
run_summary run_history_backup(host::host& h, const std::string& source,
                               const std::string& destination, run_log& log,
                               run_progress& progress);

}  // namespace engine

#endif
