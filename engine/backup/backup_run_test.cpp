#include "engine/backup/backup_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/backup/backup_steps.h"
#include "engine/common/file_copy.h"
#include "engine/common/messages.h"
#include "engine/store/run_marker.h"
#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using testing_support::exists;
using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::read_file;
using testing_support::write_file;

const uint32_t k_t1 = host::pack_time(host::calendar_time{2021, 6, 1, 12, 0, 0});
const uint32_t k_t2 = host::pack_time(host::calendar_time{2021, 6, 2, 12, 0, 0});
const std::string k_jp = "\x95\x5C\x83\x5C\x94\x5C\x97\x5C";  // 表ソ能予

// Run-log texts in UTF-8, for readable expectations.
std::string u(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

class BackupRun : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  host::fault_host faults{host::default_host()};

  void SetUp() override {
    make_folders(src);
    make_folders(dst);
  }

  // Runs a backup; returns the lines as shown, in UTF-8.
  std::vector<std::string> run(engine::run_summary* summary = nullptr) {
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_summary s = engine::run_history_backup(faults, src, dst, log, progress);
    if (summary != nullptr) *summary = s;
    std::vector<std::string> lines;
    for (const std::string& line : log.lines()) lines.push_back(u(line));
    return lines;
  }
  void file(const std::string& rel, const std::string& bytes, uint32_t time = k_t1) {
    write_file(src + "/" + rel, bytes);
    testing_support::set_time(src + "/" + rel, time);
  }
  std::string change_log(const std::string& folder) {
    return read_file(dst + "/" + folder + ".Zcl");
  }
  std::map<std::string, std::string> stored(const std::string& folder) {
    return list_tree(dst + "/" + folder);
  }
  std::string zsrc(const std::string& rel) { return u(src) + "\\" + rel; }
  std::string znew(const std::string& folder, const std::string& rel) {
    return u(dst) + "\\" + folder + "\\" + rel;
  }
};

TEST_F(BackupRun, FirstRunCopiesTheTreeAndLogsEachStep) {
  make_folders(src + "/docs");
  file("docs/a.txt", "A");
  file("b.txt", "B");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  // The search decides whether docs or b.txt comes first; both orders are right.
  const std::vector<std::string> docs = {"新規フォルダです。", "新規ファイルの処理を行いました。",
                                         "==> docs\\a.txt", ""};
  const std::vector<std::string> b = {"新規ファイルをバックアップしました。",
                                      "==> " + zsrc("b.txt"), ""};
  std::vector<std::string> want = {"履歴バックアップ初回処理。"};
  const bool docs_first = change_log("Zolk0001").rfind("S   \\docs", 0) == 0;
  for (const auto* part : docs_first ? std::vector<const std::vector<std::string>*>{&docs, &b}
                                     : std::vector<const std::vector<std::string>*>{&b, &docs}) {
    want.insert(want.end(), part->begin(), part->end());
  }
  EXPECT_EQ(lines, want);
  EXPECT_EQ(change_log("Zolk0001"),
            docs_first ? "S   \\docs\r\nC   \\b.txt\r\n" : "C   \\b.txt\r\nS   \\docs\r\n");
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{
                                    {"docs", "<folder>"}, {"docs/a.txt", "A"}, {"b.txt", "B"}}));
  EXPECT_EQ(testing_support::file_time(dst + "/Zolk0001/b.txt"), k_t1);
  EXPECT_EQ(summary.copied, 2);
  EXPECT_TRUE(summary.ok());
}

TEST_F(BackupRun, UnchangedRunMovesTheCopyForwardAndLogsNoChanges) {
  make_folders(src + "/docs");
  file("docs/a.txt", "A");
  run();
  const std::vector<std::string> lines = run();
  EXPECT_EQ(lines,
            (std::vector<std::string>{"履歴バックアップ通常処理",
                                      "・・・変更のあったファイルはありませんでした。", ""}));
  EXPECT_TRUE(stored("Zolk0001").empty());
  EXPECT_EQ(stored("Zolk0002").at("docs/a.txt"), "A");
  EXPECT_EQ(change_log("Zolk0002"), "");
}

