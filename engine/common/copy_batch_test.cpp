// Runs that copy a new folder's small files two at a time must leave the very store, and
// write the very lines, that copying them one by one does, whatever stops or cuts them.
#include "engine/common/copy_batch.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/common/messages.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"
#include "engine/testing/point_text.h"
#include "engine/testing/store_test_fixture.h"

namespace {

using store_test::exists;
using store_test::make_folders;
using store_test::tree;

struct run_record {
  std::vector<std::string> lines;
  std::vector<std::string> reasons;
  engine::run_summary summary;
};

class BatchCopy : public store_test::store_fixture {
 protected:
  // Folders of small files with, among them, a long file and a folder.
  void make_source() {
    for (int folder = 0; folder < 3; ++folder) {
      make_folders(src + "/d" + std::to_string(folder));
      for (int i = 0; i < 40; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "d%d/f%02d.txt", folder, i);
        file(name, std::string(static_cast<size_t>(i), static_cast<char>('a' + folder)));
      }
    }
    file("d1/long.bin", std::string(engine::k_batch_file_length + 1, 'L'));
    make_folders(src + "/d1/inner");
    file("d1/inner/g.txt", "g");
  }
  run_record backup(const engine::stop_request* stop = nullptr) { return backup(faults, stop); }
  run_record backup(host::host& h, const engine::stop_request* stop = nullptr) {
    run_record r;
    engine::recording_log log;
    engine::null_progress progress;
    r.summary = engine::run_history_backup(h, src, dst, log, progress, stop);
    r.lines = log.lines();
    r.reasons = log.reasons();
    return r;
  }
  // Twelve files and a folder of two, for the tests that cut a run at each of its calls.
  void make_small_tree() {
    make_folders(src + "/many/sub");
    for (int i = 0; i < 12; ++i) file("many/m" + std::to_string(i), std::string(i, 'm'));
    file("many/sub/s", "s");
    file("many/sub/t", "t");
  }
  // A folder of more small files than one batch takes, so that batches of one folder follow
  // each other.
  void make_crowded_folder() {
    make_folders(src + "/crowd");
    for (int i = 0; i < 600; ++i) file("crowd/m" + std::to_string(i), std::to_string(i));
  }
  run_record restore(host::host& h, const std::string& target, bool overwrite = false,
                     const engine::stop_request* stop = nullptr) {
    run_record r;
    engine::recording_log log;
    engine::null_progress progress;
    engine::restore_request request{testing_support::point_in_text(points().front()), dst, src,
                                    target};
    request.overwrite = overwrite;
    r.summary = engine::start_restore(h, request, log, progress, stop);
    r.lines = log.lines();
    r.reasons = log.reasons();
    return r;
  }
  tree newest() { return store_test::list_tree(dst + "/Zolk" + points().front().substr(0, 4)); }
  static size_t count(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
  }
};

TEST_F(BatchCopy, TwoAtATimeWriteTheLinesAndTheStoreOfOneAtATime) {
  make_source();
  faults.set_failure_reason("no room here");
  faults.fail_path(host::call_kind::open_write, "f17.txt");
  const run_record one = backup();
  const tree one_store = newest();
  testing_support::remove_tree(dst);

  faults.allow_parallel_copies();
  const run_record two = backup();
  EXPECT_EQ(two.lines, one.lines);
  EXPECT_EQ(two.reasons, one.reasons);
  EXPECT_EQ(newest(), one_store);
  // Each failed file is named with its own reason, taken on the thread that failed.
  EXPECT_EQ(count(two.reasons, "no room here"), 3u);
  EXPECT_EQ(two.summary.failed, 3);
  EXPECT_EQ(two.summary.copied, 1 + 3 * 39 + 1);  // the files less three, the long one
  tree expected = store_test::list_tree(src);
  for (const char* failed : {"d0/f17.txt", "d1/f17.txt", "d2/f17.txt"}) expected.erase(failed);
  EXPECT_EQ(newest(), expected);
}

