// A run marker is acted on only when it matches the newest history folders; a run that cannot
// write one does not start; every failed write of the store has its line.
#include <gtest/gtest.h>

#include <set>

#include "engine/history/point_versions.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"

#include "engine/testing/store_test_fixture.h"

namespace {

using namespace store_test;

class RunMarker : public store_fixture {};

TEST_F(RunMarker, AStaleMarkerIsSetAsideAndNeverActedOn) {
  make_folders(src + "/docs");
  file("a.txt", "a1");
  file("c.txt", "c1");
  file("docs/d.txt", "d1");
  run();
  file("a.txt", "a2");
  run();
  remove_tree(src + "/c.txt");
  remove_tree(src + "/docs");
  run();
  std::map<std::string, tree> expected;
  for (const std::string& point : points()) expected[point.substr(0, 4)] = restored(point);
  ASSERT_EQ(expected.size(), 3u);
  ASSERT_EQ(expected["0001"].count("docs/d.txt"), 1u);

  const std::string marker = dst + "/" + engine::k_run_marker_name;
  // An old run, a folder that is not directly below, a first run in a store that has more,
  // and a finished run whose new folder is missing.
  for (const std::string stale :
       {"Zolk0002\r\nZolk0001\r\ncarrying\r\n", "Zolk0004\r\nZolk0002\r\ncarried\r\n",
        "Zolk0001\r\n\r\ncarried\r\n"}) {
    write_file(marker, stale);
    // Never acted on, so no point is taken for the cut run's.
    for (const std::string& point : points()) {
      EXPECT_EQ(u(point).find("未完了"), std::string::npos) << stale << ": " << u(point);
    }
    engine::run_summary summary;
    const std::vector<std::string> lines = run(&summary);
    EXPECT_FALSE(has(lines, "前回中断された履歴バックアップの処理を完了します。")) << stale;
    EXPECT_TRUE(has(lines, "err:履歴フォルダと合わない処理の記録ファイルを使わずに退避しました。"))
        << stale;
    EXPECT_FALSE(exists(marker)) << stale;
    EXPECT_FALSE(summary.refused);
    // Set aside, not deleted.
    bool kept = false;
    for (const auto& [relative, content] : list_tree(dst)) kept = kept || content == stale;
    EXPECT_TRUE(kept) << stale;
    for (const auto& [point, want] : expected)
      EXPECT_EQ(restored(point), want) << stale << " point " << point;
  }
}

TEST_F(RunMarker, OnlyAMarkerThatMatchesTheNewestFoldersMakesTheirPointUnfinished) {
  file("a.txt", "a1");
  run();
  file("a.txt", "a2");
  file("b.txt", "b2");
  run();
  const tree first = restored("0001");
  const tree second = restored("0002");
  host::host& h = host::default_host();
  const std::string marker = dst + "/" + engine::k_run_marker_name;

  // Written just before a run makes its folder: nothing is cut yet.
  write_file(marker, "Zolk0003\r\nZolk0002\r\ncarrying\r\n");
  EXPECT_EQ(engine::unfinished_folder(h, dst, engine::scan_history_folders(h, dst)), nullptr);
  // Cut while it carried the newest point forward: one entry moved, one not, no log yet.
  make_folders(dst + "/Zolk0003");
  ASSERT_TRUE(h.rename(dst + "/Zolk0002/a.txt", dst + "/Zolk0003/a.txt"));
  const engine::folder_tree history = engine::scan_history_folders(h, dst);
  const engine::folder_node* cut = engine::unfinished_folder(h, dst, history);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->name, "Zolk0003");
  const std::vector<std::string> listed = points();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(u(listed[0]).substr(4),
            ": " + u(*history.first()->date_text) + " （未完了：中断されたバックアップ）");
  EXPECT_EQ(u(listed[1]).find("未完了"), std::string::npos);
  const auto unfinished = [&](int point) {
    return engine::check_restore(h, engine::restore_request{point, dst, src, tmp.at("t")}) ==
           engine::restore_check::point_unfinished;
  };
  EXPECT_TRUE(unfinished(3));
  EXPECT_FALSE(unfinished(2));

  // The older points are whole, and the log the cut run has not written yet is no failure.
  engine::run_summary summary;
  EXPECT_EQ(restored("0002", &summary), second);
  EXPECT_TRUE(summary.ok()) << summary.failed;
  EXPECT_EQ(restored("0001", &summary), first);
  EXPECT_TRUE(summary.ok()) << summary.failed;
  EXPECT_TRUE(engine::read_path_versions(h, dst, "a.txt").unread_logs.empty());
  EXPECT_TRUE(restored("0003", &summary).empty());
  EXPECT_TRUE(summary.refused);

  // Completed by the next run: every point is finished.
  run();
  for (const std::string& point : points()) {
    EXPECT_EQ(u(point).find("未完了"), std::string::npos) << u(point);
  }
  EXPECT_EQ(restored("0003"), list_tree(src));
  EXPECT_EQ(restored("0002"), second);
}

TEST_F(RunMarker, AMarkerThatCannotBeWrittenRefusesTheRunAndLeavesNoTemporaryFile) {
  const std::string not_written = "err:処理の記録ファイルを書き込めませんでした。";
  const std::string marker_line = "==> " + u(dst) + "\\" + engine::k_run_marker_name;
  file("a.txt", "a1");
  for (int first_run = 1; first_run >= 0; --first_run) {
    for (const host::call_kind kind :
         {host::call_kind::open_write, host::call_kind::write, host::call_kind::replace}) {
      tree before = exists(dst) ? list_tree(dst) : tree();
      before.erase(engine::k_store_lock_name);
      faults.fail_path(kind, engine::k_run_marker_name);
      engine::run_summary summary;
      const std::vector<std::string> lines = run(&summary);
      faults.clear_faults();
      EXPECT_TRUE(summary.refused) << static_cast<int>(kind);
      EXPECT_TRUE(has(lines, not_written)) << static_cast<int>(kind);
      EXPECT_TRUE(has(lines, marker_line)) << static_cast<int>(kind);
      tree after = list_tree(dst);
      after.erase(engine::k_store_lock_name);
      EXPECT_EQ(after, before) << static_cast<int>(kind);
    }
    if (first_run) {
      ASSERT_TRUE(run().size() > 2);
    }
    file("a.txt", "a2");
  }
}

TEST_F(RunMarker, AChangeLogWriteOrFlushThatFailsHasItsLine) {
  file("a.txt", "a1");
  file("b.txt", "b1");
  run();
  const std::string line = "err:ログファイルへの書き込みに失敗しました。";
  for (const host::call_kind kind : {host::call_kind::write, host::call_kind::sync}) {
    file("a.txt", "a" + std::to_string(clock_));
    faults.fail_path(kind, ".Zcl");
    engine::run_summary summary;
    const std::vector<std::string> lines = run(&summary);
    faults.clear_faults();
    EXPECT_TRUE(has(lines, line)) << static_cast<int>(kind);
    EXPECT_GT(summary.failed, 0) << static_cast<int>(kind);
  }
}

}  // namespace
