// The restore list: every folder and file a restore brings back, each with the history folder
// that holds its stored copy, in the order they are restored (a folder before its contents).
#ifndef ZOLK_ENGINE_RESTORE_LIST_H
#define ZOLK_ENGINE_RESTORE_LIST_H

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host.h"

namespace engine {

using shared_text = std::shared_ptr<const std::string>;

struct restore_item {
  restore_item* prev = nullptr;
  restore_item* next = nullptr;
  shared_text store_folder;     // the history folder holding the stored copy
  shared_text relative_folder;  // "docs", "docs\old"; null for an item at the top
  uint32_t time = 0;            // packed, as the search reported it
  int64_t size = 0;             // the whole length; 0 for a folder
  uint32_t attributes = 0;      // 0x10 marks a folder
  std::string name;

  // The tree the list also forms, so that a folder goes with everything under it.
  restore_item* parent = nullptr;
  restore_item* first_child = nullptr;
  restore_item* last_child = nullptr;
  restore_item* next_sibling = nullptr;
  restore_item* prev_sibling = nullptr;

  bool is_folder() const { return (attributes & host::k_directory) != 0; }
};

// True for a stored entry a restore brings back: a file, a folder or a link the host reads as
// a link (its target text known), never a special entry.
inline bool restorable(const host::found_entry& entry) {
  return !entry.is_special && (!entry.is_link || !entry.link_target.empty());
}

// The attributes of an item for a stored entry: a link is marked host::k_link.
inline uint32_t restored_attributes(const host::found_entry& entry) {
  return entry.is_link ? host::k_archive | host::k_link : entry.attributes;
}

// The key of an item: "name" at the top, "docs\old\name" below; no leading separator.
std::string item_key(const restore_item& item);

// Owns its items. Items are found by key in constant time; taking an item out takes
// everything under it too, so no item outlives its folder.
class restore_list {
 public:
  restore_list() = default;
  restore_list(restore_list&&) = default;
  restore_list& operator=(restore_list&&) = default;
  restore_list(const restore_list&) = delete;
  restore_list& operator=(const restore_list&) = delete;

  restore_item* first() const { return first_; }
  restore_item* last() const { return last_; }
  size_t size() const { return index_.size(); }
  bool empty() const { return first_ == nullptr; }

  // Null when no item has this key.
  restore_item* find(const std::string& key) const;

  // Appends an item with the fields of `model` (its links are ignored) and returns it. An
  // item already listed under the same key is taken out first, with everything under it.
  // The item joins the tree below the listed item of its relative folder, when there is one.
  restore_item* append(const restore_item& model);

  // Takes `item` (null is allowed) and everything under it out of the list.
  void remove(restore_item* item);

  // Folders of the store that could not be listed while the list was gathered.
  void note_unreadable(std::string folder) { unreadable_.push_back(std::move(folder)); }
  const std::vector<std::string>& unreadable() const { return unreadable_; }

 private:
  void unlink(restore_item* item);

  std::deque<restore_item> storage_;  // removed items stay here until the list goes
  std::unordered_map<std::string, restore_item*> index_;
  restore_item* first_ = nullptr;
  restore_item* last_ = nullptr;
  std::vector<std::string> unreadable_;
};

// Appends an item for every entry of `folder` below `relative_folder` (null: the top), in
// search order, descending into every real folder. Returns the last item of the list.
restore_item* gather_folder_items(host::host& h, restore_list& list, const shared_text& folder,
                                  const shared_text& relative_folder);

// Appends one search result (and, for a folder, everything in it). "." and "..", names of
// temporary copies (is_copy_temp_name), links and special entries are passed over. Returns
// the last item of the list.
restore_item* add_restore_item(host::host& h, restore_list& list, const shared_text& folder,
                               const shared_text& relative_folder, const host::found_entry& entry);

}  // namespace engine

#endif