TEST_F(BackupRun, EditsAndDeletionsGoIntoTheOlderFolder) {
  make_folders(src + "/docs/sub");
  file("docs/sub/x", "X");
  file("a.txt", "old");
  file("b.txt", "B");
  run();
  file("a.txt", "new", k_t2);
  std::filesystem::remove(src + "/b.txt");
  std::filesystem::remove_all(src + "/docs");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  // Deletions first, whatever the folder order.
  const std::string log = change_log("Zolk0002");
  EXPECT_NE(log.find("D   \\b.txt\r\n"), std::string::npos);
  EXPECT_NE(log.find("D   \\docs\r\n"), std::string::npos);
  const std::string last_line = "D-C \\a.txt\r\n";
  EXPECT_EQ(log.substr(log.size() - last_line.size()), last_line) << log;
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{{"a.txt", "old"},
                                                                    {"b.txt", "B"},
                                                                    {"docs", "<folder>"},
                                                                    {"docs/sub", "<folder>"},
                                                                    {"docs/sub/x", "X"}}));
  EXPECT_EQ(stored("Zolk0002"), (std::map<std::string, std::string>{{"a.txt", "new"}}));
  const std::vector<std::string> tail(lines.end() - 6, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "更新ファイルで履歴の処理を行いました。", "==> " + znew("Zolk0002", "a.txt"),
                      "", "更新ファイルをバックアップしました。", "==> " + zsrc("a.txt"), ""}));
  EXPECT_EQ(summary.moved, 3);
  EXPECT_EQ(summary.copied, 1);
}

TEST_F(BackupRun, AFolderEmptyInTheCopyListsItsNewEntriesOneByOne) {
  make_folders(src + "/grows");
  run();
  make_folders(src + "/grows/deep");
  file("grows/deep/x", "X");
  file("grows/y", "Y");
  const std::vector<std::string> lines = run();
  for (const std::string& line : lines)
    EXPECT_EQ(line.find("ディレクトリを作成出来ませんでした"), std::string::npos);
  const std::string log = change_log("Zolk0002");
  EXPECT_NE(log.find("S   grows\\deep\r\n"), std::string::npos);
  EXPECT_NE(log.find("C   grows\\y\r\n"), std::string::npos);
  EXPECT_EQ(stored("Zolk0002").at("grows/deep/x"), "X");
}

TEST_F(BackupRun, JapaneseDotAndTypeChangedNamesAreHandled) {
  make_folders(src + "/" + k_jp);
  file(k_jp + "/" + k_jp + ".txt", "jp");
  file(".hidden", "never");
  make_folders(src + "/.cache");
  file("switch", "file first");
  run();
  EXPECT_EQ(stored("Zolk0001"),
            (std::map<std::string, std::string>{{k_jp, "<folder>"},
                                                {k_jp + "/" + k_jp + ".txt", "jp"},
                                                {".hidden", "never"},
                                                {".cache", "<folder>"},
                                                {"switch", "file first"}}));
  std::filesystem::remove(src + "/switch");
  make_folders(src + "/switch");
  file("switch/in", "now a folder");
  run();
  EXPECT_EQ(change_log("Zolk0002"), "D   \\switch\r\nS   \\switch\r\n");
  EXPECT_EQ(stored("Zolk0001").at("switch"), "file first");
  EXPECT_EQ(stored("Zolk0002").at("switch/in"), "now a folder");
}

TEST_F(BackupRun, RootsAndADestinationInsideTheSourceAreRefused) {
#ifdef _WIN32
  dst = "c:\\";
#else
  dst = "/";  // "c:\\" is the relative folder "c:" here
#endif
  EXPECT_EQ(run(), (std::vector<std::string>{
                       "err:処理を中断しました。",
                       "ルートディレクトリが、バックアップ先フォルダに指定されています。",
                       "バックアップ先フォルダを変更してください。", "（これは仕様にエラーです。）",
                       "", "", ""}));
  src = "";
  engine::run_summary root_source;
  EXPECT_EQ(
      run(&root_source),
      (std::vector<std::string>{"err:処理を中断しました。",
                                "err:バックアップの対象フォルダにルートを指定する事は出来ません。",
                                "err:バックアップの対象フォルダを変更してください。",
                                "err:（これは仕様によるエラーです。）", "", "", ""}));
  // The refusal asks for the user's attention; the engine itself never sounds.
  EXPECT_TRUE(root_source.alert);
  EXPECT_EQ(faults.beeps(), 0);
  src = tmp.at("src");
  dst = src + "\\backup";
  engine::run_summary summary;
  EXPECT_EQ(run(&summary),
            (std::vector<std::string>{
                "err:処理を中断しました。",
                "err:バックアップ先フォルダがバックアップの対象フォルダの中にあります。",
                "err:バックアップ先フォルダを変更してください。", "", "", ""}));
  EXPECT_TRUE(summary.refused);
  EXPECT_FALSE(exists(src + "/backup"));
}

