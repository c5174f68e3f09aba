// A restore reads the change logs of every history folder newer than the chosen point: one
// that is missing or cannot be read is reported, and the restore still does what it can.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/restore_run.h"
#include "platform/cp932.h"
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
    engine::null_progress progress;
    summary = engine::start_restore(
        faults, engine::restore_request{engine::point_number(point), store, "src", target}, log,
        progress);
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
  std::string zlog(const std::string& folder) {
    return "==> " + cp932::to_unicode(store) + "\\" + folder + ".Zcl";
  }
};

TEST_F(RestoreLogs, EveryPointRestoresExactlyWithItsLogs) {
  engine::run_summary summary;
  EXPECT_TRUE(logs_not_read(restore("0001", summary)).empty());
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(list_tree(target), (tree{{"a.txt", "1"}, {"b.txt", "B"}}));
  restore("0002", summary);
  EXPECT_EQ(list_tree(target), (tree{{"a.txt", "2"}, {"b.txt", "B"}, {"c.txt", "C"}}));
}

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

#ifndef _WIN32
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
