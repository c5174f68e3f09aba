// A store on a USB stick's file system (exFAT, FAT32), which folds letter case and forbids
// some characters: what it cannot hold beside its twin is named and counted as failed, the
// twin already stored stays whole, nothing is merged into another folder, and unchanged files
// are never copied again. Needs root to mount the volume; skips otherwise.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <memory>

#include "engine/testing/store_test_fixture.h"
#include "platform/testing/process.h"

namespace {

using store_test::tree;
using testing_support::fat_volume;
using testing_support::list_tree;
using testing_support::make_folders;

const std::string k_twin_line =
    "err:バックアップ先のファイルシステムは、大文字と小文字などだけが違う既存の項目とこの名前を区別"
    "出来ないため、保存出来ません。";
const std::string k_name_line =
    "err:バックアップ先のファイルシステムでは使えない名前のため、保存出来ません。";

const char k_fusefat[] =
    "the only FAT driver here is fusefat, which empties a folder it moves into another: later "
    "runs are tested where the kernel has vfat";

class FatStore : public store_test::store_fixture,
                 public ::testing::WithParamInterface<fat_volume::kind> {
 protected:
  void SetUp() override {
    store_fixture::SetUp();
    make_folders(tmp.at("stick"));
    volume_ = std::make_unique<fat_volume>(GetParam(), tmp.at("stick.img"), tmp.at("stick"));
    if (!volume_->mounted()) GTEST_SKIP() << volume_->why_not();
    dst = tmp.at("stick/store");
  }
  void TearDown() override { volume_.reset(); }

  // Every file a restore gave back holds what the source holds under that very name.
  void expect_true_to_the_source(const tree& restored) {
    for (const auto& [name, bytes] : restored) {
      if (bytes == "<folder>") continue;
      EXPECT_EQ(bytes, testing_support::read_file(src + "/" + name)) << name;
    }
  }

  std::unique_ptr<fat_volume> volume_;
};

TEST_P(FatStore, TwinsAreNamedAsFailedAndNeverReplaceOrMergeIntoEachOther) {
  file("a.txt", "lower");
  file("A.txt", "upper");
  make_folders(src + "/Docs");
  make_folders(src + "/docs");
  file("Docs/one.txt", "one");
  file("docs/other.txt", "other");
  file("plain.txt", "plain");
  file("q?b.txt", "question");

  engine::run_summary first;
  const std::vector<std::string> lines = run(&first);
  // One of each pair of twins, and the name the stick forbids.
  EXPECT_EQ(first.failed, 3);
  EXPECT_TRUE(has(lines, k_twin_line));
  EXPECT_TRUE(has(lines, k_name_line));
  const tree one = restored("0001");
  expect_true_to_the_source(one);
  EXPECT_EQ(one.count("a.txt") + one.count("A.txt"), 1u);
  EXPECT_EQ(one.at("plain.txt"), "plain");
  // Only one of the two folders is stored, and it holds only its own file.
  EXPECT_EQ(one.count("Docs") + one.count("docs"), 1u);
  EXPECT_EQ(one.count("Docs/one.txt") + one.count("docs/other.txt"), 1u);
  if (volume_->loses_moved_folders()) GTEST_SKIP() << k_fusefat;

  // Nothing changed: nothing is copied or moved again, and the same entries fail again.
  engine::run_summary second;
  run(&second);
  EXPECT_EQ(second.copied, 0);
  EXPECT_EQ(second.moved, 0);
  EXPECT_EQ(second.failed, 3);
  EXPECT_EQ(restored("0002"), one);
  EXPECT_EQ(restored("0001"), one);
  EXPECT_TRUE(list_tree(dst + "/Zolk0001").empty());

  // A change to the stored twin is backed up as a change, the other twin still kept out.
  const std::string stored = one.count("a.txt") != 0 ? "a.txt" : "A.txt";
  file(stored, "changed");
  engine::run_summary third;
  run(&third);
  EXPECT_EQ(third.copied, 1);
  EXPECT_EQ(third.moved, 1);
  EXPECT_EQ(third.failed, 3);
  EXPECT_EQ(restored("0003").at(stored), "changed");
  EXPECT_EQ(restored("0002").at(stored), stored == "a.txt" ? "lower" : "upper");
}

TEST_P(FatStore, UnchangedFilesAreCarriedForwardNotCopiedAgain) {
  if (volume_->loses_moved_folders()) GTEST_SKIP() << k_fusefat;
  file("top.txt", "top");
  make_folders(src + "/sub");
  file("sub/inner.txt", "inner");
  engine::run_summary summary;
  run(&summary);
  EXPECT_TRUE(summary.ok());
  for (int i = 0; i < 2; ++i) {
    run(&summary);
    EXPECT_TRUE(summary.ok());
    EXPECT_EQ(summary.copied, 0);
    EXPECT_EQ(summary.moved, 0);
  }
  const tree whole = {{"top.txt", "top"}, {"sub", "<folder>"}, {"sub/inner.txt", "inner"}};
  EXPECT_EQ(restored("0003"), whole);
  EXPECT_EQ(restored("0001"), whole);
  EXPECT_TRUE(list_tree(dst + "/Zolk0001").empty());
  EXPECT_TRUE(list_tree(dst + "/Zolk0002").empty());
}

INSTANTIATE_TEST_SUITE_P(Sticks, FatStore,
                         ::testing::Values(fat_volume::kind::exfat, fat_volume::kind::fat32),
                         [](const ::testing::TestParamInfo<fat_volume::kind>& param) {
                           return param.param == fat_volume::kind::exfat ? "exFAT" : "FAT32";
                         });

}  // namespace
#endif
