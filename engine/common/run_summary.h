// What a backup run or a restore did, besides its log lines.
#ifndef ZOLK_ENGINE_RUN_SUMMARY_H
#define ZOLK_ENGINE_RUN_SUMMARY_H

#include <cstdint>

namespace engine {

struct run_summary {
  int64_t copied = 0;      // files copied (and folders created by a restore)
  int64_t moved = 0;       // entries moved into history
  int64_t failed = 0;      // entries that could not be copied, moved, created or read
  int64_t skipped = 0;     // links left out where no link can be made (not a failure)
  bool refused = false;    // the run stopped before changing anything (a refusal or a failed start)
  bool stopped = false;    // the user asked the run to stop and it did, leaving its work cut
  bool alert = false;      // the refusal calls for the user's attention (the desktop program beeps)
  bool no_points = false;  // refused: the store holds no restore point (a restore then
                           // writes no line: the front end says so in its own words)
  bool needs_consent = false;  // refused: the restore target holds entries and the request
                               // did not allow restoring over them
  bool ok() const { return !refused && !stopped && failed == 0; }
};

}  // namespace engine

#endif
