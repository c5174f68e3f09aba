// What a backup run or a restore did, besides its log lines.
#ifndef ZOLK_ENGINE_RUN_SUMMARY_H
#define ZOLK_ENGINE_RUN_SUMMARY_H

#include <cstdint>

namespace engine {

struct run_summary {
  int64_t copied = 0;   // files copied (and folders created by a restore)
  int64_t moved = 0;    // entries moved into history
  int64_t failed = 0;   // entries that could not be copied, moved, created or read
  bool refused = false; // the run stopped before changing anything (a refusal or a failed start)
  bool ok() const { return !refused && failed == 0; }
};

}  // namespace engine

#endif
