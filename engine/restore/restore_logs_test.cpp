// A restore reads the change logs of every history folder newer than the chosen point: one
// that is missing or cannot be read is reported, and the restore still does what it can.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/restore/restore_run.h"
#include "engine/testing/point_text.h"
#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

#ifndef _WIN32
#include "platform/testing/fifo.h"
#endif

namespace {

using tree = std::map<std::string, std::string>;
using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::write_file;

const std::string k_log_not_read = "err:履歴のログファイルを読めませんでした。";

// Three runs: a.txt "1" and b.txt; then a.txt "2" and a new c.txt; then b.txt deleted and a
// new d.txt. Laid out as the runs leave the store.
class RestoreLogs : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string store = tmp.at("store");
  std::string target = tmp.at("target");
  host::fault_host faults{host::default_host()};
  size_t index_budget = size_t{4} << 20;
  engine::run_progress* progress = nullptr;

  void SetUp() override {
    put("Zolk0001/a.txt", "1");
    put("Zolk0002/b.txt", "B");
    put("Zolk0003/a.txt", "2");
    put("Zolk0003/c.txt", "C");
    put("Zolk0003/d.txt", "D");
    write_file(store + "/Zolk0001.Zcl", "C   \\a.txt\r\nC   \\b.txt\r\n");
    write_file(store + "/Zolk0002.Zcl", "D-C \\a.txt\r\nC   \\c.txt\r\n");
    write_file(store + "/Zolk0003.Zcl", "D   \\b.txt\r\nC   \\d.txt\r\n");
  }
  void put(const std::string& relative, const std::string& bytes) {
    const std::string path = store + "/" + relative;
    make_folders(path.substr(0, path.rfind('/')));
    write_file(path, bytes);
    testing_support::set_time(path, host::pack_time(host::calendar_time{2021, 6, 1, 12, 0, 0}));
  }
  // Restores a point into a fresh target; the lines in UTF-8.
  std::vector<std::string> restore(const std::string& point, engine::run_summary& summary) {
    testing_support::remove_tree(target);
    engine::recording_log log;
    engine::null_progress quiet;
    engine::restore_request request{testing_support::point_in_text(point), store, "src", target};
    request.index_budget = index_budget;
    summary = engine::start_restore(faults, request, log, progress ? *progress : quiet);
    std::vector<std::string> lines;
    for (const std::string& line : log.lines()) lines.push_back(cp932::to_unicode(line));
    return lines;
  }
  // The lines that name change logs as not read.
  static std::vector<std::string> logs_not_read(const std::vector<std::string>& lines) {
    std::vector<std::string> named;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i] == k_log_not_read) named.push_back(lines[i + 1]);
    }
    return named;
  }
  // Restores the two older points, each as its run left the source, without a failure.
  void expect_older_points() {
    engine::run_summary summary;
    EXPECT_TRUE(logs_not_read(restore("0001", summary)).empty());
    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(list_tree(target), (tree{{"a.txt", "1"}, {"b.txt", "B"}}));
    restore("0002", summary);
    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(list_tree(target), (tree{{"a.txt", "2"}, {"b.txt", "B"}, {"c.txt", "C"}}));
  }
  std::string zlog(const std::string& folder) {
    return "==> " + cp932::to_unicode(store) + "\\" + folder + ".Zcl";
  }
};

TEST_F(RestoreLogs, EveryPointRestoresExactlyWithItsLogs) { expect_older_points(); }

TEST_F(RestoreLogs, AMissingLogThatIsNeededIsReportedAndTheRestoreGoesOn) {
  testing_support::remove_tree(store + "/Zolk0003.Zcl");
  engine::run_summary summary;
  const std::vector<std::string> lines = restore("0002", summary);
  EXPECT_EQ(logs_not_read(lines), (std::vector<std::string>{zlog("Zolk0003")}));
  EXPECT_EQ(summary.failed, 1);
  // Without the log every entry of the older folder is taken from it.
  EXPECT_EQ(list_tree(target),
            (tree{{"a.txt", "2"}, {"b.txt", "B"}, {"c.txt", "C"}, {"d.txt", "D"}}));
  // The newest point needs no log at all.
  EXPECT_TRUE(logs_not_read(restore("0003", summary)).empty());
  EXPECT_EQ(summary.failed, 0);
}

TEST_F(RestoreLogs, OnlyTheLogsNewerThanThePointAreNeeded) {
  testing_support::remove_tree(store + "/Zolk0002.Zcl");
  testing_support::remove_tree(store + "/Zolk0001.Zcl");
  engine::run_summary summary;
  EXPECT_TRUE(logs_not_read(restore("0002", summary)).empty());
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(logs_not_read(restore("0001", summary)), (std::vector<std::string>{zlog("Zolk0002")}));
  EXPECT_EQ(summary.failed, 1);
}

TEST_F(RestoreLogs, AnEmptyLogIsSilent) {
  // A run that found nothing to do leaves an empty log and an empty older folder.
  write_file(store + "/Zolk0004.Zcl", "");
  for (const char* name : {"a.txt", "c.txt", "d.txt"}) {
    put(std::string("Zolk0004/") + name, list_tree(store + "/Zolk0003").at(name));
    testing_support::remove_tree(store + "/Zolk0003/" + name);
  }
  engine::run_summary summary;
  EXPECT_TRUE(logs_not_read(restore("0002", summary)).empty());
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(list_tree(target), (tree{{"a.txt", "2"}, {"b.txt", "B"}, {"c.txt", "C"}}));
}

