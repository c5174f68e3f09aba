// Symbolic links in the source are backed up as links: their target text, never followed
// (dangling links and loops included), compared by that text, moved to history like files
// when they change or go, and restored as links.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/backup/backup_run.h"
#include "engine/common/messages.h"
#include "engine/common/run_sinks.h"
#include "engine/restore/restore_run.h"
#include "platform/host.h"
#include "platform/native_path.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::make_folders;
using testing_support::read_file;
using testing_support::write_file;

// The target text of the link at `path`; "<no link>" when none stands there.
std::string link_at(const std::string& path) {
  std::error_code failed;
  const fs::path target = fs::read_symlink(host::native_path(path), failed);
  return failed ? "<no link>" : target.string();
}

class Symlinks : public ::testing::Test {
 protected:
  void SetUp() override {
    make_folders(src + "/dir");
    make_folders(src + "/bin");
    write_file(src + "/file.txt", "data");
    write_file(src + "/dir/inner.txt", "inner");
    if (!link("file.txt", "to_file")) GTEST_SKIP() << "symbolic links cannot be made here";
    ASSERT_TRUE(link("dir", "to_dir"));
    ASSERT_TRUE(link("nowhere", "dangling"));
    ASSERT_TRUE(link("loop", "loop"));
    ASSERT_TRUE(link("../file.txt", "bin/x"));
    ASSERT_TRUE(link("file.txt", "becomes_file"));
  }

  bool link(const std::string& target, const std::string& at) {
    std::error_code failed;
    fs::create_symlink(target, host::native_path(src + "/" + at), failed);
    return !failed;
  }

  engine::run_summary backup() {
    engine::recording_log log;
    return engine::run_history_backup(h, src, store, log, progress);
  }

  engine::run_summary restore(int point, const std::string& into) {
    engine::recording_log log;
    const engine::restore_request request{point, store, src, into};
    return engine::start_restore(h, request, log, progress);
  }

  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  const std::string src = tmp.at("src");
  const std::string store = tmp.at("store");
  engine::null_progress progress;
};

TEST_F(Symlinks, LinksAreStoredComparedAndRestoredAsLinksAtEveryPoint) {
  const engine::run_summary first = backup();
  EXPECT_TRUE(first.ok());
  EXPECT_EQ(first.failed, 0);
  const std::string z1 = store + "/Zolk0001";
  EXPECT_EQ(link_at(z1 + "/to_file"), "file.txt");
  EXPECT_EQ(link_at(z1 + "/to_dir"), "dir");
  EXPECT_EQ(link_at(z1 + "/dangling"), "nowhere");
  EXPECT_EQ(link_at(z1 + "/loop"), "loop");
  EXPECT_EQ(link_at(z1 + "/bin/x"), "../file.txt");

  // A link given another target, one replaced by a file, one gone, one new.
  fs::remove(host::native_path(src + "/to_file"));
  ASSERT_TRUE(link("dir/inner.txt", "to_file"));
  fs::remove(host::native_path(src + "/becomes_file"));
  write_file(src + "/becomes_file", "now a file");
  fs::remove(host::native_path(src + "/dangling"));
  ASSERT_TRUE(link("to_dir/inner.txt", "new_link"));
  const engine::run_summary second = backup();
  EXPECT_TRUE(second.ok());
  EXPECT_EQ(second.copied, 3);
  EXPECT_EQ(second.moved, 3);
  EXPECT_NE(read_file(store + "/Zolk0002.Zcl").find("C   \\new_link"), std::string::npos);

  // Links are compared by their target text, never by the time they were made.
  const engine::run_summary third = backup();
  EXPECT_TRUE(third.ok());
  EXPECT_EQ(third.copied + third.moved, 0);

  const std::string latest = tmp.at("latest");
  ASSERT_TRUE(restore(3, latest).ok());
  EXPECT_EQ(link_at(latest + "/to_file"), "dir/inner.txt");
  EXPECT_EQ(link_at(latest + "/new_link"), "to_dir/inner.txt");
  EXPECT_EQ(link_at(latest + "/becomes_file"), "<no link>");
  EXPECT_EQ(read_file(latest + "/becomes_file"), "now a file");
  EXPECT_FALSE(fs::exists(fs::symlink_status(host::native_path(latest + "/dangling"))));
  EXPECT_EQ(link_at(latest + "/loop"), "loop");
  EXPECT_EQ(link_at(latest + "/to_dir"), "dir");
  EXPECT_EQ(read_file(latest + "/to_dir/inner.txt"), "inner");  // through the restored link

  const std::string first_point = tmp.at("first");
  ASSERT_TRUE(restore(1, first_point).ok());
  EXPECT_EQ(link_at(first_point + "/to_file"), "file.txt");
  EXPECT_EQ(link_at(first_point + "/becomes_file"), "file.txt");
  EXPECT_EQ(link_at(first_point + "/dangling"), "nowhere");
  EXPECT_EQ(link_at(first_point + "/bin/x"), "../file.txt");
  EXPECT_FALSE(fs::exists(fs::symlink_status(host::native_path(first_point + "/new_link"))));
  // A restored link is made, never written through: its target keeps its own bytes.
  EXPECT_EQ(read_file(first_point + "/file.txt"), "data");
}

