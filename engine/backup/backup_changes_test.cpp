// How a backup run finds changed files and copes with files that change under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/testing/store_test_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "platform/testing/fifo.h"
#endif

namespace {

using store_test::exists;
using store_test::list_tree;
using store_test::make_folders;
using store_test::write_file;
using testing_support::read_file;

const uint32_t k_t1 = host::pack_time(host::calendar_time{2021, 6, 1, 12, 0, 0});
const uint32_t k_t2 = host::pack_time(host::calendar_time{2021, 6, 2, 12, 0, 0});
const std::string k_folder_not_read =
    "err:フォルダを読めませんでした。前回の内容を履歴に残します。";
const std::string k_changed_while_copied =
    "err:コピー中にファイルが変更されたため、バックアップを見送りました。次回のバックアップでコピーします。";

// The store fixture, with a dated file writer of its own: tests here choose when two writes
// fall into one two-second slot.
class BackupChanges : public store_test::store_fixture {
 protected:
  void SetUp() override {
    store_fixture::SetUp();
    make_folders(dst);
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
  std::string zsrc(const std::string& rel) { return cp932::to_unicode(src) + "\\" + rel; }
  // The line after `line`, or "<none>" when `line` is not there.
  static std::string after(const std::vector<std::string>& lines, const std::string& line) {
    const auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() || it + 1 == lines.end() ? "<none>" : *(it + 1);
  }
};

TEST_F(BackupChanges, ARewriteWithinOneTimeSlotIsBackedUpByItsLength) {
  file("a.txt", "v1");
  run();
  file("a.txt", "version 2", k_t1);
  run();
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 2");
  EXPECT_EQ(stored("Zolk0001").at("a.txt"), "v1");
  EXPECT_EQ(change_log("Zolk0002"), "D-C \\a.txt\r\n");
}

TEST_F(BackupChanges, ANewFileChangingWhileCopiedIsReportedAndCopiedNextRun) {
  make_folders(src + "/docs");
  file("docs/inner.txt", "inner");
  file("new.txt", "first bytes");
  faults.change_on_read("new.txt", [&] { file("new.txt", "bytes written during the copy", k_t2); });
  faults.change_on_read("inner.txt", [&] { file("docs/inner.txt", "inner, rewritten", k_t2); });
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  // Each of the two has its line, in whatever order the system lists them.
  std::vector<std::string> details;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == k_changed_while_copied) details.push_back(lines[i + 1]);
  }
  std::sort(details.begin(), details.end());
  EXPECT_EQ(details,
            (std::vector<std::string>{"==> " + zsrc("docs\\inner.txt"), "==> " + zsrc("new.txt")}));
  EXPECT_EQ(summary.failed, 2);
  EXPECT_FALSE(exists(dst + "/Zolk0001/new.txt"));
  EXPECT_FALSE(exists(dst + "/Zolk0001/docs/inner.txt"));
  EXPECT_EQ(change_log("Zolk0001").find("new.txt"), std::string::npos);

  run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(stored("Zolk0002").at("new.txt"), "bytes written during the copy");
  EXPECT_EQ(stored("Zolk0002").at("docs/inner.txt"), "inner, rewritten");
}

TEST_F(BackupChanges, AChangedFileChangingWhileCopiedKeepsItsStoredVersion) {
  file("a.txt", "version 1");
  run();
  file("a.txt", "version 2", k_t2);
  faults.change_on_read("a.txt", [&] { file("a.txt", "version 3, longer", k_t2); });
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(after(lines, k_changed_while_copied), "==> " + zsrc("a.txt"));
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(summary.moved, 0);
  // The stored version stays whole in the newest point and nothing claims it moved.
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
  EXPECT_TRUE(stored("Zolk0001").empty());
  EXPECT_EQ(change_log("Zolk0002"), "");

  run(&summary);
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(stored("Zolk0003").at("a.txt"), "version 3, longer");
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
}

TEST_F(BackupChanges, AChangedFileThatCannotBeReadKeepsItsStoredVersion) {
  file("a.txt", "version 1");
  run();
  file("a.txt", "version 2", k_t2);
  faults.fail_path(host::call_kind::open_read, "src\\a.txt");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(after(lines, "更新ファイルでバックアップに失敗しました。"), "==> " + zsrc("a.txt"));
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
  EXPECT_EQ(change_log("Zolk0002"), "");
  faults.clear_faults();
  run();
  EXPECT_EQ(stored("Zolk0003").at("a.txt"), "version 2");
  EXPECT_EQ(stored("Zolk0002").at("a.txt"), "version 1");
}

TEST_F(BackupChanges, AFolderListedButNotEnteredKeepsItsStoredState) {
  make_folders(src + "/closed/sub");
  file("closed/kept", "K");
  file("closed/sub/deep", "D");
  run();
  file("closed/kept", "K, edited", k_t2);
  faults.hide_entries("closed");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(after(lines, k_folder_not_read), "==> " + zsrc("closed"));
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(stored("Zolk0002").at("closed/kept"), "K");
  EXPECT_EQ(stored("Zolk0002").at("closed/sub/deep"), "D");
  EXPECT_EQ(change_log("Zolk0002"), "");
  faults.clear_faults();
  run();
  EXPECT_EQ(stored("Zolk0003").at("closed/kept"), "K, edited");
}

#ifndef _WIN32
// The real thing: read permission without search permission. Root reads it anyway.
TEST_F(BackupChanges, AFolderWithoutSearchPermissionKeepsItsStoredState) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  make_folders(src + "/closed");
  file("closed/kept", "K");
  run();
  ASSERT_EQ(chmod((src + "/closed").c_str(), 0600), 0);
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  chmod((src + "/closed").c_str(), 0700);
  EXPECT_EQ(after(lines, k_folder_not_read), "==> " + zsrc("closed"));
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(stored("Zolk0002").at("closed/kept"), "K");
  EXPECT_EQ(change_log("Zolk0002"), "");
}

// FIFOs where the store keeps its files: the run marker, the change log it is about to write.
TEST_F(BackupChanges, FifosInTheStoreAreNeverWaitedOn) {
  file("a.txt", "A");
  const std::string marker = dst + "/.zolk-run";
  const std::string change_log = dst + "/Zolk0001.Zcl";
  ASSERT_TRUE(testing_support::make_fifo(marker));
  ASSERT_TRUE(testing_support::make_fifo(change_log));
  engine::run_summary summary;
  std::vector<std::string> lines;
  EXPECT_TRUE(testing_support::ends_in_time([&] { lines = run(&summary); }, {marker, change_log}));
  // The change log is made anew in the FIFO's place, as the file a run writes always is.
  EXPECT_TRUE(std::filesystem::is_regular_file(change_log));
  EXPECT_EQ(testing_support::read_file(change_log), "C   \\a.txt\r\n");
  EXPECT_GE(summary.failed, 1);  // the FIFO in the marker's place is reported
}
#endif

}  // namespace
