// zolk-cli prune: dropping old points from the history store, or thinning one point out.
//
// Which points go:
// - keep_last N: every point but the N newest;
// - keep_since T: every point made before T (a point's time is its history folder's), but
//   never the newest;
// - point P: the point P alone. The oldest point goes whole; a point between two others is
//   thinned (prune_merge.h); the newest point is the copy of the source and never goes.
// Dropping a point drops the last stored copy of every file deleted, and of every version
// replaced, before the next point was made: those existed only in that point.
//
// Numbering: the points left are numbered 0001, 0002, ... again, oldest first, so that the
// store stays exactly as a run of backups would leave it. Backup and restore would cope with a
// gap (each finds the folder just older than another by listing, not by number, and the next
// run takes the newest number plus one), but then a gap a prune made could not be told from a
// history folder lost by damage, and the 9999 points a store can number would run out however
// few it keeps. The price is that a point's number changes: a prune lists the new numbers.
//
// A prune takes the store's lock, refuses a store whose newest run did not finish (its
// marker is still there: the next backup completes it first) and a store whose numbering has a
// gap, and first completes a prune that was cut off. The changes are crash-safe (prune_steps.h).
#ifndef ZOLK_ENGINE_PRUNE_RUN_H
#define ZOLK_ENGINE_PRUNE_RUN_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/common/run_sinks.h"
#include "platform/host.h"

namespace engine {

struct prune_request {
  enum class rule { keep_last, keep_since, point };
  std::string store;
  rule how = rule::keep_last;
  int keep_last = 1;     // rule::keep_last: at least 1
  uint32_t since = 0;    // rule::keep_since: a packed local time
  int point = 0;         // rule::point: the number of the point
  bool dry_run = false;  // only tell what would go: nothing is written, not even the lock file
};

struct prune_result {
  enum class outcome { pruned, nothing_to_do, refused, failed };
  outcome status = outcome::refused;
  std::string reason;                // refused or failed: why, in English, with the path
  std::vector<std::string> dropped;  // points that go whole, as the point list shows them
  std::string thinned;               // the thinned point, as the point list shows it
  int64_t bytes_freed = 0;           // what the removed files held
  int64_t files_freed = 0;           // files removed (folders not counted)
  std::vector<std::pair<std::string, std::string>> renumbered;  // old and new four digits
  // Refused (a dry run): a prune cut off earlier waits to be completed, which only a command that
  // writes does. `reason` is then empty: the front end tells how, in terms of its own commands.
  bool cut_prune_waits = false;
};

// Prunes as `request` says (see above). `log` hears the lines of completing a cut prune.
prune_result prune_store(host::host& h, const prune_request& request, run_log& log);

// Reads "YYYY-MM-DD" or "YYYY/MM/DD", optionally followed by " HH:MM" or " HH:MM:SS" (or "T"
// in place of the blank), as a packed local time. False when the text is no such date.
bool parse_prune_date(const std::string& text, uint32_t& packed);

}  // namespace engine

#endif
