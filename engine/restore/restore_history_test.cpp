// Random histories: after every backup run the source tree is kept aside; restoring each point
// afterwards must give back exactly that tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "engine/backup/backup_run.h"
#include "engine/restore/restore_run.h"
#include "engine/testing/random_history.h"
#include "engine/testing/restore_test_tree.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using restore_testing::random_history;
using restore_testing::tree;
using restore_testing::tree_of;

// Runs `runs` backups over a randomly changing source, then restores every point.
// `leftovers`: every third run cannot carry its first entry forward. `index_budget`: the
// restore's memory for change-log paths (one byte keeps them all in files in the store).
void check_history(unsigned seed, int runs, bool leftovers,
                   size_t index_budget = engine::restore_request().index_budget) {
  testing_support::temp_folder tmp;
  const std::string source = tmp.at("src");
  const std::string store = tmp.at("store");
  testing_support::make_folders(source);
  random_history history(seed, source);
  history.write("readme.txt", 10);
  host::fault_host faults(host::default_host());
  std::vector<tree> points;
  for (int run = 1; run <= runs; ++run) {
    if (run > 1) history.change();
    if (leftovers && run % 3 == 0) faults.fail_call(host::call_kind::rename, 1);
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(faults, source, store, log, progress);
    faults.clear_faults();
    points.push_back(tree_of(source));
  }
  for (int run = 1; run <= runs; ++run) {
    const std::string target = tmp.at("target" + std::to_string(run));
    engine::restore_request request{run, store, source, target};
    request.index_budget = index_budget;
    engine::recording_log log;
    engine::recording_progress progress;
    const engine::run_summary summary =
        engine::start_restore(host::default_host(), request, log, progress);
    EXPECT_TRUE(summary.ok()) << "seed " << seed << ", point " << run;
    EXPECT_EQ(tree_of(target), points[run - 1]) << "seed " << seed << ", point " << run;
  }
}

TEST(RestoreHistory, EveryPointOfRandomHistoriesComesBackExactly) {
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) check_history(seed, 10, false);
}

TEST(RestoreHistory, EntriesARunCouldNotCarryForwardBelongToTheirPoint) {
  for (unsigned seed : {11u, 12u, 13u}) check_history(seed, 9, true);
}

TEST(RestoreHistory, PointsComeBackExactlyWithTheLogsKeptInFiles) {
  for (unsigned seed : {21u, 22u}) check_history(seed, 10, false, 1);
  check_history(23u, 9, true, 1);
}

// A fixed history, built step by step: the source as it stood after each run is kept aside,
// so that every point can be restored and compared afterwards.
class PointHistory : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string source = tmp.at("src");
  std::string store = tmp.at("store");
  std::vector<tree> points;
  int clock_ = 0;

  void SetUp() override { testing_support::make_folders(source); }

  // Writes a source file with a time of its own (a run tells versions apart by their time).
  void write(const std::string& relative, const std::string& bytes) {
    const std::string path = source + "/" + relative;
    testing_support::make_folders(path.substr(0, path.rfind('/')));
    testing_support::write_file(path, bytes);
    clock_ += 2;
    testing_support::set_time(
        path, host::pack_time(host::calendar_time{2020, 1, 1, 0, clock_ / 60, clock_ % 60}));
  }
  void remove(const std::string& relative) {
    testing_support::remove_tree(source + "/" + relative);
  }

  void backup() {
    engine::recording_log log;
    engine::null_progress progress;
    const engine::run_summary summary =
        engine::run_history_backup(host::default_host(), source, store, log, progress);
    EXPECT_TRUE(summary.ok()) << "run " << points.size() + 1;
    points.push_back(tree_of(source));
  }

  void restore_every_point(host::host& h, const std::string& label) {
    for (size_t run = 1; run <= points.size(); ++run) {
      const std::string target = tmp.at(label + std::to_string(run));
      engine::restore_request request{static_cast<int>(run), store, source, target};
      engine::recording_log log;
      engine::recording_progress progress;
      EXPECT_TRUE(engine::start_restore(h, request, log, progress).ok()) << label << run;
      EXPECT_EQ(tree_of(target), points[run - 1]) << label << run;
    }
  }
};

// A store on a read-only disk (or copied from a CD) reports the read-only bit on every entry;
// every point must still restore whole.
TEST_F(PointHistory, AStoreMarkedReadOnlyThroughoutRestoresEveryPoint) {
  write("a.txt", "one");
  write("docs/in.txt", "in");
  write("docs/deep/d.txt", "deep");
  backup();
  write("a.txt", "two");
  remove("docs/deep");
  write("b.txt", "b");
  backup();
  remove("a.txt");
  write("docs/in.txt", "in 2");
  backup();
  host::fault_host read_only(host::default_host());
  read_only.add_reported_attributes(host::k_read_only | host::k_archive);
  restore_every_point(read_only, "marked");
#ifndef _WIN32
  // The real bits too (as root they do not stop writes, but the bits are reported all the same).
  ASSERT_EQ(std::system(("chmod -R a-w '" + store + "'").c_str()), 0);
  restore_every_point(host::default_host(), "chmod");
  ASSERT_EQ(std::system(("chmod -R u+w '" + store + "'").c_str()), 0);
#endif
}

// Names holding line ends or other control characters are written to the change log escaped,
// so that no name can end a line and start a forged one.
TEST_F(PointHistory, NamesHoldingControlCharactersCannotForgeChangeLogLines) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names cannot hold control characters";
#endif
  write("victim.txt", "keep me");
  write("docs/in.txt", "in");
  backup();
  write("x\nC   victim.txt", "forged new file");
  write("y\nS   docs", "forged new folder");
  write("z\r\nD   docs/f\x01\x1F\tile", "in a folder with a line end in its name");
  write("cr\rname", "carriage return");
  backup();
  write("x\nC   victim.txt", "changed");
  remove("y\nS   docs");
  backup();
  restore_every_point(host::default_host(), "target");
  const std::map<std::string, size_t> line_counts = {
      {"Zolk0001.Zcl", 2}, {"Zolk0002.Zcl", 4}, {"Zolk0003.Zcl", 2}};
  for (const auto& [log, expected_lines] : line_counts) {
    const std::string bytes = testing_support::read_file(store + "/" + log);
    size_t lines = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
        ++lines;
        ++i;
      } else {
        EXPECT_GE(c, 0x20) << log << " byte " << i;
      }
    }
    EXPECT_EQ(lines, expected_lines) << log;
  }
}

// A home folder: its settings live in names beginning with a full stop, and a user's file may
// even be named like Zolk's own working files at the destination root.
TEST_F(PointHistory, AHomeFolderWithDotNamesComesBackWholeAtEveryPoint) {
  write(".bashrc", "alias ll='ls -l'");
  write(".env", "SECRET=1");
  write(".config/app/settings.ini", "[a]");
  write(".git/HEAD", "ref: refs/heads/main");
  write(".git/objects/ab/cdef", "blob");
  write("notes/.keep", "");
  write(".zolk-run", "a user's file named like the run marker");
  write(".zolk-lock", "and like the lock");
  backup();
  write(".bashrc", "alias ll='ls -la'");
  remove(".env");
  remove(".git/objects");
  write(".config/app/new.ini", "[b]");
  write(".zolk-run", "changed");
  backup();
  write(".zolk-run.tmp", "like the marker's temporary file");
  remove(".config");
  backup();
  restore_every_point(host::default_host(), "target");
}

}  // namespace
