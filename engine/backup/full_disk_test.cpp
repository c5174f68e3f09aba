// A destination on a small volume fills up: the copies that do not fit are reported, nothing
// stored is damaged, and once there is room again the next run completes the history.
#include <gtest/gtest.h>

#ifndef _WIN32
#include "engine/backup/backup_run.h"
#include "engine/restore/restore_run.h"
#include "engine/store/store_lock.h"
#include "platform/cp932.h"
#include "platform/testing/process.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;

std::string bytes(int n, int seed) {
  std::string s(static_cast<size_t>(n), '\0');
  for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<char>(i * 31 + seed);
  return s;
}

int count_lines(const engine::recording_log& log, const std::string& utf8) {
  int n = 0;
  for (const std::string& line : log.lines()) n += cp932::to_unicode(line) == utf8;
  return n;
}

TEST(FullDisk, FailedCopiesAreReportedAndTheNextRunCompletes) {
  testing_support::temp_folder tmp;
  const std::string src = tmp.at("src"), volume = tmp.at("vol"), dst = volume + "/dst";
  testing_support::make_folders(src);
  testing_support::make_folders(volume);
  testing_support::small_volume small(volume, 2048);
  if (!small.mounted()) GTEST_SKIP() << "this system does not let the test mount a tmpfs";
  for (int i = 0; i < 8; ++i)
    testing_support::write_file(src + "/f" + std::to_string(i), bytes(400 * 1024, i));

  engine::recording_log log;
  engine::null_progress progress;
  const engine::run_summary first =
      engine::run_history_backup(host::default_host(), src, dst, log, progress);
  EXPECT_GT(first.failed, 0);
  EXPECT_GT(count_lines(log, "新規ファイルでバックアップに失敗しました。"), 0);
  // What was stored is whole; what did not fit is not there at all.
  for (const auto& [relative, content] : list_tree(dst)) {
    if (engine::is_kept_store_file(relative)) continue;
    EXPECT_EQ(relative.find(".zolk"), std::string::npos) << relative;
    if (relative.rfind("Zolk0001/f", 0) == 0) {
      EXPECT_EQ(content, bytes(400 * 1024, relative.back() - '0')) << relative;
    }
  }

  ASSERT_TRUE(small.resize(16384));
  engine::recording_log second_log;
  const engine::run_summary second =
      engine::run_history_backup(host::default_host(), src, dst, second_log, progress);
  EXPECT_TRUE(second.ok());
  engine::recording_log restore_log;
  engine::start_restore(host::default_host(), engine::restore_request{2, dst, src, tmp.at("back")},
                        restore_log, progress);
  EXPECT_EQ(list_tree(tmp.at("back")), list_tree(src));
}

}  // namespace
#endif
