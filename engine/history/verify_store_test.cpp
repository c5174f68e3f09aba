// verify finds each kind of damage it claims to find, names where, and calls a sound store
// sound.
#include <gtest/gtest.h>

#include <functional>

#include "engine/history/verify_store.h"
#include "engine/store/run_marker.h"
#include "engine/testing/prune_test_history.h"
#include "platform/testing/fault_host.h"

namespace {

using testing_support::temp_folder;
using testing_support::write_file;

class verify_fixture : public ::testing::Test {
 protected:
  temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  host::fault_host h{host::default_host()};
  int clock_ = 0;

  void put(const std::string& relative, const std::string& bytes) {
    write_file(src + "/" + relative, bytes);
    testing_support::set_time(src + "/" + relative,
                              host::pack_time(host::calendar_time{2024, 2, 3, 4, 5, 2 * ++clock_}));
  }

  // Three points: a changed file, a deleted folder, a new file.
  void SetUp() override {
    testing_support::make_folders(src + "/docs");
    put("a.txt", "a1");
    put("docs/d.txt", "d1");
    prune_testing::backup(h, src, dst);
    put("a.txt", "a2");
    prune_testing::backup(h, src, dst);
    testing_support::remove_tree(src + "/docs");
    put("b.txt", "b1");
    prune_testing::backup(h, src, dst);
  }

  engine::verify_report verify(bool with_source = false) {
    engine::recording_log log;
    engine::verify_report r = engine::verify_store(h, dst, log);
    if (with_source) engine::compare_with_source(h, dst, src, r);
    return r;
  }

  // All problems, each prefixed with its point ("store" for the store as a whole).
  static std::string problems(const engine::verify_report& r) {
    std::string out;
    for (const std::string& p : r.store_problems) out += "store|" + p + "\n";
    for (const engine::point_check& c : r.points) {
      for (const std::string& p : c.problems) out += c.point.substr(0, 4) + "|" + p + "\n";
    }
    for (const std::string& d : r.differences) out += "source|" + d + "\n";
    return out;
  }

  void expect_finds(const std::string& expected) {
    const engine::verify_report r = verify(true);
    EXPECT_FALSE(r.healthy());
    EXPECT_NE(problems(r).find(expected), std::string::npos) << problems(r);
  }
};

TEST_F(verify_fixture, ASoundStoreIsSoundPointByPointAndHoldsTheSource) {
  const engine::verify_report r = verify(true);
  EXPECT_TRUE(r.healthy()) << problems(r);
  ASSERT_EQ(r.points.size(), 3u);
  EXPECT_EQ(r.points[0].point.substr(0, 4), "0003");
  EXPECT_EQ(r.points[2].point.substr(0, 4), "0001");
  EXPECT_TRUE(r.compared);
}

TEST_F(verify_fixture, FindsGapsOrphanLogsAndZolksLeftoversAtTheRoot) {
  testing_support::remove_tree(dst + "/Zolk0002");
  expect_finds("store|the numbering has a gap: no point 0002 below " + dst + "\\Zolk0003");
  expect_finds("store|a change log without its history folder: " + dst + "\\Zolk0002.Zcl");
  write_file(dst + "/.zolk-run.tmp", "x");
  expect_finds("store|a file Zolk left behind: " + dst + "\\.zolk-run.tmp");
  write_file(dst + "/" + engine::k_run_marker_name, "Zolk0004\r\nZolk0003\r\ncarried\r\n");
  expect_finds("store|the newest backup run did not finish");
}

TEST_F(verify_fixture, FindsChangeLogsMissingUnreadableOrNamingWhatIsNotThere) {
  testing_support::remove_tree(dst + "/Zolk0002.Zcl");
  expect_finds("0002|the change log is missing: " + dst + "\\Zolk0002.Zcl");
  testing_support::remove_tree(dst + "/Zolk0001.Zcl");  // the oldest's log is never read
  EXPECT_EQ(problems(verify()).find("Zolk0001.Zcl"), std::string::npos);

  h.fail_path(host::call_kind::open_read, "Zolk0003.Zcl");
  expect_finds("0003|the change log cannot be read: " + dst + "\\Zolk0003.Zcl");
  h.clear_faults();

  h.append_text(dst + "/Zolk0003.Zcl",
                "D   \\ghost.txt\r\nX   \\a.txt\r\nD   ..\\..\\etc\r\nD-C \\docs\r\n");
  expect_finds("0003|a line naming an entry Zolk0002 does not hold (\\ghost.txt): " + dst +
               "\\Zolk0003.Zcl line 3");
  expect_finds("0003|a line that is no change-log line: " + dst + "\\Zolk0003.Zcl line 4");
  expect_finds("0003|a line naming a path outside the store: " + dst + "\\Zolk0003.Zcl line 5");
  expect_finds("0003|a changed-file line naming a folder (\\docs): " + dst +
               "\\Zolk0003.Zcl line 6");
}

TEST_F(verify_fixture, FindsUnreadableFoldersAndLeftoversOfCutCopies) {
  write_file(dst + "/Zolk0002/docs/.zolk-copy.4242.tmp", "half");
  expect_finds("0002|a temporary file left by a cut copy: " + dst +
               "\\Zolk0002\\docs\\.zolk-copy.4242.tmp");
  testing_support::remove_tree(dst + "/Zolk0002/docs/.zolk-copy.4242.tmp");
  h.fail_path(host::call_kind::search, "Zolk0002\\docs");
  expect_finds("0002|a folder that cannot be read: " + dst + "\\Zolk0002\\docs");
}

TEST_F(verify_fixture, ComparesTheNewestPointWithTheSourceByBytesNotTimes) {
  // Same size and time, other bytes: only a comparison of contents sees it.
  const uint32_t time = testing_support::file_time(src + "/b.txt");
  write_file(src + "/b.txt", "B1");
  testing_support::set_time(src + "/b.txt", time);
  put("new.txt", "n");
  testing_support::make_folders(src + "/a.txt.d");
  testing_support::remove_tree(dst + "/Zolk0003/a.txt");
  testing_support::make_folders(dst + "/Zolk0003/a.txt");
  write_file(dst + "/Zolk0003/extra", "e");
  const engine::verify_report r = verify(true);
  const std::string found = problems(r);
  EXPECT_NE(found.find("source|the contents differ: " + src + "\\b.txt"), std::string::npos)
      << found;
  EXPECT_NE(found.find("source|only in the source: " + src + "\\new.txt"), std::string::npos)
      << found;
  EXPECT_NE(found.find("source|only in the source: " + src + "\\a.txt.d"), std::string::npos)
      << found;
  EXPECT_NE(found.find("source|a file on one side and a folder on the other: " + src + "\\a.txt"),
            std::string::npos)
      << found;
  EXPECT_NE(found.find("source|only in the newest point: " + dst + "\\Zolk0003\\extra"),
            std::string::npos)
      << found;
  EXPECT_EQ(r.differences.size(), 5u) << found;
}

}  // namespace
