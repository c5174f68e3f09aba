// Snapshot trees of a folder and their comparison into a lettered difference list.
//
// A tree keeps the entries in the order the directory search returned them; nothing is
// sorted. Every name is part of a tree but "." and ".." and the names of temporary copies
// (is_copy_temp_name, noted apart as leftovers). Every real folder is descended whatever its
// attribute bits; links and special files are never descended.
#ifndef ZOLK_ENGINE_SNAPSHOT_H
#define ZOLK_ENGINE_SNAPSHOT_H

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/host.h"

namespace engine {

struct folder_node {
  folder_node* prev = nullptr;
  folder_node* next = nullptr;
  folder_node* parent = nullptr;
  folder_node* first_child = nullptr;
  uint64_t size = 0;        // the whole length
  uint32_t time = 0;        // packed local modification time
  uint16_t attributes = 0;  // as reported (never more than 0x3F); 0x10 marks a folder,
                            // host::k_link a symbolic link stored as a link
  // As reported: host::k_permission_bits, with host::k_permissions_known where kept.
  uint16_t permissions = 0;
  uint32_t position = 0;    // place among the nodes of its level, in search order
  bool is_special = false;  // a FIFO, socket or device, or a link this host cannot store
  bool unreadable = false;  // a folder whose contents could not be listed
  // Display time; only in the history-folder list (null in trees, which keeps nodes small:
  // a run holds two trees of every entry).
  std::unique_ptr<std::string> date_text;
  std::unique_ptr<std::string> link_target;  // a link's target text; null for the rest
  std::string name;
  // Relative path of the containing folder ("a", "a\b"), shared by the level and owned by
  // the tree; null at the top level.
  const std::string* folder_path = nullptr;

  bool is_folder() const { return (attributes & host::k_directory) != 0 && !is_special; }
  bool is_link() const { return (attributes & host::k_link) != 0; }
};

// Relative path of a node as the change log writes it: "\name" at the top, "a\b\name" below.
std::string relative_path(const folder_node& node);

// Owns every node of a tree (or of the history-folder list). Moving it keeps node addresses.
class folder_tree {
 public:
  folder_tree() = default;
  folder_tree(folder_tree&&) = default;
  folder_tree& operator=(folder_tree&&) = default;
  folder_tree(const folder_tree&) = delete;
  folder_tree& operator=(const folder_tree&) = delete;

  folder_node* first() const { return first_; }
  bool empty() const { return first_ == nullptr; }
  size_t node_count() const { return nodes_.size(); }
  // False when the root folder itself could not be listed (missing or refused).
  bool root_readable() const { return root_readable_; }
  // Entries that cannot be backed up and folders that could not be listed, in tree order.
  const std::vector<const folder_node*>& special_nodes() const { return special_; }
  const std::vector<const folder_node*>& unreadable_folders() const { return unreadable_; }
  // Relative paths of the entries named like temporary copies (is_copy_temp_name), at any
  // depth, which the tree leaves out: in a history folder leftovers of cut copies, in a source
  // entries to report.
  const std::vector<std::string>& leftovers() const { return leftovers_; }

  // For the builders of trees and lists.
  folder_node& new_node() { return nodes_.emplace_back(); }
  const std::string* new_level_path(std::string path) {
    return &level_paths_.emplace_back(std::move(path));
  }
  void set_first(folder_node* first) { first_ = first; }
  void set_root_readable(bool readable) { root_readable_ = readable; }
  void note_special(const folder_node* node) { special_.push_back(node); }
  void note_unreadable(const folder_node* node) { unreadable_.push_back(node); }
  // `position`: how many nodes of its level the search gave before it.
  void note_leftover(std::string relative_path, size_t position = 0) {
    leftovers_.push_back(std::move(relative_path));
    leftover_positions_.push_back(position);
  }
  // For a tree of one level: the position of each leftover among the level's nodes.
  const std::vector<size_t>& leftover_positions() const { return leftover_positions_; }
  void clear();

 private:
  std::deque<folder_node> nodes_;
  std::deque<std::string> level_paths_;
  folder_node* first_ = nullptr;
  bool root_readable_ = true;
  std::vector<const folder_node*> special_;
  std::vector<const folder_node*> unreadable_;
  std::vector<std::string> leftovers_;
  std::vector<size_t> leftover_positions_;
};

// Scans the folder `root` (CP932) with everything below it.
folder_tree scan_folder_tree(host::host& h, const std::string& root);

// Scans one folder of the tree at `root`: the level at `relative` (null: the top), no deeper.
// Its nodes are those scan_folder_tree would hold there (first_child stays null);
// root_readable() tells whether that folder could be listed and every entry in it seen.
folder_tree scan_folder_level(host::host& h, const std::string& root, const std::string* relative);

// Finds nodes of one level by name. Small levels are walked; larger ones indexed, so that
// comparing two levels costs linear time. Either way the first node of a name counts.
class level_index {
 public:
  explicit level_index(const folder_node* first);
  const folder_node* find(const std::string& name) const;

 private:
  static constexpr size_t k_walk_limit = 8;
  const folder_node* first_;
  std::unordered_map<std::string_view, const folder_node*> map_;
};

// True when both nodes carry known permission bits and the read, write and execute bits
// differ: a change of the bits alone is a change. (Set-id bits are left out: a copy made
// without the right to give its owner drops them, and would then differ on every run.)
bool permissions_differ(const folder_node& p, const folder_node& q);

// True when the file (or link) `q` of the source differs from `p`, the one stored: a link
// differs by its target text alone (its own time is the time it was made), from a file
// always; a file by its packed time, its length or its permission bits.
bool differs(const folder_node& p, const folder_node& q);

// The node itself when a comparison can match it (not null, not special); otherwise null.
const folder_node* comparable(const folder_node* node);

struct difference_entry {
  difference_entry* prev = nullptr;
  difference_entry* next = nullptr;
  char kind = 0;                      // 'D' deleted, 'S' new folder, 'C' new file, 'N' changed file
  const folder_node* node = nullptr;  // not owned: D and N from the previous state, S and C
                                      // from the source
};

// Owns its entries (not the nodes they name), so release it before the trees.
class difference_list {
 public:
  difference_list() = default;
  difference_list(difference_list&&) = default;
  difference_list& operator=(difference_list&&) = default;
  difference_list(const difference_list&) = delete;
  difference_list& operator=(const difference_list&) = delete;

  difference_entry* first() { return entries_.empty() ? nullptr : &entries_.front(); }
  difference_entry* tail() { return entries_.empty() ? nullptr : &entries_.back(); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }
  // Appends (node, kind) at the tail and returns the new tail.
  difference_entry* append(const folder_node* node, char kind);

 private:
  std::deque<difference_entry> entries_;
};

// Appends a D entry for every entry of the previous state with no entry of the same name and
// kind in the source, descending into folders present on both sides. A source folder that
// could not be listed keeps its previous contents: nothing under it is reported.
difference_entry* list_deleted_entries(difference_list& list, const folder_node* previous,
                                       const folder_node* source);

// Appends S (new folder, standing for its whole contents), C (new file) and N (file whose
// packed time, length or permission bits differ) entries, in source-tree order, descending into
// folders present on both sides (also when the copy's folder is empty). Special entries are never
// listed.
difference_entry* list_new_and_changed_entries(difference_list& list, const folder_node* previous,
                                               const folder_node* source);

// Both passes, D entries first: the list a run applies.
difference_list compare_trees(const folder_tree& previous, const folder_tree& source);

}  // namespace engine

#endif
