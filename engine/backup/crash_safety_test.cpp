// A scripted history is cut at every mutating call in turn; the next run must complete it,
// and afterwards every restore point must be exactly the source it was taken from.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "engine/backup/backup_run.h"
#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"
#include "engine/testing/point_text.h"
#include "engine/testing/store_test_fixture.h"
#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::temp_folder;

using snapshot = std::map<std::string, std::string>;  // relative path -> "<folder>" or bytes@time

const std::string k_hyou = "\x95\x5C";          // 表
const std::string k_so = "\x83\x5C";            // ソ
const std::string k_noyo = "\x94\x5C\x97\x5C";  // 能予

class scripted_history {
 public:
  explicit scripted_history(const std::string& src) : src_(src) {}

  // The steps, each a change of the source before a run.
  std::vector<std::function<void()>> steps() {
    return {
        [&] {
          make_folders(at("docs/sub"));
          make_folders(at("e"));
          make_folders(at(k_hyou));
          put("docs/a.txt", "a1");
          put("docs/sub/b.txt", "b1");
          put(k_hyou + "/" + k_so + ".txt", "so1");
          put("top.txt", "top1");
          make_folders(at("gone"));
          put("gone/in.txt", "in1");
          put("gone.txt", "gone1");
        },
        [&] {
          put("docs/a.txt", "a2");
          put("docs/sub/c.txt", "c1");
          testing_support::remove_tree(at("top.txt"));
        },
        [&] {
          testing_support::remove_tree(at("docs/sub/b.txt"));
          make_folders(at("docs/sub/b.txt"));
          put("docs/sub/b.txt/inner", "inner1");
          put(k_hyou + "/" + k_so + ".txt", "so2");
          put("e/now", "e1");
        },
        [&] {
          testing_support::remove_tree(at("docs/sub"));
          make_folders(at("n1/n2"));
          put("n1/n2/n3.txt", "n3-1");
        },
        [&] {
          put("n1/n2/n3.txt", "n3-2");
          put(k_noyo, "noyo1");
          testing_support::remove_tree(at(k_hyou));
          put(k_hyou, "now a file");
        },
        [] {},
    };
  }

  void edit_after_cut_first_run() {
    put("docs/a.txt", "a0");
    testing_support::remove_tree(at("gone"));
    testing_support::remove_tree(at("gone.txt"));
    put("late.txt", "late0");
  }

  snapshot take() const {
    snapshot out;
    for (const auto& [relative, content] : list_tree(src_, true)) {
      out[relative] =
          content == "<folder>"
              ? content
              : content + "@" + std::to_string(testing_support::file_time(src_ + "/" + relative));
    }
    return out;
  }

 private:
  std::string at(const std::string& relative) const { return src_ + "/" + relative; }
  void put(const std::string& relative, const std::string& bytes) {
    testing_support::write_file(at(relative), bytes);
    testing_support::set_time(
        at(relative), host::pack_time(host::calendar_time{2024, 1, 1, 10, 0, 2 * ++clock_}));
  }
  std::string src_;
  int clock_ = 0;
};

void backup(host::host& h, const std::string& src, const std::string& dst) {
  engine::recording_log log;
  engine::null_progress progress;
  engine::run_history_backup(h, src, dst, log, progress);
}

snapshot restored(const std::string& dst, const std::string& point, const std::string& target,
                  engine::run_summary* summary = nullptr) {
  engine::restore_request request;
  request.point = testing_support::point_in_text(point);
  request.store = dst;
  request.target = target;
  engine::recording_log log;
  engine::null_progress progress;
  const engine::run_summary s = engine::start_restore(host::default_host(), request, log, progress);
  if (summary != nullptr) *summary = s;
  snapshot out;
  for (const auto& [relative, content] : list_tree(target)) {
    out[relative] =
        content == "<folder>"
            ? content
            : content + "@" + std::to_string(testing_support::file_time(target + "/" + relative));
  }
  return out;
}

bool marked_unfinished(const std::string& point) {
  const std::string mark = cp932::from_unicode(" （未完了：中断されたバックアップ）");
  return point.size() > mark.size() &&
         point.compare(point.size() - mark.size(), mark.size(), mark) == 0;
}

