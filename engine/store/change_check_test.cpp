// A rewrite that keeps a file's length and falls in the two-second slot of the run that stored
// it is never missed; files stamped well before that run are not read again.
#include "engine/store/change_check.h"

#include <gtest/gtest.h>

#include "engine/testing/store_test_fixture.h"

namespace {

using testing_support::read_file;
using testing_support::set_time;
using testing_support::write_file;

const uint32_t k_run_time = host::pack_time(host::calendar_time{2031, 5, 4, 10, 20, 30});
const uint32_t k_long_before = host::pack_time(host::calendar_time{2024, 1, 2, 3, 4, 6});

// The store fixture with its clock stopped in one slot, as when a file is saved twice within
// two seconds of a run.
class SameSlot : public store_test::store_fixture {
 protected:
  void SetUp() override {
    store_fixture::SetUp();
    faults.set_clock(k_run_time);
  }
  void file(const std::string& rel, const std::string& bytes, uint32_t time = k_run_time) {
    const size_t slash = rel.rfind('/');
    if (slash != std::string::npos) testing_support::make_folders(src + "/" + rel.substr(0, slash));
    write_file(src + "/" + rel, bytes);
    set_time(src + "/" + rel, time);
  }
  std::string newest(const std::string& rel) {
    const std::vector<std::string> list = points();
    return list.empty() ? "<no point>" : restored(list.front())[rel];
  }
};

TEST_F(SameSlot, ARewriteOfTheSameLengthInTheRunsSlotReachesTheNextPoint) {
  file("f.txt", "version 1");
  file("sub/g.txt", "alpha");
  run();
  file("f.txt", "version 2");
  file("sub/g.txt", "omega");
  engine::run_summary second;
  run(&second);
  EXPECT_TRUE(second.ok());
  EXPECT_EQ(newest("f.txt"), "version 2");
  EXPECT_EQ(newest("sub/g.txt"), "omega");
  // The first point still holds what it held.
  EXPECT_EQ(restored("0001")["f.txt"], "version 1");

  // Read again and found equal, an unsure copy is no change: nothing moves to history.
  run();
  EXPECT_EQ(read_file(dst + "/Zolk0003.Zcl"), "");
  EXPECT_EQ(newest("f.txt"), "version 2");
}

TEST_F(SameSlot, AFileStampedInTheFutureIsComparedByItsBytesOnEveryRun) {
  const uint32_t k_future = host::pack_time(host::calendar_time{2040, 1, 1, 0, 0, 0});
  file("f.txt", "version 1", k_future);
  run();
  faults.set_clock(host::pack_time(host::calendar_time{2032, 1, 1, 0, 0, 0}));
  run();
  file("f.txt", "version 2", k_future);
  run();
  EXPECT_EQ(newest("f.txt"), "version 2");
}

TEST_F(SameSlot, FilesStampedBeforeTheRunAreTrustedWithoutBeingRead) {
  file("old.txt", "kept", k_long_before);
  run();
  // Were the file read by content, this would fail the run.
  faults.fail_path(host::call_kind::open_read, "old.txt");
  engine::run_summary second;
  run(&second);
  EXPECT_TRUE(second.ok());
  EXPECT_EQ(read_file(dst + "/Zolk0002.Zcl"), "");
}

TEST_F(SameSlot, AStoreWithoutItsRecordComparesEveryFileOnceByItsBytes) {
  // A store written before the record existed, or whose record is damaged, knows of no slot:
  // even a rewrite long before the run counts.
  file("a.txt", "first", k_long_before);
  file("b.txt", "first", k_long_before);
  run();
  file("a.txt", "again", k_long_before);
  file("b.txt", "again", k_long_before);
  testing_support::remove_tree(dst + "/" + engine::k_check_record_name);
  write_file(dst + "/" + engine::k_check_record_name, "torn");
  faults.set_clock(host::pack_time(host::calendar_time{2031, 5, 4, 10, 20, 32}));
  run();
  EXPECT_EQ(newest("a.txt"), "again");
  EXPECT_EQ(newest("b.txt"), "again");
}

TEST_F(SameSlot, ARunThatCouldNotReadAFolderLeavesTheRecordWhereItWas) {
  file("closed/f.txt", "version 1");
  run();
  file("closed/f.txt", "version 2");
  // The next run cannot look into the folder: it keeps the stored copy without comparing it,
  // so it must not vouch for that copy's time.
  faults.set_clock(host::pack_time(host::calendar_time{2031, 5, 4, 11, 0, 0}));
  faults.hide_entries("closed");
  run();
  faults.clear_faults();
  faults.set_clock(host::pack_time(host::calendar_time{2031, 5, 4, 12, 0, 0}));
  run();
  EXPECT_EQ(newest("closed/f.txt"), "version 2");
}

TEST(CheckRecord, ReadsWhatWasWrittenAndTrustsNoTimeOtherwise) {
  testing_support::temp_folder tmp;
  const std::string dst = tmp.at("dst");
  testing_support::make_folders(dst);
  host::host& h = host::default_host();
  EXPECT_EQ(engine::read_check_record(h, dst), 0u);
  ASSERT_TRUE(engine::write_check_record(h, dst, k_run_time));
  EXPECT_EQ(engine::read_check_record(h, dst), k_run_time);
  for (const char* damaged : {"", "12AB", "1234567Z\r\n", "123456789\r\n"}) {
    write_file(dst + "/" + engine::k_check_record_name, damaged);
    EXPECT_EQ(engine::read_check_record(h, dst), 0u) << damaged;
  }
}

TEST(CheckRecord, SameContentsComparesEveryByteAndFailsSafe) {
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  const std::string big(200 * 1024, 'x');
  std::string other = big;
  other[150 * 1024] = 'y';  // past the first block
  write_file(tmp.at("a"), big);
  write_file(tmp.at("b"), big);
  write_file(tmp.at("c"), other);
  EXPECT_TRUE(engine::same_contents(h, tmp.at("a"), tmp.at("b")));
  EXPECT_FALSE(engine::same_contents(h, tmp.at("a"), tmp.at("c")));
  EXPECT_FALSE(engine::same_contents(h, tmp.at("a"), tmp.at("missing")));
}

}  // namespace
