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

#include "engine/restore/restore_list.h"
#include "engine/store/change_log_index.h"
#include "platform/host.h"

namespace engine {

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