// The store is moved aside between runs, so that both runs name it alike in their lines.
TEST_F(BatchCopy, NewFoldersOfALaterRunGetTheLinesOfOneThread) {
  host::fault_host two_threads{host::default_host()};
  two_threads.allow_parallel_copies();
  const std::string one_store = tmp.at("one"), two_store = tmp.at("two");
  file("old.txt", "o");
  backup(faults);
  ASSERT_EQ(std::rename(dst.c_str(), one_store.c_str()), 0);
  backup(two_threads);
  ASSERT_EQ(std::rename(dst.c_str(), two_store.c_str()), 0);

  make_source();
  for (host::fault_host* h : {&faults, &two_threads}) {
    h->set_failure_reason("no room here");
    h->fail_path(host::call_kind::open_write, "f17.txt");
  }
  ASSERT_EQ(std::rename(one_store.c_str(), dst.c_str()), 0);
  const run_record one = backup(faults);
  ASSERT_EQ(std::rename(dst.c_str(), one_store.c_str()), 0);
  ASSERT_EQ(std::rename(two_store.c_str(), dst.c_str()), 0);
  const run_record two = backup(two_threads);
  EXPECT_EQ(two.lines, one.lines);
  EXPECT_EQ(two.reasons, one.reasons);
  EXPECT_EQ(count(two.reasons, "no room here"), 3u);
  EXPECT_EQ(store_test::list_tree(dst), store_test::list_tree(one_store));
  tree expected = store_test::list_tree(src);
  for (const char* failed : {"d0/f17.txt", "d1/f17.txt", "d2/f17.txt"}) expected.erase(failed);
  EXPECT_EQ(restored(points().front()), expected);
}

TEST_F(BatchCopy, AStopInABatchLeavesOnlyWholeFilesAndTheNextRunCompletes) {
  make_source();
  faults.allow_parallel_copies();
  engine::stop_request stop;
  // Asked for while the first folder's files are being copied: two folders are left.
  faults.change_on_read("f05.txt", [&] { stop.request(); });
  const run_record stopped = backup(&stop);
  ASSERT_TRUE(stopped.summary.stopped);
  EXPECT_LT(stopped.summary.copied, 3 * 40 + 2);
  EXPECT_TRUE(exists(dst + "/" + engine::k_run_marker_name));
  // Whatever the run copied is whole and has the source's content; nothing half-written.
  const tree source = store_test::list_tree(src);
  const tree copied = newest();
  EXPECT_FALSE(copied.empty());
  for (const auto& [relative, content] : copied) {
    ASSERT_EQ(source.count(relative), 1u) << relative;
    EXPECT_EQ(content, source.at(relative)) << relative;
  }

  const run_record completed = backup();
  EXPECT_FALSE(completed.summary.stopped);
  EXPECT_EQ(completed.summary.failed, 0);
  EXPECT_FALSE(exists(dst + "/" + engine::k_run_marker_name));
  EXPECT_EQ(restored(points().back()), source);
  EXPECT_EQ(restored(points().front()), source);
}

// A cut at any call, whichever thread made it, leaves a store the next run completes.
TEST_F(BatchCopy, ACutAtAnyCallIsCompletedByTheNextRun) {
  make_small_tree();
  faults.allow_parallel_copies();
  const int before = faults.mutations();
  backup();
  const int total = faults.mutations() - before;
  ASSERT_GT(total, 30);
  const tree source = store_test::list_tree(src);
  for (int k = 1; k < total; ++k) {
    testing_support::remove_tree(dst);
    faults.crash_after(k);
    backup();
    faults.clear_faults();
    const run_record completed = backup();
    const std::string where = "cut after " + std::to_string(k) + " calls";
    EXPECT_EQ(completed.summary.failed, 0) << where;
    EXPECT_EQ(restored(points().front()), source) << where;
    for (const auto& [relative, content] : store_test::list_tree(dst)) {
      if (engine::is_kept_store_file(relative)) continue;
      EXPECT_EQ(relative.find(".zolk"), std::string::npos) << where << ": " << relative;
    }
    if (::testing::Test::HasFailure()) return;
  }
}

