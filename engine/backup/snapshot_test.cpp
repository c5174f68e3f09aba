#include "engine/backup/snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/common/file_copy.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::make_folders;
using testing_support::temp_folder;
using testing_support::write_file;

const uint32_t k_t1 = host::pack_time(host::calendar_time{2020, 1, 2, 3, 4, 6});
const uint32_t k_t2 = host::pack_time(host::calendar_time{2020, 1, 2, 3, 4, 8});

// "D \a" style text of a difference list, for compact expectations.
std::vector<std::string> describe(engine::difference_list& list) {
  std::vector<std::string> out;
  for (const engine::difference_entry* e = list.first(); e != nullptr; e = e->next) {
    out.push_back(std::string(1, e->kind) + " " + engine::relative_path(*e->node));
  }
  return out;
}

void file_at(const std::string& path, uint32_t time, const std::string& bytes = "x") {
  write_file(path, bytes);
  testing_support::set_time(path, time);
}

struct two_trees {
  temp_folder previous;
  temp_folder source;
  std::vector<std::string> compare() {
    engine::folder_tree p = engine::scan_folder_tree(host::default_host(), previous.path());
    engine::folder_tree s = engine::scan_folder_tree(host::default_host(), source.path());
    engine::difference_list list = engine::compare_trees(p, s);
    return describe(list);
  }
};

TEST(Snapshot, ScanKeepsDotNamesNotesTemporaryCopiesApartAndLinksNodesInSearchOrder) {
  temp_folder tmp;
  make_folders(tmp.at("a/b"));
  write_file(tmp.at("a/b/f"), "1");
  write_file(tmp.at(".profile"), "");
  make_folders(tmp.at(".cache/x"));
  write_file(tmp.at("top"), "");
  write_file(tmp.at(".zolk-copy.77.tmp"), "");
  write_file(tmp.at("a/b/.zolk-copy.tmp"), "");
  engine::folder_tree tree = engine::scan_folder_tree(host::default_host(), tmp.path());
  ASSERT_TRUE(tree.root_readable());
  EXPECT_EQ(tree.node_count(), 7u);  // a, a\b, a\b\f, top, .profile, .cache, .cache\x
  EXPECT_EQ(tree.leftovers().size(), 2u);
  for (const engine::folder_node* n = tree.first(); n != nullptr; n = n->next) {
    EXPECT_FALSE(engine::is_copy_temp_name(n->name));
    EXPECT_EQ(n->folder_path, nullptr);
    if (n->name == "a") {
      const engine::folder_node* b = n->first_child;
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(*b->folder_path, "a");
      EXPECT_EQ(b->parent, n);
      ASSERT_NE(b->first_child, nullptr);
      EXPECT_EQ(*b->first_child->folder_path, "a\\b");
      EXPECT_EQ(engine::relative_path(*b->first_child), "a\\b\\f");
    }
  }
  tree.clear();
  EXPECT_TRUE(tree.empty());
}

TEST(Snapshot, MissingRootIsNotAnEmptyFolder) {
  temp_folder tmp;
  engine::folder_tree tree = engine::scan_folder_tree(host::default_host(), tmp.at("missing"));
  EXPECT_TRUE(tree.empty());
  EXPECT_FALSE(tree.root_readable());
}

TEST(Compare, FirstRunListsTopEntriesOnly) {
  two_trees t;
  make_folders(t.source.at("docs/inner"));
  write_file(t.source.at("docs/inner/x"), "");
  write_file(t.source.at("a.txt"), "");
  std::vector<std::string> d = t.compare();
  std::sort(d.begin(), d.end());
  EXPECT_EQ(d, (std::vector<std::string>{"C \\a.txt", "S \\docs"}));
}

