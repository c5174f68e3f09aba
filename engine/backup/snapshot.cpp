#include "engine/backup/snapshot.h"

#include <string_view>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"

namespace engine {
namespace {

using shared_path = const std::string*;

// A folder that can be listed but not entered names its entries and tells nothing about
// them. Read as a level of entries that cannot be backed up, every stored entry of it would
// count as deleted; it is as unreadable as a folder that cannot be listed at all.
bool every_entry_seen(const std::vector<host::found_entry>& entries) {
  for (const host::found_entry& entry : entries) {
    if (entry.unreadable) return false;
  }
  return true;
}

// Scans one level below `root` at relative path `rel` (null at the top) and links its nodes
// under `parent`, descending into folders when `descend`. Returns the first node; `readable`
// tells whether the folder could be listed.
folder_node* scan_level(host::host& h, const std::string& root, const shared_path& rel,
                        folder_node* parent, folder_tree& tree, bool& readable, bool descend) {
  std::vector<host::found_entry> entries;
  readable = h.search(folder_search_pattern(root, rel ? piece(*rel) : std::nullopt), entries);
  if (readable && !every_entry_seen(entries)) {
    readable = false;
    entries.clear();
  }
  folder_node* first = nullptr;
  folder_node* last = nullptr;
  size_t count = 0;
  for (host::found_entry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    // The one pattern of names kept for Zolk's own use inside a tree: never part of a point.
    if (is_copy_temp_name(entry.name)) {
      tree.note_leftover(path_join(rel ? piece(*rel) : std::nullopt, entry.name), count);
      continue;
    }
    folder_node& node = tree.new_node();
    node.position = static_cast<uint32_t>(count++);
    node.time = entry.time;
    node.size = entry.full_size;
    node.attributes = static_cast<uint16_t>(entry.attributes);
    node.permissions = entry.permissions;
    // A link without target text that is not special is the file it stands for (on Windows a
    // cloud or deduplicated file); a link the host can tell nothing more of (on Windows one to
    // a folder, a junction) stays a link it cannot store.
    if (entry.is_link && !entry.is_special && !entry.link_target.empty()) {
      node.attributes = static_cast<uint16_t>(host::k_archive | host::k_link);
      node.link_target = std::make_unique<std::string>(std::move(entry.link_target));
    } else if (entry.is_link && entry.is_special) {
      node.attributes = static_cast<uint16_t>(host::k_archive | host::k_link);
    }
    node.name = std::move(entry.name);
    node.folder_path = rel;
    node.parent = parent;
    node.is_special = entry.is_special || entry.unreadable;
    node.prev = last;
    if (last != nullptr) last->next = &node;
    if (first == nullptr) first = &node;
    last = &node;
    if (node.is_special) {
      tree.note_special(&node);
    } else if (node.is_folder() && descend) {
      // Every real folder is descended, whatever its other attribute bits: a read-only or
      // hidden folder's files need protecting as much as any others.
      const shared_path child_rel =
          tree.new_level_path(rel ? path_join(*rel, node.name) : node.name);
      bool child_readable = true;
      node.first_child = scan_level(h, root, child_rel, &node, tree, child_readable, true);
      if (!child_readable) {
        node.unreadable = true;
        tree.note_unreadable(&node);
      }
    }
  }
  return first;
}

// A node that a comparison can match: not special.
}  // namespace

level_index::level_index(const folder_node* first) : first_(first) {
  size_t count = 0;
  for (const folder_node* n = first; n != nullptr; n = n->next) ++count;
  if (count <= k_walk_limit) return;
  map_.reserve(count);
  for (const folder_node* n = first; n != nullptr; n = n->next) map_.emplace(n->name, n);
}

const folder_node* level_index::find(const std::string& name) const {
  if (map_.empty()) {
    for (const folder_node* n = first_; n != nullptr; n = n->next) {
      if (n->name == name) return n;
    }
    return nullptr;
  }
  const auto it = map_.find(name);
  return it == map_.end() ? nullptr : it->second;
}

bool permissions_differ(const folder_node& p, const folder_node& q) {
  constexpr uint16_t known = host::k_permissions_known;
  return (p.permissions & q.permissions & known) != 0 &&
         ((p.permissions ^ q.permissions) & 0777) != 0;
}

bool differs(const folder_node& p, const folder_node& q) {
  if (p.is_link() || q.is_link()) {
    return p.is_link() != q.is_link() || p.link_target == nullptr || q.link_target == nullptr ||
           *p.link_target != *q.link_target;
  }
  return p.time != q.time || p.size != q.size || permissions_differ(p, q);
}

const folder_node* comparable(const folder_node* node) {
  return node != nullptr && !node->is_special ? node : nullptr;
}

std::string relative_path(const folder_node& node) {
  return path_join(node.folder_path ? piece(*node.folder_path) : std::nullopt, node.name);
}

void folder_tree::clear() {
  first_ = nullptr;
  special_.clear();
  unreadable_.clear();
  leftovers_.clear();
  leftover_positions_.clear();
  nodes_.clear();
  level_paths_.clear();
  root_readable_ = true;
}

folder_tree scan_folder_tree(host::host& h, const std::string& root) {
  folder_tree tree;
  bool readable = true;
  tree.set_first(scan_level(h, root, nullptr, nullptr, tree, readable, true));
  tree.set_root_readable(readable);
  return tree;
}

folder_tree scan_folder_level(host::host& h, const std::string& root, const std::string* relative) {
  folder_tree tree;
  const shared_path rel = relative ? tree.new_level_path(*relative) : nullptr;
  bool readable = true;
  tree.set_first(scan_level(h, root, rel, nullptr, tree, readable, false));
  tree.set_root_readable(readable);
  return tree;
}

difference_entry* difference_list::append(const folder_node* node, char kind) {
  difference_entry* tail = this->tail();
  difference_entry& entry = entries_.emplace_back();
  entry.kind = kind;
  entry.node = node;
  entry.prev = tail;
  if (tail != nullptr) tail->next = &entry;
  return &entry;
}

difference_entry* list_deleted_entries(difference_list& list, const folder_node* previous,
                                       const folder_node* source) {
  const level_index index(source);
  for (const folder_node* p = previous; p != nullptr; p = p->next) {
    if (p->is_special) continue;
    const folder_node* q = comparable(index.find(p->name));
    // A file that became a folder, or the reverse, is a deletion plus a new entry.
    if (q == nullptr || q->is_folder() != p->is_folder()) {
      list.append(p, 'D');
      continue;
    }
    // A folder that could not be read keeps what the copy holds.
    if (p->is_folder() && !q->unreadable)
      list_deleted_entries(list, p->first_child, q->first_child);
  }
  return list.tail();
}

difference_entry* list_new_and_changed_entries(difference_list& list, const folder_node* previous,
                                               const folder_node* source) {
  const level_index index(previous);
  for (const folder_node* q = source; q != nullptr; q = q->next) {
    if (q->is_special) continue;
    const folder_node* p = comparable(index.find(q->name));
    if (p == nullptr || p->is_folder() != q->is_folder()) {
      list.append(q, q->is_folder() ? 'S' : 'C');
      continue;
    }
    if (q->is_folder()) {
      // Also when the copy's folder is empty: its new entries are listed one by one, so an S
      // always means the folder did not exist in the copy.
      if (!q->unreadable) list_new_and_changed_entries(list, p->first_child, q->first_child);
    } else if (differs(*p, *q)) {
      // The packed time has a two-second grain: a rewrite within one slot shows only in
      // the length.
      list.append(p, 'N');
    }
  }
  return list.tail();
}

difference_list compare_trees(const folder_tree& previous, const folder_tree& source) {
  difference_list list;
  list_deleted_entries(list, previous.first(), source.first());
  list_new_and_changed_entries(list, previous.first(), source.first());
  return list;
}

}  // namespace engine
