// zolk-cli backup killed with SIGKILL at chosen depths of its work over a large tree, then a
// clean run: every restore point must still be the source it was taken from, nothing
// temporary may remain and no version may be lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_lock.h"
#include "engine/testing/point_text.h"
#include "platform/packed_time.h"
#include "platform/testing/process.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::write_file;

constexpr int k_folders = 200;
constexpr int k_files_per_folder = 100;  // 20,000 files

std::string file_path(const std::string& src, int folder, int file) {
  return src + "/d" + std::to_string(folder) + "/f" + std::to_string(file) + ".txt";
}

// Writes every file whose number passes `pick`, with content naming the generation.
void write_tree(const std::string& src, int generation, bool (*pick)(int, int)) {
  for (int d = 0; d < k_folders; ++d) {
    make_folders(src + "/d" + std::to_string(d));
    for (int f = 0; f < k_files_per_folder; ++f) {
      if (pick(d, f))
        write_file(file_path(src, d, f), "gen " + std::to_string(generation) + " " +
                                             std::to_string(d) + "/" + std::to_string(f));
    }
  }
}

int backup(const std::string& src, const std::string& dst) {
  const int pid = testing_support::start_process({ZOLK_CLI_PATH, "backup", src, dst});
  return testing_support::wait_process(pid);
}

// The bytes of every change log of the store: they grow with each entry a run handles.
uint64_t logged_bytes(const std::string& dst) {
  uint64_t total = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dst, error)) {
    if (entry.path().extension() != ".Zcl") continue;
    const uintmax_t size = entry.file_size(error);
    if (!error) total += size;
  }
  return total;
}

// Starts a backup and kills it once its change logs have grown by `depth` bytes while its
// marker tells that it has not finished. True when it was cut there; false when it ended
// before it got that far.
bool cut_backup(const std::string& src, const std::string& dst, uint64_t depth) {
  const std::string marker = dst + "/" + engine::k_run_marker_name;
  const uint64_t start = logged_bytes(dst);
  const int pid = testing_support::start_process({ZOLK_CLI_PATH, "backup", src, dst});
  int status = 0;
  const bool halted = testing_support::halt_when(
      pid, [&] { return testing_support::exists(marker) && logged_bytes(dst) >= start + depth; },
      status);
  if (halted) testing_support::kill_process(pid);
  return halted;
}

std::map<std::string, std::string> restore(const std::string& dst, const std::string& point,
                                           const std::string& target) {
  engine::restore_request request{testing_support::point_in_text(point), dst, "", target};
  engine::recording_log log;
  engine::null_progress progress;
  engine::start_restore(host::default_host(), request, log, progress);
  return list_tree(target);
}

TEST(KilledRuns, AreCompletedByTheNextRunAndLoseNothing) {
#ifdef ZOLK_SANITIZED
  // Twenty thousand files through a sanitized zolk-cli take minutes and add nothing the
  // in-process crash test does not already check under the sanitizers.
  GTEST_SKIP() << "runs in the plain build";
#endif
  testing_support::temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  write_tree(src, 1, [](int, int) { return true; });
  ASSERT_EQ(backup(src, dst), 0);
  const std::map<std::string, std::string> before = list_tree(src);

  // A third of the files change, a tenth go, and a new folder arrives.
  write_tree(src, 2, [](int d, int f) { return (d + f) % 3 == 0; });
  for (int d = 0; d < k_folders; d += 10)
    testing_support::remove_tree(src + "/d" + std::to_string(d));
  make_folders(src + "/new");
  for (int f = 0; f < 500; ++f)
    write_file(src + "/new/n" + std::to_string(f), "new " + std::to_string(f));
  const std::map<std::string, std::string> after = list_tree(src);

  // Each run logs about 7,000 changes of some twenty bytes: the cuts fall all over it, and a
  // round that cuts nothing (its run ended first) is a completed run, also to be kept whole.
  std::mt19937 random(8128);
  int cut = 0;
  for (int round = 0; round < 5; ++round) cut += cut_backup(src, dst, 1 + random() % 60000);
  EXPECT_GE(cut, 3);
  ASSERT_EQ(backup(src, dst), 0);

  const std::vector<std::string> points = engine::restore_point_entries(host::default_host(), dst);
  ASSERT_GE(points.size(), 2u);
  for (const std::string& point : points) {
    const auto restored = restore(dst, point, tmp.at("restore" + point.substr(0, 4)));
    EXPECT_TRUE(restored == (point.substr(0, 4) == "0001" ? before : after)) << "point " << point;
  }
  std::set<std::string> stored;
  for (const auto& [relative, content] : list_tree(dst)) {
    if (engine::is_kept_store_file(relative)) continue;
    EXPECT_EQ(relative.find(".zolk"), std::string::npos) << relative;
    stored.insert(content);
  }
  for (const auto* tree : {&before, &after}) {
    for (const auto& [relative, content] : *tree) {
      EXPECT_EQ(stored.count(content), 1u) << "lost " << relative;
    }
  }
}

TEST(KilledRuns, AKilledFirstRunIsCompletedToTheSourceAsItNowIs) {
#ifdef ZOLK_SANITIZED
  GTEST_SKIP() << "runs in the plain build";
#endif
  testing_support::temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  write_tree(src, 1, [](int, int) { return true; });
  // Cut once it has logged some of its 200 folders: it then holds part of the tree.
  ASSERT_TRUE(cut_backup(src, dst, 200)) << "the first run ended before it could be cut";
  ASSERT_TRUE(testing_support::exists(dst + "/" + engine::k_run_marker_name));

  // Fifty files change (with a time the first run cannot have seen) and a few go.
  const uint32_t k_edited = host::pack_time(host::calendar_time{2020, 1, 1, 0, 0, 0});
  write_tree(src, 2, [](int d, int f) { return f == 0 && d < 50; });
  for (int d = 0; d < 50; ++d) testing_support::set_time(file_path(src, d, 0), k_edited);
  for (int d = 0; d < 5; ++d) testing_support::remove_tree(file_path(src, d, 1));
  testing_support::remove_tree(src + "/d7");
  const std::map<std::string, std::string> now = list_tree(src);
  ASSERT_EQ(backup(src, dst), 0);

  for (const std::string& point : engine::restore_point_entries(host::default_host(), dst)) {
    EXPECT_TRUE(restore(dst, point, tmp.at("restore" + point.substr(0, 4))) == now)
        << "point " << point;
  }
  std::set<std::string> contents;
  for (const auto& [relative, content] : now) contents.insert(content);
  for (const auto& [relative, content] : list_tree(dst)) {
    if (engine::is_kept_store_file(relative) || relative.find(".Zcl") != std::string::npos)
      continue;
    EXPECT_EQ(contents.count(content), 1u) << "kept " << relative;
  }
}

}  // namespace
