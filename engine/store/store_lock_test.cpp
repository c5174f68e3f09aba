// One run, restore or read of a store at a time; a lock that cannot be made stops a run only.
#include <gtest/gtest.h>

#include "engine/history/opened_store.h"
#include "engine/history/point_changes.h"
#include "engine/history/point_versions.h"
#include "engine/store/store_lock.h"

#include "engine/testing/store_test_fixture.h"

namespace {

using namespace store_test;

const std::string k_busy = "err:このバックアップ先は別の処理が使用中です。";

class StoreLock : public store_fixture {};

TEST_F(StoreLock, ARunOrRestoreOnAHeldStoreIsRefusedAndChangesNothing) {
  file("a.txt", "a1");
  run();
  file("a.txt", "a2");
  host::lock_result other = host::default_host().lock_file(dst + "/" + engine::k_store_lock_name);
  ASSERT_EQ(other.state, host::lock_state::taken);
  const tree before = list_tree(dst);

  engine::run_summary summary;
  EXPECT_EQ(run(&summary), (std::vector<std::string>{k_busy, "==> " + u(dst), ""}));
  EXPECT_TRUE(summary.refused);
  EXPECT_EQ(list_tree(dst), before);

  std::vector<std::string> lines;
  EXPECT_TRUE(restored("0001", &summary, &lines).empty());
  EXPECT_TRUE(summary.refused);
  EXPECT_TRUE(has(lines, k_busy));

  other.held.reset();
  EXPECT_TRUE(run(&summary).size() > 2 && summary.ok());
  EXPECT_EQ(points().size(), 2u);
}

TEST_F(StoreLock, ChangesAndVersionsAreNotReadFromAHeldStore) {
  // A prune holding the lock may be renumbering the points: what a reader saw would mix them.
  file("a.txt", "a1");
  run();
  file("a.txt", "a2");
  run();
  host::lock_result other = host::default_host().lock_file(dst + "/" + engine::k_store_lock_name);
  ASSERT_EQ(other.state, host::lock_state::taken);
  using changes = engine::point_changes_result::state;
  using versions = engine::path_versions_result::state;
  EXPECT_EQ(engine::read_point_changes(faults, dst, 2).outcome, changes::busy);
  EXPECT_EQ(engine::read_path_versions(faults, dst, "a.txt").outcome, versions::busy);
  // What needs no store is still answered as before.
  EXPECT_EQ(engine::read_path_versions(faults, dst, "..").outcome, versions::bad_path);
  EXPECT_EQ(engine::read_point_changes(faults, tmp.at("none"), 1).outcome, changes::no_store);

  other.held.reset();
  EXPECT_EQ(engine::read_point_changes(faults, dst, 2).outcome, changes::read);
  const engine::path_versions_result read = engine::read_path_versions(faults, dst, "a.txt");
  EXPECT_EQ(read.outcome, versions::read);
  EXPECT_EQ(read.versions.size(), 2u);
}

TEST_F(StoreLock, ALockFileThatCannotBeMadeStillLetsChangesAndVersionsBeRead) {
  file("a.txt", "a1");
  run();
  // A store on a read-only medium: it cannot change either, so it is read without the lock.
  faults.fail_call(host::call_kind::lock, 1);
  EXPECT_EQ(engine::read_point_changes(faults, dst, 1).outcome,
            engine::point_changes_result::state::read);
  faults.fail_call(host::call_kind::lock, 1);
  EXPECT_EQ(engine::read_path_versions(faults, dst, "a.txt").versions.size(), 1u);
  // Opened without the lock, the store says so in its status, naming the lock file.
  faults.fail_call(host::call_kind::lock, 1);
  const engine::opened_store opened = engine::open_store_to_read(faults, dst);
  EXPECT_EQ(opened.opened(), engine::opened_store::state::unlocked);
  EXPECT_EQ(opened.status().what, engine::status::code::not_locked);
  EXPECT_EQ(opened.status().message, engine::msg::store_not_locked);
  EXPECT_EQ(opened.status().path, dst + "\\" + engine::k_store_lock_name);
}

TEST_F(StoreLock, ALockFileThatCannotBeMadeRefusesARunButNotARestore) {
  file("a.txt", "a1");
  faults.fail_call(host::call_kind::lock, 1);
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_TRUE(summary.refused);
  EXPECT_EQ(lines.front(), "err:バックアップ先をロック出来ませんでした。");
  EXPECT_FALSE(exists(dst + "/Zolk0001"));
  run();
  // A store on a read-only medium: no lock file can be made, and the restore still works.
  faults.fail_call(host::call_kind::lock, 1);
  EXPECT_EQ(restored("0001", &summary), list_tree(src));
  EXPECT_TRUE(summary.ok());
}

TEST_F(StoreLock, APlaceTooLongForTheSystemIsRefusedWithItsReasonAndNothingIsMade) {
  // A name longer than any file system takes: the run must say why, not only that it failed.
  file("a.txt", "a");
  const std::string too_long = tmp.at("new") + "/" + std::string(300, 'x');
  engine::recording_log log;
  engine::null_progress progress;
  const engine::run_summary summary =
      engine::run_history_backup(host::default_host(), src, too_long, log, progress);
  EXPECT_TRUE(summary.refused);
  ASSERT_FALSE(log.lines().empty());
  EXPECT_EQ(u(log.lines().front()), "err:バックアップ先をロック出来ませんでした。");
  EXPECT_EQ(log.reasons().size(), 1u);
  EXPECT_FALSE(exists(tmp.at("new")));

  // A restore target alike.
  run();
  engine::recording_log restore_log;
  const engine::run_summary restored = engine::start_restore(
      host::default_host(),
      engine::restore_request{1, dst, src, tmp.at("back") + "/" + std::string(300, 'x')},
      restore_log, progress);
  EXPECT_EQ(restored.failed, 1);
  EXPECT_EQ(restore_log.reasons().size(), 1u);
  EXPECT_FALSE(exists(tmp.at("back")));
}

}  // namespace