TEST_F(Symlinks, ARestoreOverAnEarlierRestoreReplacesItsLinksWithoutFollowingThem) {
  ASSERT_TRUE(backup().ok());
  const std::string target = tmp.at("again");
  ASSERT_TRUE(restore(1, target).ok());
  const std::string outside = tmp.at("outside.txt");
  write_file(outside, "keep");
  fs::remove(host::native_path(target + "/to_file"));
  fs::create_symlink(host::native_path(outside), host::native_path(target + "/to_file"));
  engine::recording_log log;
  const engine::restore_request request{1, store, src, target, true};
  EXPECT_TRUE(engine::start_restore(h, request, log, progress).ok());
  EXPECT_EQ(link_at(target + "/to_file"), "file.txt");
  EXPECT_EQ(read_file(outside), "keep");
}

// A store that cannot hold links (FAT, exFAT): each link is reported on a line of its own and
// counted as skipped, and the run does not fail for it; a restore into such a folder likewise.
TEST_F(Symlinks, ALinkThatCannotBeMadeIsReportedAndSkippedNotFailed) {
  host::fault_host refusing(h);
  refusing.fail_path(host::call_kind::create_link, "");
  engine::recording_log log;
  const engine::run_summary run = engine::run_history_backup(refusing, src, store, log, progress);
  EXPECT_TRUE(run.ok());
  EXPECT_EQ(run.failed, 0);
  EXPECT_EQ(run.skipped, 6);
  EXPECT_EQ(run.copied, 2);  // the two plain files
  size_t lines = 0;
  for (const std::string& line : log.lines()) {
    if (line == engine::text(engine::msg::link_not_stored)) ++lines;
  }
  EXPECT_EQ(lines, 6u);
  EXPECT_EQ(read_file(store + "/Zolk0001/file.txt"), "data");

  ASSERT_TRUE(backup().ok());  // a store that holds them, for the restore below
  engine::recording_log restore_log;
  const engine::restore_request request{2, store, src, tmp.at("on_fat")};
  const engine::run_summary restored =
      engine::start_restore(refusing, request, restore_log, progress);
  EXPECT_TRUE(restored.ok());
  EXPECT_EQ(restored.skipped, 6);
  EXPECT_EQ(read_file(tmp.at("on_fat/dir/inner.txt")), "inner");
}

size_t link_lines(const engine::recording_log& log) {
  size_t lines = 0;
  for (const std::string& line : log.lines()) {
    if (line == engine::text(engine::msg::link_not_stored)) ++lines;
  }
  return lines;
}

// The Windows host reads a symbolic link's own target text as POSIX does, but tells nothing of
// a link to a folder or a junction (such as a user profile's "Application Data") but that it is
// one: that one is named and skipped on every run, never failed; every other link, dangling or
// not, is stored, compared and restored as a link, never followed.
TEST_F(Symlinks, OnWindowsLinksAreStoredAsLinksAndFolderLinksSkippedOnEveryRun) {
  host::fault_host windows_like(h);
  windows_like.describe_links_as_windows();
  for (int round = 1; round <= 2; ++round) {
    engine::recording_log log;
    const engine::run_summary run =
        engine::run_history_backup(windows_like, src, store, log, progress);
    EXPECT_TRUE(run.ok()) << "round " << round;
    EXPECT_EQ(run.failed, 0) << "round " << round;
    EXPECT_EQ(run.skipped, 1) << "round " << round;  // to_dir
    EXPECT_EQ(link_lines(log), 1u) << "round " << round;
    if (round == 2) {
      EXPECT_EQ(run.copied + run.moved, 0);  // compared by their target text
    }
  }
  const std::string z2 = store + "/Zolk0002";
  EXPECT_EQ(link_at(z2 + "/to_file"), "file.txt");
  EXPECT_EQ(link_at(z2 + "/bin/x"), "../file.txt");
  EXPECT_EQ(link_at(z2 + "/dangling"), "nowhere");
  EXPECT_EQ(link_at(z2 + "/loop"), "loop");
  EXPECT_FALSE(fs::exists(fs::symlink_status(host::native_path(z2 + "/to_dir"))));

  const std::string back = tmp.at("back");
  engine::recording_log log;
  const engine::restore_request request{2, store, src, back};
  const engine::run_summary restored = engine::start_restore(windows_like, request, log, progress);
  EXPECT_TRUE(restored.ok());
  EXPECT_EQ(restored.failed, 0);
  EXPECT_EQ(link_at(back + "/to_file"), "file.txt");
  EXPECT_EQ(link_at(back + "/bin/x"), "../file.txt");
  EXPECT_EQ(link_at(back + "/dangling"), "nowhere");
  EXPECT_EQ(read_file(back + "/file.txt"), "data");
}

// Windows lets only some processes make links (an administrator's, or any in developer mode):
// elsewhere each link is named and skipped on every run, never failed, and never stored as a
// copy of what it names.
TEST_F(Symlinks, OnWindowsWithoutTheRightToMakeLinksEachIsSkippedNeverFollowed) {
  host::fault_host windows_like(h);
  windows_like.describe_links_as_windows();
  windows_like.fail_path(host::call_kind::create_link, "");
  for (int round = 1; round <= 2; ++round) {
    engine::recording_log log;
    const engine::run_summary run =
        engine::run_history_backup(windows_like, src, store, log, progress);
    EXPECT_TRUE(run.ok()) << "round " << round;
    EXPECT_EQ(run.failed, 0) << "round " << round;
    EXPECT_EQ(run.skipped, 6) << "round " << round;
    EXPECT_EQ(link_lines(log), 6u) << "round " << round;
  }
  for (const std::string name : {"to_file", "bin/x", "becomes_file", "to_dir"}) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(host::native_path(store + "/Zolk0002/" + name))))
        << name;
  }
  EXPECT_EQ(read_file(store + "/Zolk0002/file.txt"), "data");
}

}  // namespace
