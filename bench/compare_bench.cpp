// Times the comparison of snapshot trees built in memory: two flat folders of 100,000 entries
// and two trees of 100,000 files in 5,000 folders, with a few changes between the sides.
// Prints milliseconds; the comparison must grow linearly with the entries.
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/backup/snapshot.h"

namespace {

using engine::folder_node;
using engine::folder_tree;

// Appends `count` file nodes under parent (null for the top level) and returns the first.
folder_node* add_files(folder_tree& tree, folder_node* parent, int count, int salt) {
  folder_node* first = nullptr;
  folder_node* last = nullptr;
  for (int i = 0; i < count; ++i) {
    folder_node& n = tree.new_node();
    n.name = "file-" + std::to_string(i) + ".dat";
    n.attributes = 0x20;
    n.time = (i % 100 == 0) ? static_cast<uint32_t>(salt) : 1u;  // 1 % differ between sides
    n.parent = parent;
    n.prev = last;
    if (last != nullptr) last->next = &n;
    if (first == nullptr) first = &n;
    last = &n;
  }
  return first;
}

folder_tree flat(int files, int salt) {
  folder_tree tree;
  tree.set_first(add_files(tree, nullptr, files, salt));
  return tree;
}

folder_tree nested(int folders, int files_per_folder, int salt) {
  folder_tree tree;
  folder_node* first = nullptr;
  folder_node* last = nullptr;
  for (int f = 0; f < folders; ++f) {
    folder_node& d = tree.new_node();
    d.name = "folder-" + std::to_string(f);
    d.attributes = 0x10;
    d.prev = last;
    if (last != nullptr) last->next = &d;
    if (first == nullptr) first = &d;
    last = &d;
    d.first_child = add_files(tree, &d, files_per_folder, salt);
  }
  tree.set_first(first);
  return tree;
}

void time_compare(const char* what, const folder_tree& previous, const folder_tree& source) {
  const auto start = std::chrono::steady_clock::now();
  engine::difference_list list = engine::compare_trees(previous, source);
  const auto end = std::chrono::steady_clock::now();
  std::printf("%-40s %8.1f ms  (%zu differences)\n", what,
              std::chrono::duration<double, std::milli>(end - start).count(), list.size());
}

}  // namespace

int main() {
  const folder_tree a = flat(100000, 2), b = flat(100000, 3);
  time_compare("flat: 100,000 vs 100,000 entries", a, b);
  const folder_tree c = nested(5000, 20, 2), d = nested(5000, 20, 3);
  time_compare("tree: 100,000 files in 5,000 folders", c, d);
  return 0;
}
