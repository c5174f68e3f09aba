#include "engine/common/file_copy.h"

#include <gtest/gtest.h>

#include "engine/common/paths.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::exists;
using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

struct copy_fixture : ::testing::Test {
  temp_folder tmp;
  engine::recording_progress progress;
  engine::stop_request stop;
  engine::transfer_buffer buffer = engine::make_transfer_buffer();
  int copy(host::host& h, const std::string& from, const std::string& to) {
    engine::progress_meter meter(progress, &stop);
    return engine::copy_file_with_progress(h, meter, buffer, engine::k_block_length, from, to);
  }
  // The bytes the meter heard of, report by report, for the file being copied.
  std::vector<int64_t> file_bytes_heard() const {
    std::vector<int64_t> heard;
    for (const engine::progress_facts& f : progress.reports()) {
      if (f.file_bytes_total >= 0) heard.push_back(f.file_bytes_done);
    }
    return heard;
  }
  int copy(const std::string& from, const std::string& to) {
    return copy(host::default_host(), from, to);
  }
};

std::string bytes_of_length(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 131071);
  return s;
}

TEST_F(copy_fixture, ReportsTheLengthAndEveryBlockWritten) {
  write_file(tmp.at("one"), bytes_of_length(131071));
  ASSERT_EQ(copy(tmp.at("one"), tmp.at("one.out")), 0);
  EXPECT_EQ(read_file(tmp.at("one.out")), bytes_of_length(131071));
  // A whole block read may be followed by more: one read of nothing ends the copy.
  EXPECT_EQ(file_bytes_heard(), (std::vector<int64_t>{0, 131071, 131071}));
  EXPECT_EQ(progress.last().file_bytes_total, -1);  // no file being copied afterwards

  progress = engine::recording_progress();
  write_file(tmp.at("three"), bytes_of_length(2 * 131071 + 1));
  ASSERT_EQ(copy(tmp.at("three"), tmp.at("three.out")), 0);
  EXPECT_EQ(read_file(tmp.at("three.out")), bytes_of_length(2 * 131071 + 1));
  EXPECT_EQ(file_bytes_heard(), (std::vector<int64_t>{0, 131071, 2 * 131071, 2 * 131071 + 1}));
  EXPECT_EQ(progress.reports()[0].file_bytes_total, 2 * 131071 + 1);
  EXPECT_EQ(progress.last().bytes_done, 2 * 131071 + 1);
}

// A sink that asks the run to stop once the copy has written some bytes.
class stop_after_first_block : public engine::run_progress {
 public:
  explicit stop_after_first_block(engine::stop_request& stop) : stop_(stop) {}
  void report(const engine::progress_facts& facts) override {
    if (facts.file_bytes_done > 0) stop_.request();
  }

 private:
  engine::stop_request& stop_;
};

TEST_F(copy_fixture, AStopBetweenBlocksLeavesTheTargetAsItWas) {
  write_file(tmp.at("big"), bytes_of_length(3 * 131071));
  write_file(tmp.at("dst"), "the previous version");
  stop_after_first_block sink(stop);
  engine::progress_meter meter(sink, &stop);
  EXPECT_EQ(engine::copy_file_with_progress(host::default_host(), meter, buffer,
                                            engine::k_block_length, tmp.at("big"), tmp.at("dst")),
            engine::k_copy_stopped);
  EXPECT_EQ(read_file(tmp.at("dst")), "the previous version");
  EXPECT_FALSE(exists(tmp.at(engine::copy_temp_name(host::default_host()))));
  EXPECT_EQ(meter.facts().bytes_done, 131071);  // one block, then no more reads
}

TEST_F(copy_fixture, CarriesTheTimeRoundedAndReplacesLongerTargets) {
  write_file(tmp.at("src"), "short");
  testing_support::set_time(tmp.at("src"),
                            host::pack_time(host::calendar_time{2003, 4, 5, 10, 20, 31}));
  write_file(tmp.at("dst"), "a much longer existing target");
  ASSERT_EQ(copy(tmp.at("src"), tmp.at("dst")), 0);
  EXPECT_EQ(read_file(tmp.at("dst")), "short");
  EXPECT_EQ(host::format_date_text(testing_support::file_time(tmp.at("dst"))),
            "2003/04/05 10:20:30");
  write_file(tmp.at("empty"), "");
  ASSERT_EQ(copy(tmp.at("empty"), tmp.at("empty.out")), 0);
  EXPECT_EQ(read_file(tmp.at("empty.out")), "");
}

