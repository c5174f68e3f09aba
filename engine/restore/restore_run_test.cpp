#include "engine/restore/restore_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/restore/restore_target.h"
#include "engine/store/history_store.h"
#include "engine/testing/point_text.h"
#include "engine/testing/restore_test_tree.h"
#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using restore_testing::tree_of;
using testing_support::exists;
using testing_support::make_folders;
using testing_support::read_file;
using testing_support::write_file;

const uint32_t k_t1 = host::pack_time(host::calendar_time{2021, 6, 1, 12, 0, 0});
const std::string k_hyo = "\x95\x5C";  // 表
const std::string k_so = "\x83\x5C";   // ソ

// A tree to lay out: relative path ("a\b") -> bytes, or "/" for a folder.
using layout = std::vector<std::pair<std::string, std::string>>;

void lay_out(const std::string& root, const layout& entries) {
  make_folders(root);
  for (const auto& entry : entries) {
    const std::string path = root + "/" + entry.first;
    if (entry.second == "/") {
      make_folders(path);
    } else {
      write_file(path, entry.second);
      testing_support::set_time(path, k_t1);
    }
  }
}

std::string u(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

class Restore : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string store = tmp.at("store");
  std::string target = tmp.at("target");
  host::fault_host faults{host::default_host()};
  bool overwrite = false;
  engine::recording_log log;
  engine::recording_progress progress;

  void history_folder(const std::string& name, const layout& entries) {
    lay_out(store + "/" + name, entries);
  }
  void change_log(const std::string& name, const std::string& bytes) {
    write_file(store + "/" + name + ".Zcl", bytes);
  }
  engine::run_summary restore(const std::string& point, const std::string& into) {
    const engine::restore_request request{testing_support::point_in_text(point), store, "src", into,
                                          overwrite};
    return engine::start_restore(faults, request, log, progress);
  }
  engine::run_summary restore(const std::string& point) { return restore(point, target); }
  // The tree a layout gives, as tree_of reads it back.
  restore_testing::tree expected(const layout& entries) {
    const std::string root = tmp.at("expected" + std::to_string(++expectations_));
    lay_out(root, entries);
    return tree_of(root);
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const std::string& line : log.lines()) out.push_back(u(line));
    return out;
  }
  bool has_line(const std::string& utf8) const {
    for (const std::string& line : lines()) {
      if (line == utf8) return true;
    }
    return false;
  }

 private:
  int expectations_ = 0;
};

TEST_F(Restore, SingleHistoryFolderComesBackWholeWithItsLinesAndWeights) {
  const layout newest = {{"docs", "/"},
                         {"docs\\a.txt", "A"},
                         {k_hyo, "/"},
                         {k_hyo + "\\" + k_so + ".txt", ""},
                         {"empty", "/"},
                         {".dot", "hidden"},
                         {".git", "/"},
                         {".git\\x", "x"},
                         {".zolk-copy.31.tmp", "a cut copy's leftover"}};
  history_folder("Zolk0001", newest);
  // A folder the owner may not write is still restored with its contents.
  std::filesystem::permissions(std::filesystem::u8path(host::native_path(store + "/Zolk0001/docs")),
                               std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  // The opening line names the point as the point list shows it.
  const std::string point_shown = u(engine::restore_point_entries(faults, store).at(0));
  const engine::run_summary summary = restore("0001");
  EXPECT_TRUE(summary.ok());
  EXPECT_EQ(summary.copied, 8);
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "src フォルダの履歴バックアップから", point_shown + " 時点のデータを",
                         u(target) + " へ復元します。", "-----* 処理の開始 *-----", "",
                         "-----* 処理の終了 *-----", ""}));
  EXPECT_EQ(tree_of(target), expected({{"docs", "/"},
                                       {"docs\\a.txt", "A"},
                                       {k_hyo, "/"},
                                       {k_hyo + "\\" + k_so + ".txt", ""},
                                       {"empty", "/"},
                                       {".dot", "hidden"},
                                       {".git", "/"},
                                       {".git\\x", "x"}}));
  // Eight items; the bytes of the files. The plan comes first, so a view knows the totals
  // before anything is copied.
  ASSERT_FALSE(progress.reports().empty());
  EXPECT_EQ(progress.reports()[0].entries_total, 8);
  EXPECT_EQ(progress.reports()[0].bytes_total, 8);
  EXPECT_EQ(progress.last().entries_done, 8);
  EXPECT_EQ(progress.last().bytes_done, 8);
}