TEST_F(RestoreLogs, ALogThatCannotBeReadOrIsNoFileIsReported) {
  faults.fail_path(host::call_kind::open_read, "Zolk0003.Zcl");
  engine::run_summary summary;
  EXPECT_EQ(logs_not_read(restore("0002", summary)), (std::vector<std::string>{zlog("Zolk0003")}));
  EXPECT_EQ(summary.failed, 1);
  faults.clear_faults();
  testing_support::remove_tree(store + "/Zolk0003.Zcl");
  make_folders(store + "/Zolk0003.Zcl");
  EXPECT_EQ(logs_not_read(restore("0002", summary)), (std::vector<std::string>{zlog("Zolk0003")}));
  EXPECT_EQ(summary.failed, 1);
}

// Logs kept in files in the store (a budget of one byte spills every path) restore the same
// points; the files go when the restore ends, and one a killed restore left goes as well.
TEST_F(RestoreLogs, LogsSpilledToTheStoreRestoreTheSameAndLeaveNothingBehind) {
  index_budget = 1;
  write_file(store + "/.zolk-index.7.tmp", "left by a killed restore");
  expect_older_points();
  for (const auto& entry : list_tree(store)) {
    EXPECT_EQ(entry.first.find(".zolk-index"), std::string::npos) << entry.first;
  }
  // A file that cannot be made, or whose writing fails half-way, leaves the paths in memory.
  faults.fail_path(host::call_kind::open_write, ".zolk-index");
  expect_older_points();
  faults.clear_faults();
  faults.fail_call(host::call_kind::write, 2);
  expect_older_points();
}

// Reads an index's file back fail from the moment the restore has planned its work (the
// second walk, during the copies): each log is reported, and the restore counts them.
TEST_F(RestoreLogs, ASpilledLogThatCannotBeReadBackIsReported) {
  struct failing_reads : engine::run_progress {
    host::fault_host& faults;
    explicit failing_reads(host::fault_host& f) : faults(f) {}
    void report(const engine::progress_facts&) override {
      faults.fail_path(host::call_kind::read, ".zolk-index");
    }
  } fail_later(faults);
  progress = &fail_later;
  index_budget = 1;
  engine::run_summary summary;
  const std::vector<std::string> lines = restore("0001", summary);
  std::vector<std::string> named = logs_not_read(lines);
  std::sort(named.begin(), named.end());
  EXPECT_EQ(named, (std::vector<std::string>{zlog("Zolk0002"), zlog("Zolk0003")}));
  EXPECT_EQ(summary.failed, 2);
  // Told before the closing line, as every other failure of the restore.
  const auto closing = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("処理の終了") != std::string::npos;
  });
  for (const std::string& told : named) {
    EXPECT_LT(std::find(lines.begin(), lines.end(), told), closing) << told;
  }
}

#ifndef _WIN32
// A link in the store where a restore keeps a log's paths is removed, never written through.
TEST_F(RestoreLogs, ALinkInPlaceOfASpillFileIsNeverWrittenThrough) {
  index_budget = 1;
  const std::string outside = tmp.at("outside.txt");
  write_file(outside, "mine");
  // Planted as the restore's leftover clean-up has just run: a link made during the restore.
  struct planting : host::fault_host {
    std::string to;
    using ::host::fault_host::fault_host;
    void plant(const std::string& path) {
      if (path.find(".zolk-index") == std::string::npos) return;
      std::filesystem::create_symlink(::host::native_path(to), ::host::native_path(path));
    }
    std::unique_ptr<::host::file> open_write(const std::string& path) override {
      plant(path);
      return ::host::fault_host::open_write(path);
    }
    std::unique_ptr<::host::file> open_write_beneath(const std::string& base,
                                                     const std::string& relative) override {
      plant(base + "\\" + relative);
      return ::host::fault_host::open_write_beneath(base, relative);
    }
  } planted(host::default_host());
  planted.to = outside;
  engine::recording_log log;
  engine::null_progress quiet;
  engine::restore_request request{1, store, "src", target};
  request.index_budget = index_budget;
  EXPECT_TRUE(engine::start_restore(planted, request, log, quiet).ok());
  EXPECT_EQ(testing_support::read_file(outside), "mine");
  EXPECT_EQ(list_tree(target), (tree{{"a.txt", "1"}, {"b.txt", "B"}}));
}

TEST_F(RestoreLogs, AFifoInPlaceOfALogIsReportedWithoutWaiting) {
  testing_support::remove_tree(store + "/Zolk0003.Zcl");
  ASSERT_TRUE(testing_support::make_fifo(store + "/Zolk0003.Zcl"));
  engine::run_summary summary;
  std::vector<std::string> lines;
  EXPECT_TRUE(testing_support::ends_in_time([&] { lines = restore("0002", summary); },
                                            {store + "/Zolk0003.Zcl"}));
  EXPECT_EQ(logs_not_read(lines), (std::vector<std::string>{zlog("Zolk0003")}));
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(list_tree(target).at("a.txt"), "2");
}
#endif

}  // namespace