// A restore copies through a temporary name, one per process: two threads never write into
// one folder at once, and the lines are those of one thread.
TEST_F(BatchCopy, ARestoreTwoAtATimeWritesTheLinesAndTheTreeOfOneAtATime) {
  make_source();
  make_crowded_folder();
  backup();
  host::fault_host two_threads{host::default_host()};
  two_threads.allow_parallel_copies();
  for (host::fault_host* h : {&faults, &two_threads}) {
    h->set_failure_reason("cannot read");
    h->fail_path(host::call_kind::open_read, "f17.txt");
    // m5, m50 to m59, m500 to m599: in every batch of the crowded folder, whatever the order.
    h->fail_path(host::call_kind::open_read, "crowd\\m5");
  }
  const std::string target = tmp.at("target"), one_target = tmp.at("one");
  const run_record one = restore(faults, target);
  ASSERT_EQ(std::rename(target.c_str(), one_target.c_str()), 0);
  const run_record two = restore(two_threads, target);
  EXPECT_EQ(two.lines, one.lines);
  EXPECT_EQ(two.reasons, one.reasons);
  EXPECT_EQ(count(two.reasons, "cannot read"), 3u + 111u);
  EXPECT_EQ(two.summary.failed, 3 + 111);
  tree expected = store_test::list_tree(src);
  for (const char* failed : {"d0/f17.txt", "d1/f17.txt", "d2/f17.txt"}) expected.erase(failed);
  for (auto i = expected.begin(); i != expected.end();) {
    i = i->first.rfind("crowd/m5", 0) == 0 ? expected.erase(i) : std::next(i);
  }
  EXPECT_EQ(store_test::list_tree(target), expected);  // no temporary file left behind
  EXPECT_EQ(store_test::list_tree(one_target), expected);
}

TEST_F(BatchCopy, AStoppedRestoreLeavesOnlyWholeFilesAndARestoreOverItCompletes) {
  make_source();
  make_crowded_folder();
  backup();
  faults.allow_parallel_copies();
  engine::stop_request stop;
  faults.change_on_read("m300", [&] { stop.request(); });
  const std::string target = tmp.at("target");
  const run_record stopped = restore(faults, target, false, &stop);
  ASSERT_TRUE(stopped.summary.stopped);
  EXPECT_EQ(count(stopped.lines, engine::text(engine::msg::restore_stopped)), 1u);
  const std::string end = engine::text(engine::msg::restore_end);  // with its own "\r\n"
  EXPECT_EQ(count(stopped.lines, end.substr(0, end.size() - 2)), 1u);
  const tree source = store_test::list_tree(src);
  const tree part = store_test::list_tree(target);
  EXPECT_LT(part.size(), source.size());
  for (const auto& [relative, content] : part) {
    if (relative.find(".zolk-copy.") != std::string::npos) continue;  // the next one removes it
    ASSERT_EQ(source.count(relative), 1u) << relative;
    EXPECT_EQ(content, source.at(relative)) << relative;
  }

  faults.clear_faults();
  const run_record completed = restore(faults, target, true);
  EXPECT_FALSE(completed.summary.stopped);
  EXPECT_EQ(completed.summary.failed, 0);
  EXPECT_EQ(store_test::list_tree(target), source);
}

// Whichever thread's call a cut comes after, no file stands half-written under its name, and
// a restore over what was left brings back the whole point.
TEST_F(BatchCopy, ARestoreCutAtAnyCallLeavesNoHalfFile) {
  make_small_tree();
  backup();
  faults.allow_parallel_copies();
  const std::string target = tmp.at("target");
  const int before = faults.mutations();
  restore(faults, target);
  const int total = faults.mutations() - before;
  ASSERT_GT(total, 30);
  const tree source = store_test::list_tree(src);
  for (int k = 1; k < total; ++k) {
    testing_support::remove_tree(target);
    faults.crash_after(k);
    restore(faults, target);
    faults.clear_faults();
    const std::string where = "cut after " + std::to_string(k) + " calls";
    for (const auto& [relative, content] : store_test::list_tree(target)) {
      if (relative.find(".zolk-copy.") != std::string::npos) continue;
      ASSERT_EQ(source.count(relative), 1u) << where << ": " << relative;
      EXPECT_EQ(content, source.at(relative)) << where << ": " << relative;
    }
    const run_record completed = restore(faults, target, true);
    EXPECT_EQ(completed.summary.failed, 0) << where;
    EXPECT_EQ(store_test::list_tree(target), source) << where;
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
