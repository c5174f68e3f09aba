// The versions of one file or folder across the points of a history store.
#ifndef ZOLK_ENGINE_POINT_VERSIONS_H
#define ZOLK_ENGINE_POINT_VERSIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "engine/history/opened_store.h"
#include "platform/host.h"

namespace engine {

// The path at one point, as a restore of that point would bring it back.
struct path_version {
  std::string point_entry;  // the point as the point list shows it ("0003: 2026/...")
  bool present = false;     // the path stands at this point
  bool deleted = false;     // absent here, present at the next older point: the run that
                            // made this point deleted it
  bool is_folder = false;
  uint32_t time = 0;      // packed time of the stored copy
  int64_t size = 0;       // 0 for a folder
  std::string stored_in;  // the history folder holding the copy (its name)
};

struct path_versions_result {
  enum class state {
    read,      // `versions` holds one entry per point, newest first
    no_store,  // the store holds no history folder
    bad_path,  // the path names no entry (empty, the top itself, "." or "..")
    no_path,   // the path stands at no point
    busy,      // another process holds the store's lock (a prune may be renumbering it)
  };
  state outcome = state::no_store;
  std::vector<path_version> versions;
  std::vector<std::string> unread_logs;  // change logs that could not be read: points older
                                         // than them may show entries of later points
};

// Every point of the history in `store`, newest first, with what `path` (a path inside the
// point, `\` or `/` separated) was at that point. One walk over the store: as costly as one
// restore of the oldest point.
path_versions_result read_path_versions(const opened_store& store, const std::string& path);
// The same, opening the store to read for the time it takes (busy when another holds it).
path_versions_result read_path_versions(host::host& h, const std::string& store,
                                        const std::string& path);

}  // namespace engine

#endif
