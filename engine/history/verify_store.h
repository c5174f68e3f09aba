// zolk-cli verify: is the history store whole, and does its newest point hold the source?
//
// The store as a whole: history folders numbered 0001, 0002, ... without a gap and in the case
// a run writes them; no change log without its folder; none of Zolk's temporary files left at
// the root; no run marker (a backup that did not finish). A prune cut off is completed first.
// Each point: its folder can be read to the bottom and holds no leftover of a cut copy and no
// link or special entry; its change log (every point's but the oldest's, which no restore
// reads) is there and can be read; every line has one of the four codes and a path that stays
// inside the store; and every "D   " and "D-C " line names an entry the next older folder
// holds ("D-C " a file), as the run that wrote it left it. "C   " and "S   " lines are not
// looked up: a completed cut run may rightly leave one naming a file it then removed.
//
// With a source, the newest point is compared with it by content (bytes, never times).
#ifndef ZOLK_ENGINE_VERIFY_STORE_H
#define ZOLK_ENGINE_VERIFY_STORE_H

#include <string>
#include <vector>

#include "engine/common/run_sinks.h"
#include "platform/host.h"

namespace engine {

struct point_check {
  std::string point;                  // as the point list shows it
  std::vector<std::string> problems;  // empty when the point is sound
};

struct verify_report {
  bool refused = false;  // nothing could be checked: no store, or it is in use
  std::string reason;    // why, when refused
  std::vector<std::string> store_problems;
  std::vector<point_check> points;       // newest first
  std::vector<std::string> differences;  // newest point against the source
  bool compared = false;                 // a source was given and compared
  bool healthy() const;
};

// Checks the store (see above). `log` hears the lines of completing a cut prune. Problems and
// differences are English texts ending in the path they concern.
verify_report verify_store(host::host& h, const std::string& store, run_log& log);

// Compares the newest point of `store` with `source` by content, adding each difference to
// `report.differences`: an entry only one side holds (a folder stands for everything under
// it), a file on one side and a folder on the other, files whose bytes differ, and what could
// not be read. Entries the source holds that no run can back up (links, special files) are
// passed over.
void compare_with_source(host::host& h, const std::string& store, const std::string& source,
                         verify_report& report);

}  // namespace engine

#endif
