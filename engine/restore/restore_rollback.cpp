#include "engine/restore/restore_rollback.h"

#include <vector>

#include "engine/store/change_log.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

// Lists the folders above `entry` (from the older folder's own list) that the list lacks,
// so that the entry never stands in the list without its folder.
void list_folders_above(restore_list& list, const restore_item& entry) {
  const restore_item* folder = entry.parent;
  if (folder == nullptr) return;
  const restore_item* listed = list.find(item_key(*folder));
  if (listed != nullptr && listed->is_folder()) return;
  list_folders_above(list, *folder);
  list.append(*folder);
}

// Appends the items below `folder` of the older folder's list, folders before contents.
void append_contents(restore_list& list, const restore_item& folder) {
  std::vector<const restore_item*> pending;
  for (const restore_item* c = folder.last_child; c != nullptr; c = c->prev_sibling) {
    pending.push_back(c);
  }
  while (!pending.empty()) {
    const restore_item* current = pending.back();
    pending.pop_back();
    list.append(*current);
    for (const restore_item* c = current->last_child; c != nullptr; c = c->prev_sibling) {
      pending.push_back(c);
    }
  }
}

}  // namespace

restore_item* apply_older_entry(restore_list& list, const restore_item& entry, bool whole) {
  list_folders_above(list, entry);
  if (!whole) {
    restore_item* listed = list.find(item_key(entry));
    if (listed != nullptr && listed->is_folder() == entry.is_folder()) {
      if (!entry.is_folder()) {
        // The size follows the copy actually made, so the progress total stays true.
        listed->store_folder = entry.store_folder;
        listed->time = entry.time;
        listed->size = entry.size;
        listed->attributes = entry.attributes;
      }
      return listed;
    }
    return list.append(entry);
  }
  restore_item* item = list.append(entry);
  append_contents(list, entry);
  return item;
}

void roll_back_folder(host::host& h, restore_list& list, const shared_text& older_folder,
                      const change_log_index& newer_log) {
  restore_list older;
  gather_folder_items(h, older, older_folder, nullptr);
  for (const std::string& folder : older.unreadable()) list.note_unreadable(folder);

  // What the newer run created and the older folder does not hold did not exist yet.
  newer_log.for_each_created([&](std::string_view key) {
    const std::string listed(key);
    if (older.find(listed) == nullptr) list.remove(list.find(listed));
  });

  // Outermost first: a named entry brings its whole subtree, so nothing below it is
  // applied twice.
  std::vector<const restore_item*> pending;
  for (const restore_item* item = older.last(); item != nullptr; item = item->prev) {
    if (item->parent == nullptr) pending.push_back(item);
  }
  while (!pending.empty()) {
    const restore_item* current = pending.back();
    pending.pop_back();
    const bool named = newer_log.named(item_key(*current));
    apply_older_entry(list, *current, named);
    if (named) continue;
    for (const restore_item* c = current->last_child; c != nullptr; c = c->prev_sibling) {
      pending.push_back(c);
    }
  }
}

}  // namespace engine