TEST_F(BackupRun, AMissingSourceStopsTheRunAndLeavesTheStoreAlone) {
  file("a", "A");
  run();
  src = tmp.at("gone");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(lines, (std::vector<std::string>{"err:処理を中断しました。",
                                             "err:バックアップの対象フォルダを読めません。",
                                             "==> " + u(src), ""}));
  EXPECT_TRUE(summary.refused);
  EXPECT_FALSE(exists(dst + "/Zolk0002"));
  EXPECT_EQ(stored("Zolk0001").at("a"), "A");
}

TEST_F(BackupRun, AnUnreadableFolderIsReportedAndKeepsItsStoredState) {
  make_folders(src + "/locked");
  file("locked/kept", "K");
  run();
  std::filesystem::remove(src + "/locked/kept");
  faults.fail_path(host::call_kind::search, "locked");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "err:フォルダを読めませんでした。前回の内容を履歴に残します。"),
            lines.end());
  EXPECT_EQ(stored("Zolk0002").at("locked/kept"), "K");
  EXPECT_EQ(change_log("Zolk0002"), "");
  EXPECT_EQ(summary.failed, 1);
}

TEST_F(BackupRun, AChangedFileWhoseOldVersionCannotMoveIsNotOverwritten) {
  file("a.txt", "version 1");
  run();
  file("a.txt", "version 2", k_t2);
  faults.fail_path(host::call_kind::rename, "Zolk0002");  // moves out of the newest folder fail
  engine::run_summary summary;
  // The carry-forward renames out of Zolk0001, so only the move back is refused.
  const std::vector<std::string> lines = run(&summary);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "更新ファイルで履歴の処理に失敗しました。"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "err:前の版を履歴に移せないため、更新ファイルのバックアップを見送りました。"),
            lines.end());
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
  EXPECT_EQ(change_log("Zolk0002"), "");
  EXPECT_EQ(summary.failed, 1);
  faults.clear_faults();
  run();  // the next run completes the history
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
  EXPECT_EQ(stored("Zolk0003").at("a.txt"), "version 2");
}

TEST_F(BackupRun, FailedCopiesAreReportedAndFoundAgainNextRun) {
  file("a", "A");
  make_folders(src + "/f");
  file("f/unwritten", "I");
  // A file of a new folder is written under its own name, the rest under a temporary one.
  faults.fail_path(host::call_kind::open_write, engine::k_copy_temp_prefix);
  faults.fail_path(host::call_kind::open_write, "unwritten");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(summary.failed, 2);
  const std::string log = change_log("Zolk0001");
  EXPECT_EQ(log.find("C   \\a"), std::string::npos);
  faults.clear_faults();
  run();
  EXPECT_EQ(stored("Zolk0002").at("a"), "A");
  EXPECT_EQ(stored("Zolk0002").at("f/unwritten"), "I");
}

// A folder the run makes belongs, all of it, to no point until the run ends, and the
// completion of a cut run copies again whatever in it is not the source's: its files are
// written under their own names, without a temporary name and a rename. Any file elsewhere,
// or in a folder whose line the change log could not take, still takes the rename.
TEST_F(BackupRun, FilesOfFoldersTheRunMakesAreWrittenUnderTheirOwnNames) {
  file("a", "A");
  make_folders(src + "/first/deeper");
  file("first/one", "1");
  file("first/deeper/two", "2");
  faults.fail_path(host::call_kind::replace, "first");
  engine::run_summary summary;
  run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{{"a", "A"},
                                                                    {"first", "<folder>"},
                                                                    {"first/deeper", "<folder>"},
                                                                    {"first/deeper/two", "2"},
                                                                    {"first/one", "1"}}));

  make_folders(src + "/later");
  file("later/three", "3");
  faults.fail_path(host::call_kind::replace, "later");
  run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(stored("Zolk0002").at("later/three"), "3");
  EXPECT_NE(change_log("Zolk0002").find("S   \\later"), std::string::npos);

  make_folders(src + "/unlogged");
  file("unlogged/four", "4");
  faults.fail_path(host::call_kind::replace, "unlogged");
  faults.fail_path(host::call_kind::write, "Zolk0003.Zcl");
  faults.fail_path(host::call_kind::append_text, "Zolk0003.Zcl");
  run(&summary);
  EXPECT_EQ(stored("Zolk0003").count("unlogged/four"), 0u);
  faults.clear_faults();
  run();
  EXPECT_EQ(stored("Zolk0004").at("unlogged/four"), "4");
}