// Two restores on one thread, the first target moved away between them: the second
// restore makes the target again and fills it, and the moved folder keeps what it held.
TEST_F(Restore, ASecondRestoreWritesWhereItsTargetNowIs) {
  history_folder("Zolk0001", {{"docs", "/"}, {"docs\\a.txt", "A"}});
  EXPECT_TRUE(restore("0001").ok());
  std::filesystem::rename(std::filesystem::u8path(host::native_path(target)),
                          std::filesystem::u8path(host::native_path(tmp.at("moved"))));
  EXPECT_TRUE(restore("0001").ok());
  EXPECT_EQ(tree_of(target), tree_of(store + "/Zolk0001"));
  EXPECT_EQ(tree_of(tmp.at("moved")), tree_of(store + "/Zolk0001"));
}

TEST_F(Restore, AnEmptyNewestFolderGivesTheOpeningAndClosingLinesOnly) {
  history_folder("Zolk0001", {{"a.txt", "A"}});
  history_folder("Zolk0002", {});
  change_log("Zolk0002", "D   \\a.txt\r\n");
  EXPECT_TRUE(restore("0002").ok());
  EXPECT_EQ(lines().size(), 7u);
  EXPECT_EQ(progress.last().entries_total, 0);
  EXPECT_TRUE(tree_of(target).empty());
  EXPECT_TRUE(testing_support::is_folder(target));
}

// Three runs, laid out as the backup leaves them:
//   point 1: a.txt v1, keep.txt, old\x.txt, f (a file), deep\sub\y.txt y1
//   point 2: a.txt v2, keep.txt, f\in.txt (f now a folder), n.txt, deep\sub\y.txt y1
//   point 3: a.txt v2, keep.txt, f\in.txt, deep\sub\y.txt y3, nf\z.txt
class RestoreThreeRuns : public Restore {
 protected:
  void SetUp() override {
    history_folder("Zolk0001", {{"old", "/"}, {"old\\x.txt", "X"}, {"f", "F"}, {"a.txt", "v1"}});
    change_log("Zolk0001",
               "S   \\old\r\nC   \\a.txt\r\nC   \\keep.txt\r\nC   \\f\r\nS   \\deep\r\n");
    history_folder("Zolk0002",
                   {{"n.txt", "N"}, {"deep", "/"}, {"deep\\sub", "/"}, {"deep\\sub\\y.txt", "y1"}});
    change_log("Zolk0002", "D   \\old\r\nD   \\f\r\nD-C \\a.txt\r\nC   \\n.txt\r\nS   \\f\r\n");
    history_folder("Zolk0003", {{"a.txt", "v2"},
                                {"keep.txt", "K"},
                                {"f", "/"},
                                {"f\\in.txt", "I"},
                                {"deep", "/"},
                                {"deep\\sub", "/"},
                                {"deep\\sub\\y.txt", "y3"},
                                {"nf", "/"},
                                {"nf\\z.txt", "Z"}});
    change_log("Zolk0003", "D   \\n.txt\r\nD-C deep\\sub\\y.txt\r\nS   \\nf\r\n");
  }
  const layout point1 = {
      {"a.txt", "v1"}, {"keep.txt", "K"}, {"old", "/"},       {"old\\x.txt", "X"},
      {"f", "F"},      {"deep", "/"},     {"deep\\sub", "/"}, {"deep\\sub\\y.txt", "y1"}};
  const layout point2 = {
      {"a.txt", "v2"}, {"keep.txt", "K"}, {"f", "/"},         {"f\\in.txt", "I"},
      {"n.txt", "N"},  {"deep", "/"},     {"deep\\sub", "/"}, {"deep\\sub\\y.txt", "y1"}};
};

TEST_F(RestoreThreeRuns, EachPointHoldsItsOwnVersionsAndNothingCreatedLater) {
  EXPECT_TRUE(restore("0001").ok());
  EXPECT_EQ(tree_of(target), expected(point1));
  EXPECT_TRUE(restore("0002", tmp.at("t2")).ok());
  EXPECT_EQ(tree_of(tmp.at("t2")), expected(point2));
  EXPECT_TRUE(restore("0003", tmp.at("t3")).ok());
  EXPECT_EQ(tree_of(tmp.at("t3")), tree_of(store + "/Zolk0003"));
}

