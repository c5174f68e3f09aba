// Walking the points of a history store: finding a point's history folder and the change log
// of the run that made it, and rolling a restore list back from the newest point, one point
// at a time. The restore and the history tools (a point's changes, the versions of a path)
// all read the store through this.
#ifndef ZOLK_ENGINE_POINT_WALK_H
#define ZOLK_ENGINE_POINT_WALK_H

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/backup/snapshot.h"
#include "engine/restore/restore_list.h"
#include "engine/store/change_log.h"
#include "engine/store/change_log_index.h"
#include "engine/store/point_choice.h"
#include "platform/host.h"

namespace engine {

// The history folder of the chosen point in the history-folder list (the newest is the first);
// null when the store has none.
const folder_node* find_point(const folder_tree& history, const point_choice& point);

// The change logs beside the history folders, found by one search of the store. A log is
// found in any letter case, and a folder whose name differs in letter case from its log
// (zolk0002 beside Zolk0002.Zcl, ZOLK0002.ZCL) still finds it on a file system that tells
// case apart.
class change_log_finder {
 public:
  change_log_finder(host::host& h, const std::string& store);

  // The log of the run that made `folder_name`, empty when there is none; `state` tells
  // whether it was read whole, missing, or unreadable (lines read before a failure are kept).
  change_log read(const std::string& folder_name, change_log_state& state) const;
  // The same log as an index of the paths it names, read a line at a time (spilling to a
  // file past a budget when `spill` is given).
  change_log_index read_index(const std::string& folder_name, change_log_state& state,
                              const index_spill* spill = nullptr) const;

  // The name of that log as it stands in the store, in whatever letter case (or as a run
  // would write it, when missing), and its path.
  std::string name_of(const std::string& folder_name) const;
  std::string path_of(const std::string& folder_name) const;

 private:
  const std::string* stem_of(const std::string& folder_name) const;

  host::host& h_;
  std::string store_;
  std::unordered_map<std::string, std::vector<std::string>> stems_;
};

// Called with each point the walk reaches, after `list` was rolled back to it.
using point_reached = std::function<void(const folder_node& point, const restore_list& list)>;

// Fills `list` with the tree of the newest history folder, then rolls it back over every
// older history folder, newest first, down to `last` (null: down to the oldest), each with
// the change log of the folder just newer. `reached` (may be empty) sees every point on the
// way, the newest included. The paths of logs that could not be read go to `unread_logs`;
// the folder older than such a log is applied as for a run that wrote no log.
void walk_points(host::host& h, const std::string& store, const folder_tree& history,
                 const folder_node* last, restore_list& list, std::vector<std::string>& unread_logs,
                 const point_reached& reached = {});

// The list key ("docs\a.txt") of a path inside a point as a user names it: `\` and `/`
// both separate, leading, trailing and doubled separators do not count. Nullopt for a path
// that names no entry: empty, the top itself, or holding a "." or ".." piece.
std::optional<std::string> entry_key(std::string_view path);

}  // namespace engine

#endif