// The store as a crash left it, before any run completes it: the point of a cut run is shown
// unfinished and a restore of it writes nothing; every other point restores exactly.
void check_cut_store(const std::string& dst, const std::map<std::string, snapshot>& expected,
                     const snapshot& source, temp_folder& tmp, const std::string& where) {
  for (const std::string& point : engine::restore_point_entries(host::default_host(), dst)) {
    const std::string number = point.substr(0, 4);
    const std::string target = tmp.at("cut" + number);
    const auto held = expected.find(number);
    if (held != expected.end()) {
      EXPECT_FALSE(marked_unfinished(point)) << where << ", point " << point;
      engine::run_summary summary;
      EXPECT_EQ(restored(dst, point, target, &summary), held->second)
          << where << ", point " << point;
      // Nothing is missing: a cut run has no change log until it starts to compare.
      EXPECT_TRUE(summary.ok()) << where << ", point " << point << ": " << summary.failed;
    } else if (marked_unfinished(point)) {
      engine::run_summary summary;
      EXPECT_TRUE(restored(dst, point, target, &summary).empty()) << where;
      EXPECT_TRUE(summary.refused) << where;
      EXPECT_FALSE(testing_support::exists(target)) << where;
    } else {
      // The crash came once the run had ended: its point is whole.
      EXPECT_EQ(restored(dst, point, target), source) << where << ", point " << point;
    }
    testing_support::remove_tree(target);
  }
}

// Runs the whole history with a crash after `crash_at` mutating calls (0: none). Returns the
// number of mutating calls the history made.
int run_history(int crash_at) {
  temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  make_folders(src);
  host::fault_host h(host::default_host());
  if (crash_at > 0) h.crash_after(crash_at);
  scripted_history script(src);
  std::map<std::string, snapshot> expected;  // point -> the source it must give back
  std::set<std::string> versions;
  bool first = true;
  for (const auto& step : script.steps()) {
    step();
    backup(h, src, dst);
    if (h.crashed()) {
      h.clear_faults();
      check_cut_store(dst, expected, script.take(), tmp, "crash after " + std::to_string(crash_at));
      // The source moves on after a cut first run (one whose marker is left): what that run
      // copied of the old state belongs to no point.
      if (first && testing_support::exists(dst + "/" + engine::k_run_marker_name)) {
        script.edit_after_cut_first_run();
      }
      backup(h, src, dst);  // completes the cut run, then makes its own
    }
    first = false;
    const snapshot now = script.take();
    for (const auto& [relative, content] : now) {
      if (content != "<folder>") versions.insert(content.substr(0, content.find('@')));
    }
    for (const std::string& point : engine::restore_point_entries(host::default_host(), dst)) {
      expected.emplace(point.substr(0, 4), now);  // the points this step added
    }
  }
  const int mutations = h.mutations();
  const std::string where = "crash after " + std::to_string(crash_at) + " calls";
  const std::vector<std::string> points = engine::restore_point_entries(host::default_host(), dst);
  EXPECT_EQ(points.size(), expected.size()) << where;
  for (const std::string& point : points) {
    const std::string target = tmp.at("restore" + point.substr(0, 4));
    EXPECT_EQ(restored(dst, point, target), expected[point.substr(0, 4)])
        << where << ", point " << point;
  }
  // Nothing temporary is left, and every version ever backed up is still in the store.
  std::set<std::string> stored;
  for (const auto& [relative, content] : list_tree(dst)) {
    if (engine::is_kept_store_file(relative)) continue;
    EXPECT_EQ(relative.find(".zolk"), std::string::npos) << where << ": " << relative;
    stored.insert(content);
  }
  for (const std::string& version : versions) {
    EXPECT_EQ(stored.count(version), 1u) << where << ": lost version " << version;
  }
  return mutations;
}

TEST(CrashSafety, ACrashAtAnyCallIsCompletedByTheNextRun) {
  const int total = run_history(0);
  ASSERT_GT(total, 50);
#ifdef _WIN32
  const int stride = 7;  // every call under Wine would take too long; a spread of them
#else
  const int stride = 1;
#endif
  for (int k = 1; k <= total; k += stride) {
    run_history(k);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "first failing crash point: " << k << " of " << total;
      return;
    }
  }
}

// A first run cut at several points, then edits, deletions and a file that became a folder:
// the completing run leaves exactly the source as it now is, and no version that only the cut
// run copied.
class CutFirstRun : public store_test::store_fixture {};

