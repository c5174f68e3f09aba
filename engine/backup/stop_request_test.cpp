// A run the user stops is left as a cut run is left: the next run completes it, and every point
// still restores exactly.
#include <gtest/gtest.h>

#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"
#include "engine/testing/store_test_fixture.h"

namespace store_test {
namespace {

// Asks the run to stop once it has finished `entries` entries, or written `bytes` bytes of one
// file.
class stop_after : public engine::run_progress {
 public:
  stop_after(engine::stop_request& stop, int64_t entries, int64_t bytes = -1)
      : stop_(stop), entries_(entries), bytes_(bytes) {}
  void report(const engine::progress_facts& facts) override {
    if (facts.entries_done >= entries_ || (bytes_ >= 0 && facts.file_bytes_done > bytes_)) {
      stop_.request();
    }
  }

 private:
  engine::stop_request& stop_;
  int64_t entries_;
  int64_t bytes_;
};

class StoppedRun : public store_fixture {
 protected:
  std::vector<std::string> stopped_run(engine::run_progress& progress, engine::stop_request& stop,
                                       engine::run_summary& summary) {
    engine::recording_log log;
    summary = engine::run_history_backup(faults, src, dst, log, progress, &stop);
    std::vector<std::string> lines;
    for (const std::string& line : log.lines()) lines.push_back(u(line));
    return lines;
  }
  tree source_now() { return list_tree(src); }
};

const char* const k_stopped =
    "err:中止の指示により処理を止めました。次回のバックアップが続きを完了します。";

TEST_F(StoppedRun, IsCompletedByTheNextRunAndEveryPointRestoresExactly) {
  for (int i = 0; i < 40; ++i) file("f" + std::to_string(i) + ".txt", "one " + std::to_string(i));
  run();
  const tree first = source_now();
  for (int i = 0; i < 40; i += 2)
    file("f" + std::to_string(i) + ".txt", "two " + std::to_string(i));
  make_folders(src + "/new");
  for (int i = 0; i < 10; ++i) file("new/n" + std::to_string(i) + ".txt", "new");

  engine::stop_request stop;
  stop_after progress(stop, 7);
  engine::run_summary summary;
  const std::vector<std::string> lines = stopped_run(progress, stop, summary);
  EXPECT_TRUE(summary.stopped);
  EXPECT_FALSE(summary.ok());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "err:処理を中断しました。");
  EXPECT_EQ(lines.back(), k_stopped);
  EXPECT_LT(summary.copied + summary.moved, 40);  // it did stop part-way
  EXPECT_TRUE(exists(dst + "/" + engine::k_run_marker_name));

  file("f1.txt", "changed after the stop");
  engine::run_summary next;
  const std::vector<std::string> completing = run(&next);
  EXPECT_TRUE(next.ok());
  EXPECT_TRUE(has(completing, "前回中断された履歴バックアップの処理を完了します。"));
  EXPECT_FALSE(exists(dst + "/" + engine::k_run_marker_name));
  const tree last = source_now();
  EXPECT_EQ(restored("0001"), first);
  EXPECT_EQ(restored("0002"), last);  // completed to the source as the completing run saw it
  EXPECT_EQ(restored("0003"), last);
}

const char* const k_unfinished_mark = " （未完了：中断されたバックアップ）";
const char* const k_unfinished_refusal =
    "err:この時点のバックアップは中断されたため未完了で、復元出来ません。もう一度バックアップを"
    "実行すると完了し、復元出来るようになります。";

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A store with three points, then a run stopped after each number of entries in turn: while
// the cut run waits for the next backup, its point is shown unfinished and a restore of it
// writes nothing, and every older point restores exactly what it held.
class StoppedRunPoints : public StoppedRun {
 protected:
  std::map<std::string, tree> held;  // point -> what the source held when it was made

  // A first run of twenty files, stopped after five; true when it stopped there.
  bool first_run_stopped() {
    for (int i = 0; i < 20; ++i) file("f" + std::to_string(i), "x");
    engine::stop_request stop;
    stop_after progress(stop, 5);
    engine::run_summary summary;
    stopped_run(progress, stop, summary);
    return summary.stopped;
  }