TEST_F(RestoreThreeRuns, FoldersInAnotherLetterCaseStillFindTheirPointAndLog) {
  ASSERT_TRUE(host::default_host().rename(store + "/Zolk0002", store + "/zolk0002"));
  ASSERT_TRUE(host::default_host().rename(store + "/Zolk0003", store + "/ZOLK0003"));
  EXPECT_TRUE(restore("0001").ok());
  EXPECT_EQ(tree_of(target), expected(point1));
  EXPECT_TRUE(restore("0002", tmp.at("t2")).ok());
  EXPECT_EQ(tree_of(tmp.at("t2")), expected(point2));
}

TEST_F(RestoreThreeRuns, AMissingChangeLogLetsTheOlderFolderGiveEveryEntry) {
  // Without the log of run 3 nothing tells that nf was new or y changed: point 2 is the
  // newest tree with every entry of Zolk0002 laid over it at its own depth.
  // The restore does what it can, and says that the point may hold later entries.
  ASSERT_TRUE(host::default_host().remove_file(store + "/Zolk0003.Zcl"));
  const engine::run_summary summary = restore("0002");
  EXPECT_FALSE(summary.refused);
  EXPECT_EQ(summary.failed, 1);
  const std::vector<std::string> shown = lines();
  const auto said =
      std::find(shown.begin(), shown.end(), "err:履歴のログファイルを読めませんでした。");
  ASSERT_NE(said, shown.end());
  EXPECT_EQ(*(said + 1), "==> " + u(store) + "\\Zolk0003.Zcl");
  layout merged = point2;
  merged.push_back({"nf", "/"});
  merged.push_back({"nf\\z.txt", "Z"});
  EXPECT_EQ(tree_of(target), expected(merged));
}

TEST_F(RestoreThreeRuns, ATargetThatHoldsFilesIsOnlyRestoredIntoWhenOverwriteIsChosen) {
  const layout mine = {{"mine.txt", "M"},
                       {"a.txt", "a much longer older text"},
                       {"old", "/"},
                       {"old\\other.txt", "O"}};
  lay_out(target, mine);
  EXPECT_TRUE(restore("0001").refused);
  const std::vector<std::string> shown = lines();
  ASSERT_EQ(shown.size(), 9u);
  EXPECT_EQ(shown[5], "err:処理を中断しました。");
  // Each front end words this refusal itself (cli/cli_texts.h, ui/window_texts.h).
  EXPECT_EQ(shown[6], engine::recording_log::message_line(engine::front_msg::target_not_empty));
  EXPECT_EQ(log.messages(), std::vector<engine::front_msg>{engine::front_msg::target_not_empty});
  EXPECT_EQ(tree_of(target), expected(mine));

  overwrite = true;
  EXPECT_TRUE(restore("0001").ok());
  layout both = point1;
  both.push_back({"mine.txt", "M"});
  both.push_back({"old\\other.txt", "O"});
  EXPECT_EQ(tree_of(target), expected(both));
}

TEST_F(RestoreThreeRuns, TemporaryFilesOfACutRestoreAreRemovedByTheNext) {
  lay_out(target, {{".zolk-copy.tmp", "cut"}, {"old", "/"}, {"old\\.zolk-copy.tmp", "cut"}});
  overwrite = true;  // a cut restore left them: the user restores over it again
  EXPECT_TRUE(restore("0001").ok());
  layout with_old = point1;
  with_old.push_back({"old", "/"});
  EXPECT_EQ(tree_of(target), expected(with_old));
  EXPECT_FALSE(testing_support::exists(target + "/.zolk-copy.tmp"));
}

TEST_F(RestoreThreeRuns, UnsafeTargetsAndMissingPointsAreRefusedBeforeAnythingIsWritten) {
  const restore_testing::tree store_before = tree_of(store);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "err:復元先フォルダが指定されていません。"},
      {"/", "err:復元先フォルダにルートを指定する事は出来ません。"},
#ifdef _WIN32
      {"c:\\", "err:復元先フォルダにルートを指定する事は出来ません。"},