TEST_F(CutFirstRun, IsCompletedToTheSourceAsItIsNow) {
  testing_support::make_folders(src + "/sub/deep");
  for (int i = 0; i < 12; ++i) {
    file("f" + std::to_string(i), "first " + std::to_string(i));
    file("sub/deep/g" + std::to_string(i), "first g" + std::to_string(i));
  }
  for (int crash_at : {6, 20, 45, 70, 100}) {
    const std::string where = "crash after " + std::to_string(crash_at);
    dst = tmp.at("dst" + std::to_string(crash_at));
    faults.crash_after(crash_at);
    run();
    ASSERT_TRUE(faults.crashed()) << where;
    faults.clear_faults();
    // Edits, deletions and a file that became a folder.
    const store_test::tree kept_source = testing_support::list_tree(src);
    for (int i = 0; i < 3; ++i) file("f" + std::to_string(i), "edited " + std::to_string(crash_at));
    testing_support::remove_tree(src + "/f5");
    testing_support::remove_tree(src + "/sub/deep/g3");
    testing_support::remove_tree(src + "/f7");
    testing_support::make_folders(src + "/f7");
    file("f7/inside", "inside");

    engine::run_summary summary;
    const std::vector<std::string> lines = run(&summary);
    EXPECT_TRUE(summary.ok()) << where << ": " << summary.failed << " failed";
    const store_test::tree now = testing_support::list_tree(src);
    for (const std::string& point : points())
      EXPECT_EQ(restored(point), now) << where << " point " << point;
    // What the cut run copied and the source no longer holds belongs to no point.
    std::set<std::string> contents;
    for (const auto& [relative, content] : now) contents.insert(content);
    for (const auto& [relative, content] : testing_support::list_tree(dst)) {
      if (relative.find(".Zcl") == std::string::npos && !engine::is_kept_store_file(relative)) {
        EXPECT_EQ(contents.count(content), 1u) << where << ": kept " << relative;
      }
    }
    // Back to the first source for the next crash point.
    testing_support::remove_tree(src);
    testing_support::make_folders(src);
    for (const auto& [relative, content] : kept_source) {
      if (content == "<folder>") {
        testing_support::make_folders(src + "/" + relative);
      } else {
        file(relative, content);
      }
    }
  }
}

// A later run cut after it copied a new file and replaced a changed one; then that new file is
// deleted and the changed one changes again. The completion must leave the older point as it
// was (no file it never had) and the newest as the source now is, without a failure.
class CutLaterRun : public store_test::store_fixture {};

TEST_F(CutLaterRun, NeverGivesTheOlderPointWhatOnlyTheCutRunCopied) {
  file("a.txt", "a1");
  file("b.txt", "b1");
  run();
  const store_test::tree first = testing_support::list_tree(src);
  const std::string base = dst;
  for (int crash_at = 4; crash_at < 40; ++crash_at) {
    const std::string where = "crash after " + std::to_string(crash_at);
    file("a.txt", "a2");
    file("new.txt", "n1");
    dst = tmp.at("store" + std::to_string(crash_at));
    testing_support::make_folders(dst);
    for (const auto& [relative, content] : testing_support::list_tree(base)) {
      if (content == "<folder>") {
        testing_support::make_folders(dst + "/" + relative);
      } else {
        testing_support::write_file(dst + "/" + relative, content);
        testing_support::set_time(dst + "/" + relative,
                                  testing_support::file_time(base + "/" + relative));
      }
    }
    faults.crash_after(crash_at);
    run();
    faults.clear_faults();
    // Only a run cut once its folder stands (and before it ended) is completed.
    if (!testing_support::exists(dst + "/Zolk0002") ||
        !testing_support::exists(dst + "/" + engine::k_run_marker_name)) {
      continue;
    }
    testing_support::remove_tree(src + "/new.txt");
    file("a.txt", "a3");
    engine::run_summary summary;
    run(&summary);
    EXPECT_TRUE(summary.ok()) << where << ": " << summary.failed << " failed";
    const store_test::tree now = testing_support::list_tree(src);
    EXPECT_EQ(restored("0001"), first) << where;
    EXPECT_EQ(restored("0002"), now) << where;
    EXPECT_EQ(restored("0003"), now) << where;
  }
}

}  // namespace
