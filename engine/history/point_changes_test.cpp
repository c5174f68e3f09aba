#include "engine/history/point_changes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "engine/backup/backup_run.h"
#include "engine/history/prune_run.h"
#include "engine/store/history_store.h"
#include "platform/testing/temp_folder.h"

namespace {

using engine::change_kind;

std::vector<std::pair<change_kind, std::string>> decoded(const std::vector<std::string>& lines) {
  engine::change_log log;
  for (const std::string& line : lines) log.append(line);
  std::vector<std::pair<change_kind, std::string>> out;
  for (const engine::point_change& change : engine::decode_changes(log)) {
    out.emplace_back(change.kind, change.path);
  }
  return out;
}

TEST(PointChanges, EachLineIsOneChangeAndADeletionPlusANewEntryIsATypeChange) {
  const auto changes =
      decoded({"D   \\gone.txt", "D   \\was_file", "D   docs\\was_folder", "S   \\new",
               "C   \\new.txt", "D-C docs\\a.txt", "S   \\was_file", "C   docs\\was_folder"});
  EXPECT_EQ(changes, (std::vector<std::pair<change_kind, std::string>>{
                         {change_kind::deleted, "\\gone.txt"},
                         {change_kind::new_folder, "\\new"},
                         {change_kind::new_file, "\\new.txt"},
                         {change_kind::changed, "docs\\a.txt"},
                         {change_kind::became_folder, "\\was_file"},
                         {change_kind::became_file, "docs\\was_folder"}}));
}

TEST(PointChanges, RepeatedLinesOfACompletedRunAndForeignLinesAreLeftOut) {
  // A run completed after a cut may write a line again; a damaged log may hold anything.
  const auto changes = decoded({"C   \\a.txt", "X   \\b", "", "C", "D   ", "C   \\a.txt",
                                "C   a.txt", "D   \\c", "S   \\c", "S   \\c"});
  EXPECT_EQ(changes, (std::vector<std::pair<change_kind, std::string>>{
                         {change_kind::new_file, "\\a.txt"}, {change_kind::became_folder, "\\c"}}));
}

class point_changes_store : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  void backup() {
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(host::default_host(), src, dst, log, progress);
  }
  engine::point_changes_result changes(const engine::point_choice& point) {
    return engine::read_point_changes(host::default_host(), dst, point);
  }
  void file(const std::string& rel, const std::string& bytes) {
    testing_support::remove_tree(src + "/" + rel);
    testing_support::make_folders(src);
    testing_support::write_file(src + "/" + rel, bytes);
  }
  void folder(const std::string& rel) {
    testing_support::remove_tree(src + "/" + rel);
    testing_support::make_folders(src + "/" + rel + "/in");
    testing_support::write_file(src + "/" + rel + "/in/x", rel);
  }
  // (kind, path, is a folder) of each change of `point`, by path.
  std::vector<std::tuple<change_kind, std::string, bool>> told(int point) {
    std::vector<std::tuple<change_kind, std::string, bool>> out;
    for (const engine::point_change& change : changes(point).changes) {
      out.emplace_back(change.kind, change.path, change.folder);
    }
    std::sort(out.begin(), out.end(),
              [](const auto& a, const auto& b) { return std::get<1>(a) < std::get<1>(b); });
    return out;
  }
};

TEST_F(point_changes_store, EachChangeTellsWhetherItsEntryIsAFolder) {
  folder("full");
  file("gone.txt", "g");
  file("x", "file");
  folder("y");
  backup();
  testing_support::remove_tree(src + "/full");
  testing_support::remove_tree(src + "/gone.txt");
  folder("x");
  file("y", "file");
  folder("new");
  backup();
  // The log says "D   " alike for both: the folder the run took out tells which it was.
  EXPECT_EQ(told(2), (std::vector<std::tuple<change_kind, std::string, bool>>{
                         {change_kind::deleted, "\\full", true},
                         {change_kind::deleted, "\\gone.txt", false},
                         {change_kind::new_folder, "\\new", true},
                         {change_kind::became_folder, "\\x", true},
                         {change_kind::became_file, "\\y", false}}));
}

TEST_F(point_changes_store, AThinnedPointLeavesNoTypeChangeThatNeverHappened) {
  // Across the thinned point: f a file, a folder, a file again; g the reverse; h a file that
  // became a folder for good, and k a folder that became a file for good.
  file("f", "1");
  folder("g");
  file("h", "1");
  folder("k");
  backup();
  folder("f");
  file("g", "2");
  folder("h");
  file("k", "2");
  backup();
  file("f", "three");
  folder("g");
  backup();
  engine::recording_log log;
  engine::prune_request request;
  request.store = dst;
  request.how = engine::prune_request::rule::point;
  request.point = 2;
  ASSERT_EQ(engine::prune_store(host::default_host(), request, log).status,
            engine::prune_result::outcome::pruned);
  EXPECT_EQ(told(2), (std::vector<std::tuple<change_kind, std::string, bool>>{
                         {change_kind::changed, "\\f", false},
                         {change_kind::changed, "\\g", true},
                         {change_kind::became_folder, "\\h", true},
                         {change_kind::became_file, "\\k", false}}));
}

TEST_F(point_changes_store, ThePointsOfAStoreTellTheirOwnRunsChanges) {
  using state = engine::point_changes_result::state;
  EXPECT_EQ(changes(engine::point_choice::newest()).outcome, state::no_store);
  testing_support::make_folders(src + "/docs");
  testing_support::write_file(src + "/docs/a.txt", "a");
  testing_support::write_file(src + "/x", "file");
  backup();
  testing_support::remove_tree(src + "/x");
  testing_support::make_folders(src + "/x");
  testing_support::remove_tree(src + "/docs/a.txt");
  backup();
  backup();

  const engine::point_changes_result first = changes(1);
  EXPECT_EQ(first.outcome, state::read);
  EXPECT_EQ(first.point_entry.substr(0, 6), "0001: ");
  ASSERT_EQ(first.changes.size(), 2u);
  const engine::point_changes_result second = changes(2);
  ASSERT_EQ(second.changes.size(), 2u);
  EXPECT_EQ(second.changes[0].kind, change_kind::deleted);
  EXPECT_EQ(second.changes[0].path, "docs\\a.txt");
  EXPECT_EQ(second.changes[1].kind, change_kind::became_folder);
  EXPECT_EQ(second.changes[1].path, "\\x");
  // The newest by default; a run that found nothing has an empty log.
  const engine::point_changes_result newest = changes(engine::point_choice::newest());
  EXPECT_EQ(newest.outcome, state::read);
  EXPECT_EQ(newest.point_entry.substr(0, 4), "0003");
  EXPECT_TRUE(newest.changes.empty());

  EXPECT_EQ(changes(7).outcome, state::no_point);
  testing_support::remove_tree(dst + "/Zolk0002.Zcl");
  EXPECT_EQ(changes(2).outcome, state::no_log);
  EXPECT_EQ(changes(2).log_path, dst + "\\Zolk0002.Zcl");
}

}  // namespace