#endif
      {tmp.at("x/../../../../../../../.."), "err:復元先フォルダにルートを指定する事は出来ません。"},
      {store, "err:復元先フォルダが履歴フォルダの中にあります。"},
      {store + "/Zolk0002/deep", "err:復元先フォルダが履歴フォルダの中にあります。"},
      {store + "\\zolk0001", "err:復元先フォルダが履歴フォルダの中にあります。"},
      {store + "/x/../Zolk0009/new", "err:復元先フォルダが履歴フォルダの中にあります。"},
  };
  for (const auto& refusal : cases) {
    log = engine::recording_log();
    const engine::run_summary summary = restore("0001", refusal.first);
    EXPECT_TRUE(summary.refused) << refusal.first;
    const std::vector<std::string> shown = lines();
    ASSERT_EQ(shown.size(), 9u) << refusal.first;
    EXPECT_EQ(shown[5], "err:処理を中断しました。");
    EXPECT_EQ(shown[6], refusal.second) << refusal.first;
    EXPECT_EQ(shown[7], "-----* 処理の終了 *-----");
  }
  log = engine::recording_log();
  EXPECT_TRUE(restore("0007").refused);
  EXPECT_TRUE(has_line("err:選択された時点の履歴フォルダがありません。"));
  EXPECT_EQ(tree_of(store), store_before);
  EXPECT_FALSE(exists(target));
  EXPECT_FALSE(exists(store + "/Zolk0009"));
  // A folder of the store beside the history folders is an acceptable target.
  log = engine::recording_log();
  EXPECT_TRUE(restore("0001", store + "/restored").ok());
  EXPECT_EQ(tree_of(store + "/restored"), expected(point1));
}

TEST_F(RestoreThreeRuns, OnlyAnAcceptableTargetThatHoldsEntriesAsksForConsent) {
  const auto needs_consent = [&](const std::string& point, const std::string& into) {
    return engine::check_restore(
               faults, engine::restore_request{testing_support::point_in_text(point), store, "src",
                                               into}) == engine::restore_check::needs_consent;
  };
  EXPECT_FALSE(needs_consent("0001", target));  // new
  make_folders(target);
  EXPECT_FALSE(needs_consent("0001", target));  // empty
  write_file(target + "/.hidden", "");
  EXPECT_TRUE(needs_consent("0001", target));
  write_file(tmp.at("a file"), "x");
  EXPECT_TRUE(needs_consent("0001", tmp.at("a file")));
  // Refused anyway: nothing to ask.
  EXPECT_FALSE(needs_consent("0007", target));
  EXPECT_FALSE(needs_consent("0001", "/"));
  EXPECT_FALSE(needs_consent("0001", store));
  EXPECT_NE(engine::check_restore(faults, engine::restore_request{0, store, "src", target}),
            engine::restore_check::needs_consent);
}

TEST(RestoreTarget, AShareIsARootWhateverItsSpelling) {
  const std::string store = "\\\\server\\share\\bk";
  for (const char* root : {"\\\\server\\share", "\\\\server\\share\\", "\\\\server\\share\\x\\..",
                           "\\\\server\\share\\x\\..\\..\\..", "\\\\server\\share\\.\\"}) {
    EXPECT_EQ(engine::target_refusal(root, store), engine::msg::restore_target_is_root) << root;
  }
  EXPECT_EQ(engine::target_refusal("\\\\server\\share\\bk\\Zolk0001\\x", store),
            engine::msg::restore_target_in_history);
  EXPECT_EQ(engine::target_refusal("\\\\server\\share\\restored", store), std::nullopt);
  EXPECT_EQ(engine::target_refusal("\\\\server\\share\\x\\..\\y", store), std::nullopt);
}

TEST_F(Restore, NothingChosenOrNoHistoryFolderWritesNoLine) {
  const engine::restore_request unchosen{0, store, "src", target};
  EXPECT_TRUE(engine::start_restore(faults, unchosen, log, progress).refused);
  history_folder("Zolk003", {{"a", "A"}});  // seven bytes: not a history folder
  EXPECT_TRUE(restore("0003").refused);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_FALSE(exists(target));
}

