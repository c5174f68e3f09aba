// The tree of a restore point, worked out folder by folder.
//
// The roll-back of restore_rollback.h applies each older history folder to the whole list of
// the newest one. Its outcome at any one path depends only on what the history folders hold
// at that path and above it, and on the change logs' lines for those paths. So the walk below
// settles one folder at a time, for every history folder from the newest down to the point,
// and hands its entries on in tree order (a folder before its contents) before it goes deeper.
// It holds the folder it settles and the folders on the way to it (for each, what every history
// folder made of it), never the whole tree: memory follows the largest folder, the depth and
// the number of points, not the number of entries. Besides, it holds an index of the paths the
// change logs of the later runs name (change_log_index.h): about 24 bytes and the path for
// each entry those runs changed, deleted or created, unless the index was given a budget and
// a file to spill to, when it holds a filter and a sample of bounded size.
//
// Each entry comes from the same history folder, with the same time, length and attributes,
// as in the list gather_folder_items and roll_back_folder build. The order differs only where
// the roll-back brings in entries of older folders: the list puts them after everything else,
// the walk puts them after the other entries of their own folder.
#ifndef ZOLK_ENGINE_RESTORE_WALK_H
#define ZOLK_ENGINE_RESTORE_WALK_H

#include <functional>
#include <string>
#include <vector>

#include "engine/restore/restore_list.h"
#include "engine/restore/restore_rollback.h"
#include "platform/host.h"

namespace engine {

class restore_walk {
 public:
  // `folders`: the paths of the history folders from the newest down to the chosen point.
  // `logs[i]` (i >= 1): the change log of folders[i - 1], the run that moved entries into
  // folders[i]; logs[0] is not used.
  restore_walk(host::host& h, std::vector<std::string> folders, std::vector<change_log_index> logs);

  // Calls `visit` for every entry of the point, a folder before its contents, and stops as
  // soon as it returns false. The item's tree links are not set; its texts live during the call.
  // Returns false when stopped.
  bool walk(const std::function<bool(const restore_item&)>& visit);

  // The folders of the store that could not be listed during the last walk, in the order met.
  const std::vector<std::string>& unreadable() const { return unreadable_; }
  // The steps whose change-log index could not be read back from its file (change_log_index
  // failed()), each once, in the order met; a walk after the failure may have misread them.
  const std::vector<size_t>& failed_logs() const { return failed_logs_; }

 private:
  struct level;
  bool settle(const std::string* relative, const std::string& steps,
              const std::function<bool(const restore_item&)>& visit);

  host::host& h_;
  std::vector<shared_text> folders_;
  std::vector<change_log_index> logs_;
  std::vector<std::string> unreadable_;
  std::vector<size_t> failed_logs_;
  std::vector<bool> log_failed_;
};

}  // namespace engine

#endif