TEST(Compare, ChangedTimeOrLengthMarksAChange) {
  two_trees t;
  // Rewritten within the same two-second slot: only the length tells.
  file_at(t.previous.at("same_slot"), k_t1, "old");
  file_at(t.source.at("same_slot"), k_t1, "new and longer");
  file_at(t.previous.at("untouched"), k_t1, "abc");
  file_at(t.source.at("untouched"), k_t1, "xyz");  // same slot, same length: unseen
  file_at(t.previous.at("later"), k_t1);
  file_at(t.source.at("later"), k_t2);
  file_at(t.previous.at("earlier"), k_t2);
  file_at(t.source.at("earlier"), k_t1);
  // Lengths that differ only above the low 32 bits (sparse, so nothing is written).
  file_at(t.previous.at("huge"), k_t1, "1");
  file_at(t.source.at("huge"), k_t1, "1");
  std::filesystem::resize_file(t.source.path() + "/huge", (uint64_t{1} << 32) + 1);
  std::filesystem::last_write_time(t.source.path() + "/huge",
                                   std::filesystem::last_write_time(t.previous.path() + "/huge"));
  std::vector<std::string> d = t.compare();
  std::sort(d.begin(), d.end());
  EXPECT_EQ(d, (std::vector<std::string>{"N \\earlier", "N \\huge", "N \\later", "N \\same_slot"}));
}

// One level of files, each with the same time and length on both sides.
struct bits_level {
  engine::folder_tree tree;
  engine::folder_node* last = nullptr;
  void add(const std::string& name, uint16_t permissions) {
    engine::folder_node& n = tree.new_node();
    n.name = name;
    n.time = k_t1;
    n.size = 3;
    n.attributes = host::k_archive;
    n.permissions = permissions;
    n.prev = last;
    if (last != nullptr) last->next = &n;
    if (tree.empty()) tree.set_first(&n);
    last = &n;
  }
};

TEST(Compare, AChangeOfPermissionBitsAloneIsAChangeWhereBothSidesKeepThem) {
  constexpr uint16_t known = host::k_permissions_known;
  bits_level previous;
  bits_level source;
  previous.add("script", known | 0755);
  source.add("script", known | 0700);
  previous.add("same", known | 0644);
  source.add("same", known | 0644);
  // A store on FAT reports the mount's bits, alike for every file: they tell nothing.
  previous.add("fat_store", 0755);
  source.add("fat_store", known | 0600);
  // A set-id bit that a copy without the right to give its owner could not keep.
  previous.add("set_id", known | 0755);
  source.add("set_id", known | 04755);
  engine::difference_list list = engine::compare_trees(previous.tree, source.tree);
  EXPECT_EQ(describe(list), (std::vector<std::string>{"N \\script"}));
}

TEST(Compare, DeletionsComeFirstAndCaseCounts) {
  two_trees t;
  file_at(t.previous.at("Readme.txt"), k_t1);
  file_at(t.source.at("README.TXT"), k_t1);
  file_at(t.previous.at("b.txt"), k_t1);
  file_at(t.previous.at("a.txt"), k_t1);
  file_at(t.source.at("a.txt"), k_t2);
  const std::vector<std::string> d = t.compare();
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0][0], 'D');
  EXPECT_EQ(d[1][0], 'D');
  EXPECT_NE(d[2][0], 'D');
  EXPECT_NE(d[3][0], 'D');
  std::vector<std::string> sorted = d;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"C \\README.TXT", "D \\Readme.txt", "D \\b.txt",
                                              "N \\a.txt"}));
}

TEST(Compare, FoldersPresentOnBothSidesAreDescended) {
  two_trees t;
  // Emptied in the source: each former entry is deleted, not the folder.
  make_folders(t.previous.at("gone/sub"));
  file_at(t.previous.at("gone/f"), k_t1);
  make_folders(t.source.at("gone"));
  // Empty in the copy, filled in the source: entries one by one, never one S for the folder.
  make_folders(t.previous.at("grown"));
  make_folders(t.source.at("grown/deep"));
  file_at(t.source.at("grown/deep/x"), k_t1);
  file_at(t.source.at("grown/y"), k_t1);
  std::vector<std::string> d = t.compare();
  std::sort(d.begin(), d.end());
  EXPECT_EQ(d,
            (std::vector<std::string>{"C grown\\y", "D gone\\f", "D gone\\sub", "S grown\\deep"}));
}

