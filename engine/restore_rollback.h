// Rolling a restore list back from the newest history folder to an older restore point.
//
// The list starts as the tree of the newest history folder. Each older history folder O is
// then applied, newest first, with the change log of the history folder just newer than O
// (the run that moved entries out of the tree into O):
// - an entry a D, D-C, C or S line names and O holds replaces the listed entry of that path,
//   with everything under it;
// - a path a C or S line names that O does not hold was created by that run: it is taken out;
// - every other entry of O (a leftover the run could not carry forward, or every entry when
//   the run wrote no change log) is merged in at its own depth.
// A change log only selects entries that a directory search found inside O: its text is
// never turned into a path, so no line can make a restore read or write anywhere else.
#ifndef ZOLK_ENGINE_RESTORE_ROLLBACK_H
#define ZOLK_ENGINE_RESTORE_ROLLBACK_H

#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/change_log.h"
#include "engine/restore_list.h"
#include "platform/host.h"

namespace engine {

// The paths a change log names, by kind, for constant-time lookups. Lines with any other
// code are ignored. Paths are kept as list keys (the leading separator of a top-level path
// dropped).
class change_log_index {
 public:
  change_log_index() = default;
  explicit change_log_index(const change_log& log);

  // Paths of "D   ", "D-C ", "C   " and "S   " lines.
  const std::unordered_set<std::string>& named() const { return named_; }
  // Paths of "C   " and "S   " lines: entries the run created.
  const std::unordered_set<std::string>& created() const { return created_; }

 private:
  std::unordered_set<std::string> named_;
  std::unordered_set<std::string> created_;
};

// The list key of a change-log path: the text without one leading separator.
std::string change_log_key(std::string_view text);

// Lets one entry of an older history folder's list take the place of the listed entry with
// the same key, or joins it to the list. `whole`: the entry comes with everything under it
// and replaces everything listed under its key. Otherwise only the entry itself is merged:
// a listed file of the same kind is redirected to the older copy, a listed folder stays.
// The folders above the entry are listed first when missing. Returns the entry's list item.
restore_item* apply_older_entry(restore_list& list, const restore_item& entry, bool whole);

// Applies the older history folder `older_folder` to `list`, guided by the change log of the
// next newer history folder (an empty index when it has none).
void roll_back_folder(host::host& h, restore_list& list, const shared_text& older_folder,
                      const change_log_index& newer_log);

}  // namespace engine

#endif