TEST_F(Restore, EveryFolderAndFileThatCannotBeMadeIsNamedAndTheRunGoesOn) {
  history_folder("Zolk0001", {{"docs", "/"}, {"docs\\a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}});
  faults.fail_path(host::call_kind::create_folder, "docs");
  faults.fail_path(host::call_kind::open_read, "c.txt");
  const engine::run_summary summary = restore("0001");
  EXPECT_EQ(summary.failed, 3);
  EXPECT_EQ(summary.copied, 1);
  EXPECT_FALSE(summary.ok());
  const std::string in = u(target);
  EXPECT_TRUE(has_line("err:フォルダを作成出来ませんでした。==> " + in + "\\docs"));
  EXPECT_TRUE(has_line("err:ファイルを復元出来ませんでした。==> " + in + "\\docs\\a.txt"));
  EXPECT_TRUE(has_line("err:ファイルを復元出来ませんでした。==> " + in + "\\c.txt"));
  EXPECT_EQ(lines()[lines().size() - 2], "-----* 処理の終了 *-----");
  EXPECT_EQ(read_file(target + "/b.txt"), "B");
  EXPECT_FALSE(exists(target + "/c.txt"));
}

TEST_F(Restore, ATargetThatCannotBeMadeIsNamedOnce) {
  history_folder("Zolk0001", {{"a.txt", "A"}, {"b.txt", "B"}});
  faults.fail_path(host::call_kind::create_folder, "target");
  const engine::run_summary summary = restore("0001");
  EXPECT_EQ(summary.failed, 1);
  EXPECT_TRUE(has_line("err:フォルダを作成出来ませんでした。==> " + u(target)));
  EXPECT_EQ(lines()[lines().size() - 2], "-----* 処理の終了 *-----");
}

TEST_F(Restore, AHistoryFolderThatCannotBeListedIsReported) {
  history_folder("Zolk0001", {{"docs", "/"}, {"docs\\a.txt", "A"}, {"b.txt", "B"}});
  faults.fail_path(host::call_kind::search, "docs");
  const engine::run_summary summary = restore("0001");
  EXPECT_EQ(summary.failed, 1);
  EXPECT_TRUE(has_line("err:履歴フォルダを読めませんでした。==> " + u(store) + "\\Zolk0001\\docs"));
  EXPECT_EQ(read_file(target + "/b.txt"), "B");
}

TEST_F(Restore, ChangeLogLinesNeverReachOutsideTheStoreOrTheTarget) {
  write_file(tmp.at("secret.txt"), "SECRET");
  history_folder("Zolk0001", {{"a.txt", "A"}});
  history_folder("Zolk0002", {{"b.txt", "B"}});
  change_log("Zolk0002",
             "D   \\..\\secret.txt\r\nD   ..\\..\\secret.txt\r\nD-C c:\\secret.txt\r\n"
             "C   /etc/passwd\r\nS   \\..\r\nD   \\\\\r\nS   \r\nD\r\nXYZ \\b.txt\r\n"
             "D   " +
                 tmp.path() + "/secret.txt\r\nC   \\b.txt\r\n");
  const restore_testing::tree outside = tree_of(tmp.path());
  EXPECT_TRUE(restore("0001").ok());
  EXPECT_EQ(tree_of(target), expected({{"a.txt", "A"}}));
  restore_testing::tree after = tree_of(tmp.path());
  for (auto it = after.begin(); it != after.end();) {
    it = it->first.compare(0, 7, "target\\") == 0 || it->first == "target" ? after.erase(it) : ++it;
  }
  after.erase("store\\.zolk-lock");  // the one thing a restore makes outside its target
  restore_testing::tree before = outside;
  for (auto it = before.begin(); it != before.end();) {
    it = it->first.compare(0, 8, "expected") == 0 ? before.erase(it) : ++it;
  }
  for (auto it = after.begin(); it != after.end();) {
    it = it->first.compare(0, 8, "expected") == 0 ? after.erase(it) : ++it;
  }
  EXPECT_EQ(after, before);
}

TEST_F(Restore, NothingIsRestoredIntoTheStoreWhenItLiesInsideTheTarget) {
  // The tree kept in the store holds a copy of the store's own path: restoring it into the
  // folder above the store must not write into the history being read.
  history_folder("Zolk0001", {{"ok.txt", "OK"},
                              {"store", "/"},
                              {"store\\Zolk0001", "/"},
                              {"store\\Zolk0001\\ok.txt", "EVIL"}});
  overwrite = true;  // the target holds the store
  const engine::run_summary summary = restore("0001", tmp.path());
  EXPECT_EQ(read_file(tmp.at("ok.txt")), "OK");
  EXPECT_EQ(read_file(store + "/Zolk0001/ok.txt"), "OK");
  EXPECT_GE(summary.failed, 1);
  EXPECT_TRUE(has_line("err:履歴フォルダの中へは復元しません。==> " + u(tmp.path()) +
                       "\\store\\Zolk0001\\ok.txt"));
}

}  // namespace
