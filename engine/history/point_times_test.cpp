// The time each point shows, and the system's reasons that runs hand to their views.
#include <gtest/gtest.h>

#include "engine/history/point_times.h"
#include "engine/testing/store_test_fixture.h"

namespace {

using store_test::store_fixture;

const uint32_t k_long_ago = host::pack_time(host::calendar_time{2020, 5, 6, 7, 8, 10});

class point_times : public store_fixture {
 protected:
  // Makes the first point look as if its run had happened long ago: the folder and its log.
  void age_first_point() {
    testing_support::set_time(dst + "/Zolk0001.Zcl", k_long_ago);
    ASSERT_TRUE(host::default_host().set_folder_time(dst + "/Zolk0001", k_long_ago));
  }
  std::string shown_time(const std::string& digits) {
    for (const std::string& entry : points()) {
      if (entry.compare(0, 6, digits + ": ") == 0) return entry.substr(6);
    }
    return "(no point " + digits + ")";
  }
};

TEST_F(point_times, APointKeepsTheTimeOfItsRunWhenTheNextRunMovesOlderVersionsIn) {
  file("kept.txt", "1");
  file("changed.txt", "1");
  file("deleted.txt", "1");
  run();
  age_first_point();
  const std::string long_ago = host::default_host().date_text(k_long_ago);
  ASSERT_EQ(shown_time("0001"), long_ago);

  file("changed.txt", "2");
  testing_support::remove_tree(src + "/deleted.txt");
  run();
  // Both older versions went into Zolk0001, yet it still shows when its own run was.
  EXPECT_EQ(shown_time("0001"), long_ago);
  EXPECT_NE(shown_time("0002"), long_ago);
  EXPECT_EQ(restored("0001")["changed.txt"], "1");
  EXPECT_EQ(restored("0001")["deleted.txt"], "1");
}

TEST_F(point_times, ATimeThatCannotBeSetChangesNothingElse) {
  file("a.txt", "1");
  run();
  age_first_point();
  file("a.txt", "2");
  faults.fail_path(host::call_kind::set_time, "Zolk0001");
  engine::run_summary summary;
  const std::vector<std::string> lines = run(&summary);
  EXPECT_EQ(summary.failed, 0) << ::testing::PrintToString(lines);
  EXPECT_NE(shown_time("0001"), host::default_host().date_text(k_long_ago));
  EXPECT_EQ(restored("0001")["a.txt"], "1");
  EXPECT_EQ(restored("0002")["a.txt"], "2");
}

TEST_F(point_times, AFolderWithoutItsLogKeepsTheTimeTheSystemGaveIt) {
  file("a.txt", "1");
  run();
  age_first_point();
  testing_support::remove_tree(dst + "/Zolk0001.Zcl");
  file("a.txt", "2");
  run();
  EXPECT_NE(shown_time("0001"), host::default_host().date_text(k_long_ago));
}

// Keeps lines and reasons in one order, as a view shows them.
class interleaved_log : public engine::run_log {
 public:
  void add_line(const std::string& text) override {
    for (const std::string& line : engine::split_log_text(text))
      lines.push_back(store_test::u(line));
  }
  void add_reason(const std::string& reason) override { lines.push_back("reason: " + reason); }
  void add_message(engine::front_msg id) override {
    lines.push_back(engine::recording_log::message_line(id));
  }
  std::vector<std::string> lines;
};

TEST_F(point_times, AFailedEntryCarriesTheSystemsReasonBetweenItsPathAndTheEmptyLine) {
  file("a.txt", "1");
  file("b.txt", "1");
  faults.set_failure_reason("Permission denied");
  faults.fail_path(host::call_kind::open_read, "b.txt");
  interleaved_log log;
  engine::null_progress progress;
  engine::run_history_backup(faults, src, dst, log, progress);
  const std::vector<std::string> expected = {"新規ファイルでバックアップに失敗しました。",
                                             "==> " + src + "\\b.txt", "reason: Permission denied",
                                             ""};
  const auto at = std::search(log.lines.begin(), log.lines.end(), expected.begin(), expected.end());
  EXPECT_NE(at, log.lines.end()) << ::testing::PrintToString(log.lines);
  // Entries that went well carry none, and a reason is told once.
  EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                          [](const std::string& l) { return l.rfind("reason: ", 0) == 0; }),
            1);
}

TEST_F(point_times, ARestoreTellsWhyAFileCouldNotBeRestored) {
  file("a.txt", "1");
  run();
  faults.set_failure_reason("No space left on device");
  faults.fail_path(host::call_kind::open_write, "restore");
  interleaved_log log;
  engine::null_progress progress;
  const std::string target = tmp.at("restore");
  engine::start_restore(faults, engine::restore_request{1, dst, src, target}, log, progress);
  const std::vector<std::string> expected = {
      "err:ファイルを復元出来ませんでした。==> " + target + "\\a.txt",
      "reason: No space left on device"};
  EXPECT_NE(std::search(log.lines.begin(), log.lines.end(), expected.begin(), expected.end()),
            log.lines.end())
      << ::testing::PrintToString(log.lines);
}

}  // namespace
