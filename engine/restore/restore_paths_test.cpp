// Restores of chosen entries of a point, and the versions of one path, over random histories:
// both must agree with a whole restore of the same point.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "engine/backup/backup_run.h"
#include "engine/history/point_versions.h"
#include "engine/restore/restore_run.h"
#include "engine/testing/random_history.h"
#include "engine/testing/restore_test_tree.h"
#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"

namespace {

using restore_testing::random_history;
using restore_testing::tree;
using restore_testing::tree_of;

bool within(const std::string& key, const std::string& top) {
  return key == top || (key.size() > top.size() && key.compare(0, top.size(), top) == 0 &&
                        key[top.size()] == '\\');
}

// What a restore of `chosen` must leave: their subtrees, and the folders above them.
tree expected_part(const tree& whole, const std::vector<std::string>& chosen) {
  tree part;
  for (const auto& entry : whole) {
    for (const std::string& top : chosen) {
      if (within(entry.first, top) || within(top, entry.first)) part.insert(entry);
    }
  }
  return part;
}

engine::run_summary restore(const std::string& store, int point, const std::string& target,
                            const std::vector<std::string>& paths,
                            std::vector<std::string>* lines = nullptr) {
  engine::restore_request request{point, store, "src", target};
  request.paths = paths;
  engine::recording_log log;
  engine::null_progress progress;
  const engine::run_summary summary =
      engine::start_restore(host::default_host(), request, log, progress);
  if (lines != nullptr) *lines = log.lines();
  return summary;
}

// The path as a user may type it: `/` or `\`, a leading separator or a trailing one.
std::string as_typed(const std::string& key, unsigned roll) {
  std::string typed = key;
  if (roll % 2 == 0) {
    for (size_t i = 0; i < typed.size(); ++i) {
      const auto c = static_cast<unsigned char>(typed[i]);
      if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        ++i;  // a trail byte 0x5C is part of the character, not a separator
      } else if (c == '\\') {
        typed[i] = '/';
      }
    }
  }
  if (roll % 3 == 0) typed = "\\" + typed;
  if (roll % 5 == 0) typed += "/";
  return typed;
}

void check_history(unsigned seed, int runs) {
  testing_support::temp_folder tmp;
  const std::string source = tmp.at("src");
  const std::string store = tmp.at("store");
  testing_support::make_folders(source);
  random_history history(seed, source);
  history.write("readme.txt", 10);
  std::vector<tree> points;
  std::set<std::string> ever;
  for (int run = 1; run <= runs; ++run) {
    if (run > 1) history.change();
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(host::default_host(), source, store, log, progress);
    points.push_back(tree_of(source));
    for (const auto& entry : points.back()) ever.insert(entry.first);
  }
  std::mt19937 random(seed);
  int restores = 0;
  for (int run = 1; run <= runs; ++run) {
    const std::string whole_target = tmp.at("whole" + std::to_string(run));
    ASSERT_TRUE(restore(store, run, whole_target, {}).ok());
    const tree whole = tree_of(whole_target);
    ASSERT_EQ(whole, points[run - 1]) << "seed " << seed << ", point " << run;
    std::vector<std::string> keys;
    for (const auto& entry : whole) keys.push_back(entry.first);
    for (int pick = 0; pick < 3 && !keys.empty(); ++pick) {
      std::vector<std::string> chosen{keys[random() % keys.size()]};
      if (pick == 2) chosen.push_back(keys[random() % keys.size()]);
      std::vector<std::string> typed;
      for (const std::string& key : chosen) typed.push_back(as_typed(key, random()));
      const std::string target = tmp.at("part" + std::to_string(++restores));
      EXPECT_TRUE(restore(store, run, target, typed).ok());
      EXPECT_EQ(tree_of(target), expected_part(whole, chosen))
          << "seed " << seed << ", point " << run << ", path " << typed[0];
    }
  }
  // Every path that ever stood, at every point: present exactly where a whole restore has it.
  for (const std::string& key : ever) {
    if (random() % 3 != 0) continue;
    const engine::path_versions_result found =
        engine::read_path_versions(host::default_host(), store, key);
    ASSERT_EQ(found.outcome, engine::path_versions_result::state::read) << key;
    ASSERT_EQ(found.versions.size(), static_cast<size_t>(runs));
    for (int run = 1; run <= runs; ++run) {
      const engine::path_version& version = found.versions[static_cast<size_t>(runs - run)];
      const auto at = points[run - 1].find(key);
      ASSERT_EQ(version.present, at != points[run - 1].end()) << key << " at " << run;
      const bool gone_here = run > 1 && version.present == false && points[run - 2].count(key) != 0;
      EXPECT_EQ(version.deleted, gone_here) << key << " at " << run;
      if (!version.present) continue;
      EXPECT_EQ(version.is_folder, at->second == "<folder>") << key << " at " << run;
      if (!version.is_folder) {
        EXPECT_EQ(std::to_string(version.time) + ":",
                  at->second.substr(0, at->second.find(':') + 1));
        EXPECT_EQ(version.size, static_cast<int64_t>(at->second.size() - at->second.find(':') - 1));
      }
    }
  }
}