  void make_history() {
    make_folders(src + "/docs/sub");
    for (int i = 0; i < 6; ++i) file("docs/d" + std::to_string(i), "d1 " + std::to_string(i));
    file("docs/sub/s", "s1");
    file("top", "top1");
    file("gone", "gone1");
    run();
    held["0001"] = source_now();
    file("docs/d1", "d2");
    remove_tree(src + "/gone");
    file("new", "new2");
    run();
    held["0002"] = source_now();
    remove_tree(src + "/docs/sub");
    file("docs/d2", "d3");
    make_folders(src + "/later");
    file("later/l", "l3");
    run();
    held["0003"] = source_now();
  }
  // The changes the cut run works on: deletions, changes, a new folder, a file that became a
  // folder.
  void change_source() {
    for (int i = 0; i < 6; i += 2) file("docs/d" + std::to_string(i), "d4 " + std::to_string(i));
    remove_tree(src + "/later");
    remove_tree(src + "/top");
    make_folders(src + "/top");
    file("top/inner", "inner4");
    make_folders(src + "/fresh/deep");
    for (int i = 0; i < 4; ++i) file("fresh/deep/f" + std::to_string(i), "f4");
  }
  void copy_store(const std::string& from, const std::string& to) {
    make_folders(to);
    for (const auto& [relative, content] : list_tree(from)) {
      if (content == "<folder>") {
        make_folders(to + "/" + relative);
      } else {
        write_file(to + "/" + relative, content);
        testing_support::set_time(to + "/" + relative,
                                  testing_support::file_time(from + "/" + relative));
      }
    }
  }
};

TEST_F(StoppedRunPoints, AreShownUnfinishedAndRefusedWhileEveryOtherPointRestoresExactly) {
  make_history();
  change_source();
  const std::string base = dst;
  int cut = 0;
  for (int entries = 1; entries < 40; ++entries) {
    const std::string where = "stopped after " + std::to_string(entries) + " entries";
    dst = tmp.at("store" + std::to_string(entries));
    copy_store(base, dst);
    engine::stop_request stop;
    stop_after progress(stop, entries);
    engine::run_summary summary;
    stopped_run(progress, stop, summary);
    if (!summary.stopped) break;  // the run got to its end
    ++cut;
    const std::vector<std::string> listed = points();
    ASSERT_EQ(listed.size(), 4u) << where;
    EXPECT_TRUE(ends_with(u(listed[0]), k_unfinished_mark)) << where << ": " << u(listed[0]);
    for (size_t i = 1; i < listed.size(); ++i) {
      EXPECT_FALSE(ends_with(u(listed[i]), k_unfinished_mark)) << where << ": " << u(listed[i]);
    }
    // Refused before anything is written: the target is not even made.
    engine::run_summary refused;
    std::vector<std::string> lines;
    const std::string target = tmp.at("restore" + std::to_string(restores_ + 1));
    EXPECT_TRUE(restored("0004", &refused, &lines).empty()) << where;
    EXPECT_TRUE(refused.refused) << where;
    EXPECT_FALSE(refused.ok()) << where;
    EXPECT_FALSE(exists(target)) << where;
    EXPECT_TRUE(has(lines, k_unfinished_refusal)) << where;
    for (const auto& [point, expected] : held) {
      engine::run_summary restore;
      EXPECT_EQ(restored(point, &restore), expected) << where << ", point " << point;
      EXPECT_TRUE(restore.ok()) << where << ", point " << point;
    }
    // The next run completes it: the mark goes, and the point restores the source.
    run();
    EXPECT_FALSE(ends_with(u(points()[1]), k_unfinished_mark)) << where;
    EXPECT_EQ(restored("0004"), source_now()) << where;
  }
  EXPECT_GT(cut, 10);
}

TEST_F(StoppedRunPoints, AStoppedFirstRunIsShownUnfinishedAndRefused) {
  ASSERT_TRUE(first_run_stopped());
  ASSERT_EQ(points().size(), 1u);
  EXPECT_TRUE(ends_with(u(points()[0]), k_unfinished_mark)) << u(points()[0]);
  engine::run_summary refused;
  std::vector<std::string> lines;
  EXPECT_TRUE(restored("0001", &refused, &lines).empty());
  EXPECT_TRUE(refused.refused);
  EXPECT_TRUE(has(lines, k_unfinished_refusal));
  run();
  EXPECT_FALSE(ends_with(u(points()[1]), k_unfinished_mark));
  EXPECT_EQ(restored("0001"), source_now());
}

TEST_F(StoppedRunPoints, ARunAtWorkIsTheStoreBeingBusyNotACutRun) {
  ASSERT_TRUE(first_run_stopped());
  // The marker of a run still at work looks the same; its lock tells them apart.
  const host::lock_result running = engine::lock_store(host::default_host(), dst);
  ASSERT_EQ(running.state, host::lock_state::taken);
  engine::run_summary refused;
  std::vector<std::string> lines;
  EXPECT_TRUE(restored("0001", &refused, &lines).empty());
  EXPECT_TRUE(refused.refused);
  EXPECT_TRUE(has(lines, "err:このバックアップ先は別の処理が使用中です。")) << lines.size();
  EXPECT_FALSE(has(lines, k_unfinished_refusal));
}

TEST_F(StoppedRun, AStopInsideALargeCopyKeepsTheStoredVersionWhole) {
  const std::string v1(5 * 131071, 'a');
  file("big.bin", v1);
  run();
  file("big.bin", std::string(5 * 131071, 'b'));
  engine::stop_request stop;
  stop_after progress(stop, 1000, 131071);
  engine::run_summary summary;
  stopped_run(progress, stop, summary);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.failed, 0);  // a stopped copy is not a failed one
  EXPECT_EQ(testing_support::read_file(dst + "/Zolk0002/big.bin"), v1);
  EXPECT_EQ(list_tree(dst + "/Zolk0002").size(), 1u);  // no temporary copy left behind
  EXPECT_TRUE(run().size() > 0);
  EXPECT_EQ(restored("0001").at("big.bin"), v1);
  EXPECT_EQ(restored("0003"), source_now());
}

TEST_F(StoppedRun, AStoppedRestoreSaysSoAndKeepsWhatItRestored) {
  for (int i = 0; i < 20; ++i) file("f" + std::to_string(i) + ".txt", "x");
  run();
  engine::stop_request stop;
  stop_after progress(stop, 5);
  engine::recording_log log;
  const std::string target = tmp.at("target");
  const engine::run_summary summary = engine::start_restore(
      faults, engine::restore_request{1, dst, src, target}, log, progress, &stop);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.copied, 5);
  EXPECT_EQ(list_tree(target).size(), 5u);
  std::vector<std::string> lines;
  for (const std::string& line : log.lines()) lines.push_back(u(line));
  EXPECT_TRUE(
      has(lines, "err:中止の指示により復元を止めました。復元先には途中までの内容があります。"));
  EXPECT_EQ(lines[lines.size() - 2], "-----* 処理の終了 *-----");
}

}  // namespace
}  // namespace store_test
