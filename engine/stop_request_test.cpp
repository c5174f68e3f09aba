// A run the user stops is left as a cut run is left: the next run completes it, and every point
// still restores exactly.
#include <gtest/gtest.h>

#include "engine/run_marker.h"
#include "engine/store_test_fixture.h"

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