TEST(RestorePaths, ChosenEntriesOfEveryPointEqualTheSameEntriesOfAWholeRestore) {
  for (unsigned seed : {11u, 12u, 13u, 14u}) check_history(seed, 8);
}

class chosen_paths : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");

  void SetUp() override {
    testing_support::make_folders(src + "/docs/old");
    testing_support::write_file(src + "/docs/a.txt", "a1");
    testing_support::write_file(src + "/docs/old/b.txt", "b1");
    testing_support::write_file(src + "/top.txt", "t1");
    backup();
  }
  void backup() {
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(host::default_host(), src, dst, log, progress);
  }
};

TEST_F(chosen_paths, APathMissingAtThePointIsRefusedBeforeAnythingIsWritten) {
  testing_support::write_file(src + "/later.txt", "new");
  backup();
  std::vector<std::string> lines;
  const std::string target = tmp.at("t");
  engine::run_summary summary = restore(dst, 1, target, {"docs", "later.txt"}, &lines);
  EXPECT_TRUE(summary.refused);
  EXPECT_FALSE(testing_support::exists(target));
  std::vector<std::string> shown;
  for (const std::string& line : lines) shown.push_back(cp932::to_unicode(line));
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      "err:選択された時点に指定の項目がありません。==> later.txt"),
            shown.end());

  // The same path is there at the newer point; a name differing in case is not.
  EXPECT_TRUE(restore(dst, 2, target, {"later.txt"}).ok());
  EXPECT_EQ(testing_support::list_tree(target), (tree{{"later.txt", "new"}}));
  EXPECT_TRUE(restore(dst, 2, tmp.at("u"), {"DOCS"}).refused);
  for (const std::string bad : {"", "/", "docs/../top.txt", "./docs"}) {
    EXPECT_TRUE(restore(dst, 2, tmp.at("v"), {bad}).refused) << bad;
  }
  EXPECT_FALSE(testing_support::exists(tmp.at("u")));
  EXPECT_FALSE(testing_support::exists(tmp.at("v")));
}

TEST_F(chosen_paths, TheOpeningLinesNameTheChosenEntries) {
  std::vector<std::string> lines;
  ASSERT_TRUE(restore(dst, 1, tmp.at("t"), {"docs/old", "top.txt"}, &lines).ok());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(cp932::to_unicode(lines[3]), "次の項目だけを復元します。");
  EXPECT_EQ(lines[4], "==> docs/old");
  EXPECT_EQ(lines[5], "==> top.txt");
  EXPECT_EQ(testing_support::list_tree(tmp.at("t")), (tree{{"docs", "<folder>"},
                                                           {"docs/old", "<folder>"},
                                                           {"docs/old/b.txt", "b1"},
                                                           {"top.txt", "t1"}}));
}

}  // namespace
