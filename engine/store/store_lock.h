// The lock that lets one backup run, restore or other change work on a store at a time.
#ifndef ZOLK_ENGINE_STORE_LOCK_H
#define ZOLK_ENGINE_STORE_LOCK_H

#include <memory>
#include <string>

#include "engine/common/run_sinks.h"
#include "platform/host.h"

namespace engine {

// The lock file, recognised only at the destination root. It stays there between runs:
// removing it while another process may be opening it would let two runs lock two files.
constexpr const char* k_store_lock_name = ".zolk-lock";

// True for the files a store keeps at its root between runs, beside its history folders and
// change logs: the lock and the check record (change_check.h). Never a leftover of a cut run.
bool is_kept_store_file(const std::string& name);

// Takes the lock of the store in `destination` (which must exist), without waiting.
host::lock_result lock_store(host::host& h, const std::string& destination);

// The lines of a store that another process holds: the busy text, then "==> " and the
// destination.
void report_store_busy(run_log& log, const std::string& destination);

}  // namespace engine

#endif
