// Names go through the store and come back as they were: every byte of a POSIX name, and the
// history folders and change logs of a store whatever letter case a copy gave them.
#include <gtest/gtest.h>

#include "engine/history/prune_run.h"
#include "engine/history/verify_store.h"
#include "engine/store/run_marker.h"
#include "engine/testing/store_test_fixture.h"

namespace {

using store_test::tree;
using testing_support::make_folders;
using testing_support::write_file;

class StoreNames : public store_test::store_fixture {
 protected:
  engine::verify_report verify() {
    engine::recording_log log;
    engine::verify_report report = engine::verify_store(faults, dst, log);
    engine::compare_with_source(faults, dst, src, report);
    return report;
  }
  engine::prune_result prune(engine::prune_request request) {
    engine::recording_log log;
    request.store = dst;
    return engine::prune_store(faults, request, log);
  }
  // Renames an entry of the store as a copy to another system may have spelt it.
  void respell(const std::string& from, const std::string& to) {
    ASSERT_TRUE(host::default_host().rename(dst + "/" + from, dst + "/" + to)) << from;
  }
  static std::string problems(const engine::verify_report& report) {
    std::string out;
    for (const std::string& p : report.store_problems) out += p + "\n";
    for (const engine::point_check& point : report.points) {
      for (const std::string& p : point.problems) out += point.point + ": " + p + "\n";
    }
    for (const std::string& d : report.differences) out += d + "\n";
    return out;
  }
};

#ifndef _WIN32
// On POSIX ':' is a byte of a name like any other: "C:foo" is no drive and "a:b.txt" is not
// "b.txt". Each name here once overwrote or merged into its neighbour.
TEST_F(StoreNames, AColonIsAnOrdinaryNameByteOnPosix) {
  const tree typed = {{"b.txt", "real"},
                      {"a:b.txt", "colon"},
                      {"foo", "plain"},
                      {"C:foo", "drive-like"},
                      {"x.txt", "x"},
                      {"1:x.txt", "digit"},
                      {"sub", "<folder>"},
                      {"sub/dir", "<folder>"},
                      {"sub/dir/g", "under dir"},
                      {"sub/D:dir", "<folder>"},
                      {"sub/D:dir/f", "under D:dir"},
                      {u8"時刻 12:30.txt", "time"},
                      {"c:", "<folder>"},
                      {"c:/k", "in c:"}};
  tree names;
  for (const auto& [name, bytes] : typed) names[cp932::from_unicode(name)] = bytes;
  for (const auto& [name, bytes] : names) {
    if (bytes == "<folder>") {
      make_folders(src + "/" + name);
    } else {
      file(name, bytes);
    }
  }
  engine::run_summary first;
  run(&first);
  EXPECT_EQ(first.failed, 0);
  EXPECT_EQ(restored("0001"), names);
  EXPECT_TRUE(verify().healthy()) << problems(verify());

  // Nothing changed, so a second run finds nothing to copy, and both points restore whole.
  engine::run_summary second;
  run(&second);
  EXPECT_EQ(second.failed, 0);
  EXPECT_EQ(second.copied, 0);
  EXPECT_EQ(restored("0002"), names);
  EXPECT_EQ(restored("0001"), names);
  EXPECT_TRUE(verify().healthy()) << problems(verify());
}
#endif

// A store copied to a disc or another system may come back as zolk0001 / zolk0001.zcl, or
// with one folder renamed: every point is still listed, restored and verified, the next run
// carries on from the newest in whatever case, and a prune renumbers such a store.
TEST_F(StoreNames, HistoryFoldersAndLogsAreFoundInAnyLetterCase) {
  file("a.txt", "one");
  run();
  file("a.txt", "one v2");
  file("b.txt", "two");
  run();
  file("c.txt", "three");
  run();
  const tree p1 = {{"a.txt", "one"}};
  const tree p2 = {{"a.txt", "one v2"}, {"b.txt", "two"}};
  const tree p3 = {{"a.txt", "one v2"}, {"b.txt", "two"}, {"c.txt", "three"}};
  respell("Zolk0001", "zolk0001");
  respell("Zolk0001.Zcl", "zolk0001.zcl");
  respell("Zolk0002", "ZOLK0002");
  respell("Zolk0002.Zcl", "ZOLK0002.ZCL");
  respell("Zolk0003", "zolk0003");
  respell("Zolk0003.Zcl", "zolk0003.zcl");

  EXPECT_EQ(points().size(), 3u);
  engine::run_summary summary;
  EXPECT_EQ(restored("0001", &summary), p1);
  EXPECT_TRUE(summary.ok());
  EXPECT_EQ(restored("0002"), p2);
  EXPECT_EQ(restored("0003"), p3);
  EXPECT_TRUE(verify().healthy()) << problems(verify());

  file("d.txt", "four");
  run(&summary);
  EXPECT_TRUE(summary.ok());
  EXPECT_EQ(summary.copied, 1);
  EXPECT_TRUE(testing_support::is_folder(dst + "/Zolk0004"));
  EXPECT_TRUE(testing_support::exists(dst + "/Zolk0004.Zcl"));
  tree p4 = p3;
  p4["d.txt"] = "four";
  EXPECT_EQ(restored("0004"), p4);
  EXPECT_EQ(restored("0003"), p3);
  EXPECT_EQ(restored("0001"), p1);
  EXPECT_TRUE(verify().healthy()) << problems(verify());

  // Thinning 0002 out merges its log into the next one's and numbers the rest anew.
  engine::prune_request thin;
  thin.how = engine::prune_request::rule::point;
  thin.point = 2;
  EXPECT_EQ(prune(thin).status, engine::prune_result::outcome::pruned) << prune(thin).reason;
  EXPECT_EQ(points().size(), 3u);
  EXPECT_EQ(restored("0001"), p1);
  EXPECT_EQ(restored("0002"), p3);
  EXPECT_EQ(restored("0003"), p4);
  EXPECT_TRUE(verify().healthy()) << problems(verify());

  engine::prune_request keep;
  keep.keep_last = 2;
  EXPECT_EQ(prune(keep).status, engine::prune_result::outcome::pruned);
  EXPECT_EQ(points().size(), 2u);
  EXPECT_EQ(restored("0001"), p3);
  EXPECT_EQ(restored("0002"), p4);
  EXPECT_TRUE(verify().healthy()) << problems(verify());
}

// A run cut off in a store whose newest folder is spelt in lower case is still completed.
TEST_F(StoreNames, AMarkerNamingALowerCaseFolderIsRead) {
  make_folders(dst);
  ASSERT_TRUE(engine::write_run_marker(faults, dst, engine::run_marker{"Zolk0004", "zolk0003"}));
  const std::optional<engine::run_marker> marker = engine::read_run_marker(faults, dst);
  ASSERT_TRUE(marker.has_value());
  EXPECT_EQ(marker->previous_folder, "zolk0003");
  ASSERT_TRUE(engine::write_run_marker(faults, dst, engine::run_marker{"zolk0004", "zolk0003"}));
  EXPECT_TRUE(engine::read_run_marker(faults, dst).has_value());
}

}  // namespace
