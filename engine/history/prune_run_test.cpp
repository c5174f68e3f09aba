// The pieces of a prune on their own: the merged change log, paths of double-byte names, the
// dates --keep-since takes, and the point times a thinning keeps.
#include <gtest/gtest.h>

#include "engine/history/prune_merge.h"
#include "engine/store/history_store.h"
#include "engine/testing/prune_test_history.h"

namespace {

engine::change_log log_of(std::initializer_list<const char*> lines) {
  engine::change_log log;
  for (const char* line : lines) log.append(line);
  return log;
}

std::vector<engine::log_line> merged(std::initializer_list<const char*> thinned,
                                     std::initializer_list<const char*> newer) {
  return engine::merge_change_logs(log_of(thinned), log_of(newer));
}

using lines = std::vector<engine::log_line>;

TEST(PruneMerge, TheMergedLogDescribesTheOlderPointAgainstTheNewer) {
  // Made by the thinned run and gone by the newer one: neither point holds it.
  EXPECT_EQ(merged({"C   \\tmp.txt"}, {"D   \\tmp.txt"}), lines{});
  EXPECT_EQ(merged({"S   \\new"}, {"D   \\new"}), lines{});
  // Changed twice, or made and then changed.
  EXPECT_EQ(merged({"D-C \\a.txt"}, {"D-C \\a.txt"}), (lines{{"D-C ", "\\a.txt"}}));
  EXPECT_EQ(merged({"C   \\a.txt"}, {"D-C \\a.txt"}), (lines{{"C   ", "\\a.txt"}}));
  EXPECT_EQ(merged({"D-C \\a.txt"}, {"D   \\a.txt"}), (lines{{"D   ", "\\a.txt"}}));
  // Deleted, then made again: the older version against a new entry, whatever its kind.
  EXPECT_EQ(merged({"D   \\a"}, {"C   \\a"}), (lines{{"D   ", "\\a"}, {"C   ", "\\a"}}));
  EXPECT_EQ(merged({"D   \\a"}, {"S   \\a"}), (lines{{"D   ", "\\a"}, {"S   ", "\\a"}}));
  // Each log's own lines stand where the other is silent; D lines come first.
  EXPECT_EQ(merged({"C   x\\new.txt", "D-C \\b"}, {"D   \\gone"}),
            (lines{{"D   ", "\\gone"}, {"C   ", "x\\new.txt"}, {"D-C ", "\\b"}}));
  // A folder one log names covers what the other names inside it.
  EXPECT_EQ(merged({"C   docs\\n.txt", "D-C docs\\c.txt"}, {"D   \\docs"}),
            (lines{{"D   ", "\\docs"}}));
  EXPECT_EQ(merged({"S   \\docs"}, {"C   docs\\n.txt", "D   docs\\o.txt"}),
            (lines{{"S   ", "\\docs"}}));
  // Lines that are no change-log lines are passed over.
  EXPECT_EQ(merged({"X   \\a", "D-C"}, {}), lines{});
}

TEST(PruneMerge, PathsSplitOnlyAtSeparatorsOutsideDoubleByteCharacters) {
  const std::string hyou = "\x95\x5C";  // 表: its second byte is a backslash
  EXPECT_EQ(engine::folders_above(hyou + "\\" + hyou + "\\f"),
            (std::vector<std::string>{hyou, hyou + "\\" + hyou}));
  EXPECT_EQ(engine::folders_above(hyou), std::vector<std::string>{});
  EXPECT_EQ(engine::log_path_of_key(hyou), "\\" + hyou);
  EXPECT_EQ(engine::log_path_of_key("a\\" + hyou), "a\\" + hyou);
}

TEST(PruneDate, KeepSinceTakesDatesWithOrWithoutATime) {
  uint32_t packed = 0;
  ASSERT_TRUE(engine::parse_prune_date("2026-12-01", packed));
  EXPECT_EQ(packed, host::pack_time(host::calendar_time{2026, 12, 1, 0, 0, 0}));
  ASSERT_TRUE(engine::parse_prune_date("2026/12/01 18:30", packed));
  EXPECT_EQ(packed, host::pack_time(host::calendar_time{2026, 12, 1, 18, 30, 0}));
  ASSERT_TRUE(engine::parse_prune_date("2026-12-01T18:30:42", packed));
  EXPECT_EQ(packed, host::pack_time(host::calendar_time{2026, 12, 1, 18, 30, 42}));
  for (const char* bad : {"", "yesterday", "2026-13-01", "2026-12-01 25:00", "2026-12/01",
                          "2026-12-01 18", "2026-12-01 18:30x", "1970-01-01"}) {
    EXPECT_FALSE(engine::parse_prune_date(bad, packed)) << bad;
  }
}

TEST(PruneTimes, PointsKeepTheirTimesWhenTheOneBetweenThemIsThinnedOut) {
  testing_support::temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  host::host& h = host::default_host();
  testing_support::make_folders(src);
  testing_support::write_file(src + "/kept.txt", "k");
  for (int run = 1; run <= 4; ++run) {
    // The fourth run deletes kept.txt, which the thinned point holds unchanged since the first:
    // it moves into the folder of point 2, whose time must not move with it.
    if (run == 4) testing_support::remove_tree(src + "/kept.txt");
    testing_support::write_file(src + "/a.txt", std::string(static_cast<size_t>(run), 'a'));
    prune_testing::backup(h, src, dst);
  }
  // The times of the runs that made points 2 and 4, as their logs and folders keep them.
  const uint32_t second = host::pack_time(host::calendar_time{2020, 2, 2, 2, 2, 2});
  const uint32_t fourth = host::pack_time(host::calendar_time{2020, 4, 4, 4, 4, 4});
  testing_support::set_time(dst + "/Zolk0002.Zcl", second);
  testing_support::set_time(dst + "/Zolk0004.Zcl", fourth);
  ASSERT_TRUE(h.set_folder_time(dst + "/Zolk0002", second));
  ASSERT_TRUE(h.set_folder_time(dst + "/Zolk0004", fourth));
  engine::prune_request request;
  request.store = dst;
  request.how = engine::prune_request::rule::point;
  request.point = 3;
  EXPECT_EQ(prune_testing::prune(h, request).status, engine::prune_result::outcome::pruned);
  const std::vector<std::string> points = engine::restore_point_entries(h, dst);
  ASSERT_EQ(points.size(), 3u);
  // Shown in the system's date format, which differs between systems.
  EXPECT_EQ(points[1], "0002: " + h.date_text(second));
  EXPECT_EQ(points[0], "0003: " + h.date_text(fourth));  // its log is the merged one
  EXPECT_EQ(testing_support::read_file(dst + "/Zolk0003.Zcl"), "D   \\kept.txt\r\nD-C \\a.txt\r\n");
  // The next run keeps each point's time from its log.
  prune_testing::backup(h, src, dst);
  EXPECT_EQ(engine::restore_point_entries(h, dst)[1], "0003: " + h.date_text(fourth));
  EXPECT_TRUE(testing_support::exists(dst + "/Zolk0002/kept.txt"));
}

}  // namespace
