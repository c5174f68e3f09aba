// What the run that made a point changed, decoded from its change log.
#ifndef ZOLK_ENGINE_POINT_CHANGES_H
#define ZOLK_ENGINE_POINT_CHANGES_H

#include <string>
#include <vector>

#include "engine/history/opened_store.h"
#include "engine/store/change_log.h"
#include "engine/store/point_choice.h"
#include "platform/host.h"

namespace engine {

enum class change_kind {
  new_folder,     // "S   ": the folder and everything in it
  new_file,       // "C   "
  changed,        // "D-C ": the earlier version went to the next older history folder; also
                  // an entry of the same kind at both points that a prune merged into a
                  // deletion and a new entry (a folder then came back whole)
  deleted,        // "D   ": a file, or a folder with everything in it
  became_folder,  // a file replaced by a folder of the same name ("D   " then "S   ")
  became_file,    // a folder replaced by a file of the same name ("D   " then "C   ")
};

struct point_change {
  change_kind kind;
  std::string path;     // as the log holds it: "\top.txt" at the top, "docs\a.txt" below
  bool folder = false;  // the entry is a folder (for a deletion: the entry that went)
};

// The entries of a change log, one per path and kind, in log order. A deletion and a new
// entry of the same path are one type change, placed where the new entry stands. Lines of
// any other code, and lines repeated by a run completed after a cut, are left out.
std::vector<point_change> decode_changes(const change_log& log);

// The outcome of reading the changes of one point of a store.
struct point_changes_result {
  enum class state {
    read,        // `changes` is the whole log (possibly empty: a run that found nothing)
    no_store,    // the store holds no history folder
    no_point,    // the store has no point of that number
    no_log,      // the run that made the point left no change log
    unreadable,  // the log could not be read to its end; `changes` holds what was read
    busy,        // another process holds the store's lock (a prune may be renumbering it)
  };
  state outcome = state::no_store;
  std::string point_entry;  // the point as the point list shows it ("0003: 2026/...")
  std::string log_path;     // the change log's path in the store
  std::vector<point_change> changes;
};

// The changes of the chosen point of the history in `store`. What the next older
// history folder holds at each deleted path settles what the log cannot tell: whether a
// deletion took a folder, and whether a deletion plus a new entry changed the entry's kind.
point_changes_result read_point_changes(const opened_store& store, const point_choice& point);
// The same, opening the store to read for the time it takes (busy when another holds it).
point_changes_result read_point_changes(host::host& h, const std::string& store,
                                        const point_choice& point);

}  // namespace engine

#endif