TEST_F(copy_fixture, FailuresCreateOrLeaveNoTarget) {
  EXPECT_EQ(copy(tmp.at("missing"), tmp.at("out")), -1);
  EXPECT_FALSE(exists(tmp.at("out")));
  ASSERT_TRUE(host::default_host().create_folder(tmp.at("folder")));
  EXPECT_EQ(copy(tmp.at("folder"), tmp.at("out")), -1);
  EXPECT_FALSE(exists(tmp.at("out")));
  // A write that fails half-way (a full disk) is a failed copy, and no partial file remains.
  write_file(tmp.at("big"), bytes_of_length(3 * 131071));
  host::fault_host h(host::default_host());
  h.fail_call(host::call_kind::write, 2);
  EXPECT_EQ(copy(h, tmp.at("big"), tmp.at("out")), -1);
  EXPECT_FALSE(exists(tmp.at("out")));
  EXPECT_EQ(progress.last().file_bytes_total, -1);
}

TEST_F(copy_fixture, WritesThroughATemporaryFileThatNeverOutlivesTheCopy) {
  write_file(tmp.at("src"), bytes_of_length(300000));
  write_file(tmp.at("dst"), "the previous version");
  host::fault_host h(host::default_host());
  h.fail_call(host::call_kind::write, 2);
  EXPECT_EQ(copy(h, tmp.at("src"), tmp.at("dst")), -1);
  // A failed copy leaves the target as it was.
  EXPECT_EQ(read_file(tmp.at("dst")), "the previous version");
  EXPECT_FALSE(exists(tmp.at(engine::copy_temp_name(h))));
  ASSERT_EQ(copy(tmp.at("src"), tmp.at("dst")), 0);
  EXPECT_EQ(read_file(tmp.at("dst")), bytes_of_length(300000));
  EXPECT_FALSE(exists(tmp.at(engine::copy_temp_name(h))));
  // A crash before the rename leaves only the temporary file; the target is untouched.
  host::fault_host crashing(host::default_host());
  crashing.fail_call(host::call_kind::replace, 1);
  crashing.fail_call(host::call_kind::remove_file, 1);
  write_file(tmp.at("src"), "new");
  EXPECT_EQ(copy(crashing, tmp.at("src"), tmp.at("dst")), -1);
  EXPECT_EQ(read_file(tmp.at("dst")), bytes_of_length(300000));
  EXPECT_EQ(read_file(tmp.at(engine::copy_temp_name(h))), "new");
}

TEST(CopyTempName, CarriesTheProcessIdAndIsRecognisedExactly) {
  host::host& h = host::default_host();
  EXPECT_EQ(engine::copy_temp_name(h), ".zolk-copy." + std::to_string(h.process_id()) + ".tmp");
  EXPECT_TRUE(engine::is_copy_temp_name(engine::copy_temp_name(h)));
  EXPECT_TRUE(engine::is_copy_temp_name(".zolk-copy.1.tmp"));
  EXPECT_TRUE(engine::is_copy_temp_name(".zolk-copy.tmp"));  // written by earlier versions
  for (const char* name :
       {".zolk-copy..tmp", ".zolk-copy.12a.tmp", ".zolk-copy.1.tmp.txt", "x.zolk-copy.1.tmp",
        ".zolk-copy.-1.tmp", ".ZOLK-COPY.1.TMP", ".zolk-run", ".bashrc"}) {
    EXPECT_FALSE(engine::is_copy_temp_name(name)) << name;
  }
}