TEST(Compare, TypeChangesAreADeletionPlusANewEntry) {
  two_trees t;
  file_at(t.previous.at("was_file"), k_t1);
  make_folders(t.source.at("was_file"));
  make_folders(t.previous.at("was_folder"));
  file_at(t.previous.at("was_folder/in"), k_t1);
  file_at(t.source.at("was_folder"), k_t1);
  std::vector<std::string> d = t.compare();
  std::sort(d.begin(), d.end());
  EXPECT_EQ(d, (std::vector<std::string>{"C \\was_folder", "D \\was_file", "D \\was_folder",
                                         "S \\was_file"}));
}

TEST(Compare, ReadOnlyFoldersAreDescended) {
  two_trees t;
  make_folders(t.source.at("ro"));
  file_at(t.source.at("ro/f"), k_t1);
  make_folders(t.previous.at("ro"));
  file_at(t.previous.at("ro/f"), k_t1);
  file_at(t.source.at("ro/new"), k_t1);
  std::filesystem::permissions(t.source.path() + "/ro", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(t.compare(), (std::vector<std::string>{"C ro\\new"}));
}

TEST(Compare, UnreadableSourceFolderKeepsItsPreviousState) {
  temp_folder previous, source;
  make_folders(previous.at("locked"));
  file_at(previous.at("locked/kept"), k_t1);
  make_folders(source.at("locked"));
  file_at(source.at("locked/new"), k_t1);
  host::fault_host h(host::default_host());
  h.fail_path(host::call_kind::search, "locked");
  engine::folder_tree p = engine::scan_folder_tree(host::default_host(), previous.path());
  engine::folder_tree s = engine::scan_folder_tree(h, source.path());
  ASSERT_EQ(s.unreadable_folders().size(), 1u);
  EXPECT_EQ(s.unreadable_folders()[0]->name, "locked");
  engine::difference_list list = engine::compare_trees(p, s);
  EXPECT_TRUE(list.empty());
}

TEST(Compare, AFolderListedButNotEnteredKeepsItsPreviousState) {
  temp_folder previous, source;
  make_folders(previous.at("closed/sub"));
  file_at(previous.at("closed/kept"), k_t1);
  make_folders(source.at("closed/sub"));
  file_at(source.at("closed/kept"), k_t1);
  file_at(source.at("closed/new"), k_t1);
  host::fault_host h(host::default_host());
  h.hide_entries("closed");  // names come back, nothing about them
  engine::folder_tree p = engine::scan_folder_tree(host::default_host(), previous.path());
  engine::folder_tree s = engine::scan_folder_tree(h, source.path());
  ASSERT_EQ(s.unreadable_folders().size(), 1u);
  EXPECT_EQ(s.unreadable_folders()[0]->name, "closed");
  EXPECT_TRUE(s.special_nodes().empty());
  engine::difference_list list = engine::compare_trees(p, s);
  EXPECT_TRUE(list.empty());
  // The same at the top: the root cannot be read at all.
  host::fault_host closed_root(host::default_host());
  closed_root.hide_entries(source.path());
  EXPECT_FALSE(engine::scan_folder_tree(closed_root, source.path()).root_readable());
}

TEST(Compare, LargeLevelsMatchLikeTheLinearWalk) {
  two_trees t;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "f" + std::to_string(i);
    if (i % 3 != 0) file_at(t.previous.at(name), k_t1);
    if (i % 5 != 0) file_at(t.source.at(name), i % 7 == 0 ? k_t2 : k_t1);
  }
  int deleted = 0, created = 0, changed = 0;
  for (const std::string& e : t.compare()) {
    deleted += e[0] == 'D';
    created += e[0] == 'C';
    changed += e[0] == 'N';
  }
  int want_d = 0, want_c = 0, want_n = 0;
  for (int i = 0; i < 300; ++i) {
    const bool in_p = i % 3 != 0, in_s = i % 5 != 0;
    want_d += in_p && !in_s;
    want_c += in_s && !in_p;
    want_n += in_p && in_s && i % 7 == 0;
  }
  EXPECT_EQ(deleted, want_d);
  EXPECT_EQ(created, want_c);
  EXPECT_EQ(changed, want_n);
}

}  // namespace