// What a cut run copied into a new folder at the top of the source belongs to no point: when
// the source changes it again before the completion, the older point must not gain it.
TEST_F(BackupRun, ACutRunsCopiesInANewTopFolderNeverReachTheOlderPoint) {
  file("a", "A");
  run();
  make_folders(src + "/fresh/inner");
  file("fresh/moving", "copied by the cut run");
  file("fresh/inner/deep", "copied by the cut run");
  faults.fail_path(host::call_kind::remove_file, engine::k_run_marker_name);  // cut at its end
  run();
  ASSERT_TRUE(exists(dst + "/" + engine::k_run_marker_name));
  file("fresh/moving", "changed before the completion", k_t2);
  file("fresh/inner/deep", "changed before the completion", k_t2);
  faults.clear_faults();
  engine::run_summary summary;
  run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{}));
  EXPECT_EQ(stored("Zolk0002"), (std::map<std::string, std::string>{}));
  EXPECT_EQ(stored("Zolk0003").at("fresh/moving"), "changed before the completion");
  EXPECT_EQ(stored("Zolk0003").at("fresh/inner/deep"), "changed before the completion");
}

// A copy written under its own name that fails and cannot be removed would stand in the
// point as if it were the source's; the run keeps its marker instead, and its completion
// copies the file again.
TEST_F(BackupRun, AnUnfinishedCopyThatStaysLeavesTheRunToBeCompleted) {
  file("a", "A");
  run();
  make_folders(src + "/fresh");
  file("fresh/moving", "old");
  faults.change_on_read("moving", [&] { file("fresh/moving", "changed while read", k_t2); });
  faults.fail_path(host::call_kind::remove_file, "moving");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_TRUE(exists(dst + "/" + engine::k_run_marker_name));
  faults.clear_faults();
  const std::vector<std::string> next = run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_NE(std::find(next.begin(), next.end(), u(engine::text(engine::msg::resuming_run))),
            next.end());
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{}));
  EXPECT_EQ(stored("Zolk0003").at("fresh/moving"), "changed while read");
  EXPECT_FALSE(exists(dst + "/" + engine::k_run_marker_name));
}

TEST_F(BackupRun, AStoreEndsAtZolk9999AndRefusesTheNextRunUntouched) {
  make_folders(dst + "/Zolk9999");
  write_file(dst + "/Zolk9999/a", "A");
  testing_support::set_time(dst + "/Zolk9999/a", k_t1);
  file("a", "A changed", k_t2);
  file("b", "B");
  for (int attempt = 0; attempt < 2; ++attempt) {
    engine::run_summary summary;
    EXPECT_EQ(run(&summary),
              (std::vector<std::string>{"履歴バックアップ通常処理",
                                        "err:履歴用のディレクトリを作成出来ませんでした。",
                                        u(dst) + "\\Zolk9999", ""}));
    EXPECT_TRUE(summary.refused);
    EXPECT_EQ(list_tree(dst),
              (std::map<std::string, std::string>{
                  {".zolk-lock", ""}, {"Zolk9999", "<folder>"}, {"Zolk9999/a", "A"}}));
  }
}

