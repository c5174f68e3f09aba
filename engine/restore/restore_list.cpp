#include "engine/restore/restore_list.h"

#include <vector>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"

namespace engine {

std::string item_key(const restore_item& item) {
  if (!item.relative_folder) return item.name;
  std::string key;
  key.reserve(item.relative_folder->size() + 1 + item.name.size());
  key += *item.relative_folder;
  key += '\\';
  key += item.name;
  return key;
}

restore_item* restore_list::find(const std::string& key) const {
  const auto found = index_.find(key);
  return found == index_.end() ? nullptr : found->second;
}

restore_item* restore_list::append(const restore_item& model) {
  std::string key = item_key(model);
  remove(find(key));
  restore_item& item = storage_.emplace_back();
  item.store_folder = model.store_folder;
  item.relative_folder = model.relative_folder;
  item.time = model.time;
  item.size = model.size;
  item.attributes = model.attributes;
  item.name = model.name;
  item.prev = last_;
  if (last_ != nullptr) last_->next = &item;
  if (first_ == nullptr) first_ = &item;
  last_ = &item;
  if (item.relative_folder) {
    restore_item* parent = find(*item.relative_folder);
    if (parent != nullptr) {
      item.parent = parent;
      item.prev_sibling = parent->last_child;
      if (parent->last_child != nullptr) parent->last_child->next_sibling = &item;
      if (parent->first_child == nullptr) parent->first_child = &item;
      parent->last_child = &item;
    }
  }
  index_.emplace(std::move(key), &item);
  return &item;
}

void restore_list::unlink(restore_item* item) {
  if (item->prev != nullptr) item->prev->next = item->next;
  if (item->next != nullptr) item->next->prev = item->prev;
  if (first_ == item) first_ = item->next;
  if (last_ == item) last_ = item->prev;
  item->prev = item->next = nullptr;
  index_.erase(item_key(*item));
}

void restore_list::remove(restore_item* item) {
  if (item == nullptr) return;
  if (item->parent != nullptr) {
    restore_item* parent = item->parent;
    if (item->prev_sibling != nullptr) item->prev_sibling->next_sibling = item->next_sibling;
    if (item->next_sibling != nullptr) item->next_sibling->prev_sibling = item->prev_sibling;
    if (parent->first_child == item) parent->first_child = item->next_sibling;
    if (parent->last_child == item) parent->last_child = item->prev_sibling;
  }
  // An explicit stack: a deep tree must not exhaust the call stack.
  std::vector<restore_item*> pending{item};
  while (!pending.empty()) {
    restore_item* current = pending.back();
    pending.pop_back();
    for (restore_item* child = current->first_child; child != nullptr;
         child = child->next_sibling) {
      pending.push_back(child);
    }
    unlink(current);
    current->parent = current->first_child = current->last_child = nullptr;
    current->next_sibling = current->prev_sibling = nullptr;
  }
}

restore_item* gather_folder_items(host::host& h, restore_list& list, const shared_text& folder,
                                  const shared_text& relative_folder) {
  const piece sub = relative_folder ? piece(*relative_folder) : std::nullopt;
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(*folder, sub), entries)) {
    list.note_unreadable(path_join(*folder, sub));
  }
  for (const host::found_entry& entry : entries) {
    add_restore_item(h, list, folder, relative_folder, entry);
  }
  return list.last();
}

restore_item* add_restore_item(host::host& h, restore_list& list, const shared_text& folder,
                               const shared_text& relative_folder, const host::found_entry& entry) {
  // Special entries are never written by a run, nor links the host cannot read as links:
  // following one could read outside the store. A stored link comes back as a link.
  if (entry.name == "." || entry.name == ".." || is_copy_temp_name(entry.name) ||
      !restorable(entry)) {
    return list.last();
  }
  restore_item model;
  model.store_folder = folder;
  model.relative_folder = relative_folder;
  model.time = entry.time;
  model.attributes = restored_attributes(entry);
  model.name = entry.name;
  const bool folder_entry = (entry.attributes & host::k_directory) != 0;
  model.size = folder_entry ? 0 : static_cast<int64_t>(entry.full_size);
  restore_item* item = list.append(model);
  // Every real folder is descended whatever its other attribute bits: a read-only folder
  // still holds files that must come back.
  if (!folder_entry) return item;
  return gather_folder_items(h, list, folder, std::make_shared<const std::string>(item_key(*item)));
}

}  // namespace engine
