// Two zolk-cli backup processes started on one destination at nearly the same moment, round
// after round: one of them may be refused, but the store must stay exact. Every point restores
// the source it was taken from, and a refused process leaves no point behind.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "engine/store/store_lock.h"
#include "engine/testing/point_text.h"
#include "platform/packed_time.h"
#include "platform/testing/process.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;
using tree = std::map<std::string, std::string>;

constexpr int k_folders = 20;
constexpr int k_files_per_folder = 50;  // 1,000 files

// Rewrites every file with content and a time of its own generation, so that every file has
// changed for the next run whatever the clock does.
void write_generation(const std::string& src, int generation) {
  const uint32_t time =
      host::pack_time(host::calendar_time{2024, 1, 1, 10, generation / 30, 2 * (generation % 30)});
  for (int d = 0; d < k_folders; ++d) {
    testing_support::make_folders(src + "/d" + std::to_string(d));
    for (int f = 0; f < k_files_per_folder; ++f) {
      const std::string path = src + "/d" + std::to_string(d) + "/f" + std::to_string(f);
      testing_support::write_file(path, "generation " + std::to_string(generation) + " of " +
                                            std::to_string(d) + "/" + std::to_string(f) +
                                            std::string(static_cast<size_t>(f * 7), 'x'));
      testing_support::set_time(path, time);
    }
  }
}

tree restored(const std::string& dst, const std::string& point, const std::string& target) {
  engine::restore_request request{testing_support::point_in_text(point), dst, "", target};
  engine::recording_log log;
  engine::null_progress progress;
  engine::start_restore(host::default_host(), request, log, progress);
  return list_tree(target);
}

std::set<std::string> point_numbers(const std::string& dst) {
  std::set<std::string> out;
  for (const std::string& entry : engine::restore_point_entries(host::default_host(), dst)) {
    out.insert(entry.substr(0, 4));
  }
  return out;
}

TEST(ConcurrentRuns, OneStoreStaysExactUnderTwoProcesses) {
#ifdef ZOLK_SANITIZED
  GTEST_SKIP() << "runs in the plain build";
#endif
  testing_support::temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  std::mt19937 random(4711);
  std::map<std::string, tree> expected;  // point -> the source it was taken from
  int refused = 0;
  for (int round = 1; round <= 8; ++round) {
    write_generation(src, round);
    const tree source = list_tree(src);
    const std::set<std::string> before = point_numbers(dst);
    const int first = testing_support::start_process({ZOLK_CLI_PATH, "backup", src, dst});
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
    const int second = testing_support::start_process({ZOLK_CLI_PATH, "backup", src, dst});
    const int statuses[] = {testing_support::wait_process(first),
                            testing_support::wait_process(second)};
    int succeeded = 0;
    for (int status : statuses) {
      EXPECT_TRUE(status == 0 || status == 1) << "round " << round << ": exit " << status;
      succeeded += status == 0;
      refused += status == 1;
    }
    EXPECT_GE(succeeded, 1) << "round " << round;
    // A refused process made no point; each process that ran made exactly one.
    const std::set<std::string> after = point_numbers(dst);
    EXPECT_EQ(after.size(), before.size() + static_cast<size_t>(succeeded)) << "round " << round;
    for (const std::string& point : after) {
      if (before.count(point) == 0) expected.emplace(point, source);
    }
  }
  for (const auto& [point, source] : expected) {
    EXPECT_TRUE(restored(dst, point, tmp.at("restore" + point)) == source) << "point " << point;
  }
  for (const auto& [relative, content] : list_tree(dst)) {
    if (engine::is_kept_store_file(relative)) continue;
    EXPECT_EQ(relative.find(".zolk"), std::string::npos) << relative;
  }
  std::printf("%d of 16 processes were refused\n", refused);
}

}  // namespace