// Zolk's temporary copies are the one pattern of names a run keeps for itself inside history
// folders: in the source such a name is reported, never silently left out; in the newest
// history folder it is a cut copy's leftover, which the next run takes away.
TEST_F(BackupRun, NamesOfTemporaryCopiesAreReportedInTheSourceAndLeftoversRemoved) {
  file("a", "A");
  make_folders(src + "/f");
  file("f/b", "B");
  file(".zolk-copy.4242.tmp", "a user's file named like a temporary copy");
  file("f/.zolk-copy.tmp", "named like an older version's temporary copy");
  file(".zolk-copy.tmp.txt", "not the pattern: backed up");
  file(".zolk-copy.12x.tmp", "not the pattern either");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  for (const std::string& path : {zsrc(".zolk-copy.4242.tmp"), zsrc("f\\.zolk-copy.tmp")}) {
    const auto at = std::find(lines.begin(), lines.end(), "==> " + path);
    ASSERT_NE(at, lines.end()) << path;
    EXPECT_EQ(*(at - 1), "err:Zolkの一時ファイルと同じ名前のため、バックアップしません。");
  }
  EXPECT_EQ(summary.failed, 2);
  EXPECT_EQ(stored("Zolk0001"), (std::map<std::string, std::string>{
                                    {"a", "A"},
                                    {"f", "<folder>"},
                                    {"f/b", "B"},
                                    {".zolk-copy.tmp.txt", "not the pattern: backed up"},
                                    {".zolk-copy.12x.tmp", "not the pattern either"}}));
  // Copies cut by an earlier run (of this version or an older one) are taken away.
  write_file(dst + "/Zolk0001/.zolk-copy.977.tmp", "cut");
  write_file(dst + "/Zolk0001/f/.zolk-copy.tmp", "cut by an older version");
  std::filesystem::remove(src + "/.zolk-copy.4242.tmp");
  std::filesystem::remove(src + "/f/.zolk-copy.tmp");
  EXPECT_EQ(run(&summary)[1], "・・・変更のあったファイルはありませんでした。");
  EXPECT_TRUE(summary.ok());
  EXPECT_EQ(stored("Zolk0002").size(), 5u);
  EXPECT_TRUE(stored("Zolk0001").empty());
  EXPECT_EQ(change_log("Zolk0002"), "");
}

TEST(CarryForward, MovesEverythingAndLeavesWhatCannotMove) {
  testing_support::temp_folder tmp;
  make_folders(tmp.at("old/dir"));
  write_file(tmp.at("old/dir/f"), "F");
  write_file(tmp.at("old/.dot"), "D");
  write_file(tmp.at("old/stuck"), "S");
  host::fault_host h(host::default_host());
  h.fail_path(host::call_kind::rename, "stuck");
  EXPECT_EQ(engine::carry_forward_newest(h, tmp.at("old"), tmp.at("new")), 0);
  EXPECT_EQ(list_tree(tmp.at("new")), (std::map<std::string, std::string>{
                                          {".dot", "D"}, {"dir", "<folder>"}, {"dir/f", "F"}}));
  EXPECT_EQ(list_tree(tmp.at("old")), (std::map<std::string, std::string>{{"stuck", "S"}}));
  EXPECT_EQ(engine::carry_forward_newest(h, tmp.at("old"), tmp.at("new")), -1);
}

#ifndef _WIN32
TEST_F(BackupRun, LinksAreBackedUpAsLinksAndOtherSpecialEntriesReported) {
  file("target", "T");
  ASSERT_EQ(symlink("target", (src + "/link").c_str()), 0);
  make_folders(src + "/dir");
  ASSERT_EQ(symlink("dir", (src + "/dirlink").c_str()), 0);
  ASSERT_EQ(mkfifo((src + "/fifo").c_str(), 0600), 0);
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  const auto link_in_store = [&](const std::string& name) {
    char buffer[64] = {};
    const ssize_t n = readlink((dst + "/Zolk0001/" + name).c_str(), buffer, sizeof buffer - 1);
    return n < 0 ? std::string("<no link>") : std::string(buffer, static_cast<size_t>(n));
  };
  EXPECT_EQ(link_in_store("link"), "target");
  EXPECT_EQ(link_in_store("dirlink"), "dir");
  EXPECT_EQ(link_in_store("dir"), "<no link>");
  int reported = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "err:バックアップ出来ない項目です（リンク、特殊ファイル）。") {
      ++reported;
      EXPECT_EQ(lines[i + 1], "==> " + zsrc("fifo"));
    }
  }
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(summary.copied, 3);  // target, link and dirlink
}
#endif

}  // namespace