TEST_F(copy_fixture, ASourceChangingWhileReadIsNeverStored) {
  write_file(tmp.at("dst"), "the previous version");
  host::fault_host h(host::default_host());
  // Grows, and so gets a new time, after its first block was read.
  write_file(tmp.at("grows"), bytes_of_length(300000));
  testing_support::set_time(tmp.at("grows"),
                            host::pack_time(host::calendar_time{2001, 1, 1, 0, 0, 0}));
  h.change_on_read("grows", [&] { write_file(tmp.at("grows"), bytes_of_length(400000)); });
  EXPECT_EQ(copy(h, tmp.at("grows"), tmp.at("dst")), engine::k_copy_source_changed);
  EXPECT_EQ(read_file(tmp.at("dst")), "the previous version");
  EXPECT_FALSE(exists(tmp.at(engine::copy_temp_name(h))));
  EXPECT_EQ(progress.last().file_bytes_total, -1);
  // Cut short: fewer bytes arrive than the length promised.
  write_file(tmp.at("shrinks"), bytes_of_length(300000));
  h.change_on_read("shrinks", [&] { write_file(tmp.at("shrinks"), "x"); });
  EXPECT_EQ(copy(h, tmp.at("shrinks"), tmp.at("dst")), engine::k_copy_source_changed);
  EXPECT_EQ(read_file(tmp.at("dst")), "the previous version");
  // Only the time moves on (the same length, rewritten in another two-second slot).
  write_file(tmp.at("touched"), "same");
  testing_support::set_time(tmp.at("touched"),
                            host::pack_time(host::calendar_time{2001, 1, 1, 0, 0, 0}));
  h.change_on_read("touched", [&] {
    testing_support::set_time(tmp.at("touched"),
                              host::pack_time(host::calendar_time{2001, 1, 1, 0, 0, 4}));
  });
  EXPECT_EQ(copy(h, tmp.at("touched"), tmp.at("dst")), engine::k_copy_source_changed);
  EXPECT_EQ(read_file(tmp.at("dst")), "the previous version");
  EXPECT_FALSE(exists(tmp.at(engine::copy_temp_name(h))));
}

TEST(ParentFolder, DropsTheFinalComponent) {
  EXPECT_EQ(engine::parent_folder("c:\\a\\f.txt"), "c:\\a");
  EXPECT_EQ(engine::parent_folder("/x/y"), "/x");
  EXPECT_EQ(engine::parent_folder("f"), "");
  EXPECT_EQ(engine::parent_folder("c:\\\x95\x5C"), "c:");  // 表 keeps its trail byte
}

TEST(CreateParentFolders, CreatesEveryFolderButTheLast) {
  temp_folder tmp;
  host::host& h = host::default_host();
  EXPECT_EQ(engine::create_parent_folders(h, tmp.path() + "\\new\\deep\\x.txt"), 0);
  EXPECT_TRUE(testing_support::is_folder(tmp.at("new/deep")));
  EXPECT_FALSE(exists(tmp.at("new/deep/x.txt")));
  // A folder whose name ends in 表 is created whole, never as its lead byte alone.
  engine::create_parent_folders(h, tmp.path() + "\\\x95\x5C\\f");
  EXPECT_TRUE(testing_support::is_folder(tmp.at("\x95\x5C")));
  EXPECT_FALSE(exists(tmp.at("\x95")));
}

TEST(MoveFileCreatingFolders, MovesFilesAndFoldersButNeverReplaces) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("a"), "A");
  write_file(tmp.at("b"), "B");
  EXPECT_EQ(engine::move_file_creating_folders(h, tmp.at("a"), tmp.at("b")), -1);
  EXPECT_EQ(read_file(tmp.at("a")), "A");
  EXPECT_EQ(read_file(tmp.at("b")), "B");
  testing_support::make_folders(tmp.at("dir/in"));
  write_file(tmp.at("dir/in/f"), "F");
  EXPECT_EQ(engine::move_file_creating_folders(h, tmp.at("dir"), tmp.path() + "\\x\\y\\dir"), 0);
  EXPECT_EQ(read_file(tmp.at("x/y/dir/in/f")), "F");
  EXPECT_EQ(engine::move_file_creating_folders(h, tmp.at("missing"), tmp.at("z")), -1);
}

TEST(RunSinks, LinesSplitAtCrLf) {
  engine::recording_log log;
  log.add_line("-----* start *-----\r\n");
  log.add_line("x\r\n\r\n\r\n");
  log.add_line("plain");
  EXPECT_EQ(log.texts().size(), 3u);
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{"-----* start *-----", "", "x", "", "", "", "plain"}));
}

}  // namespace
