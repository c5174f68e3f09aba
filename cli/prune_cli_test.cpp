// Runs the built zolk-cli prune and verify as a user would.
#include <gtest/gtest.h>

#include "cli/cli_test_runner.h"

#include <string>

#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace {

using cli_testing::quoted;
using cli_testing::result;
using cli_testing::zolk_cli;
using testing_support::write_file;

class prune_cli : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src"), dst = tmp.at("dst");
  std::string q_src = cli_testing::quoted(src), q_dst = cli_testing::quoted(dst);

  // Four points: a.txt in four versions, b.txt made in the second and deleted in the third.
  void SetUp() override {
    testing_support::make_folders(src);
    for (int run = 1; run <= 4; ++run) {
      write_file(src + "/a.txt", "a" + std::to_string(run));
      testing_support::set_time(src + "/a.txt",
                                host::pack_time(host::calendar_time{2022, 1, run, 0, 0, 0}));
      if (run == 2) write_file(src + "/b.txt", "b");
      if (run == 3) testing_support::remove_tree(src + "/b.txt");
      ASSERT_EQ(zolk_cli("backup " + q_src + " " + q_dst).status, 0);
    }
  }
  std::string restored(const std::string& point, const std::string& name) {
    const std::string target = tmp.at("r" + point);
    testing_support::remove_tree(target);
    zolk_cli("restore " + q_dst + " " + point + " " + cli_testing::quoted(target));
    return testing_support::read_file(target + "/" + name);
  }
};

TEST_F(prune_cli, UsageErrorsExitTwoAndChangeNothing) {
  const auto before = testing_support::list_tree(dst);
  EXPECT_EQ(zolk_cli("prune " + q_dst).status, 2);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-last 0").status, 2);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --point two").status, 2);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --point 0000").status, 2);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-since yesterday").status, 2);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-last 1 --point 0002").status, 2);
  EXPECT_EQ(zolk_cli("verify").status, 2);
  EXPECT_EQ(testing_support::list_tree(dst), before);
  const result help = zolk_cli("prune --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("last stored copy"), std::string::npos) << help.out;
  EXPECT_EQ(zolk_cli("verify --help").status, 0);
}

TEST_F(prune_cli, DryRunListsWhatWouldGoAndChangesNothing) {
  const auto before = testing_support::list_tree(dst);
  const result r = zolk_cli("prune " + q_dst + " --keep-last 2 --dry-run");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("would drop 0001: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("would drop 0002: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("would renumber 0003 -> 0001\nwould renumber 0004 -> 0002\n"),
            std::string::npos)
      << r.out;
  // Zolk0001 holds a1, Zolk0002 holds a2 and b (deleted by the third run), plus two logs.
  EXPECT_NE(r.out.find("would free 5 files, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("last stored copy of every file deleted"), std::string::npos) << r.out;
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --point 0002 --dry-run").status, 0);
  EXPECT_EQ(testing_support::list_tree(dst), before);
}

// A dry run writes nothing, so it cannot complete a prune that was cut off: it says which
// commands do, and leaves the store as it is.
TEST_F(prune_cli, ADryRunRefusesAStoreWhosePruneWasCutOffAndNamesWhatCompletesIt) {
  write_file(dst + "/.zolk-prune", "");
  const auto before = testing_support::list_tree(dst);
  const result r = zolk_cli("prune " + q_dst + " --keep-last 1 --dry-run", true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "zolk-cli: prune: a prune of " + dst +
                       " was cut off; prune without --dry-run or verify completes it\n");
  EXPECT_EQ(testing_support::list_tree(dst), before);
}

TEST_F(prune_cli, RefusesTheNewestPointAMissingOneAndACutRun) {
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --point 0004").status, 1);
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --point 0009").status, 1);
  EXPECT_EQ(zolk_cli("prune " + cli_testing::quoted(tmp.at("none")) + " --keep-last 1").status, 1);
  // A run cut off after it made its folder: the next backup completes it, not a prune.
  write_file(dst + "/.zolk-run", "Zolk0004\r\nZolk0003\r\ncarried\r\n");
  const auto before = testing_support::list_tree(dst);
  const result refused = zolk_cli("prune " + q_dst + " --keep-last 1", true);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("did not finish"), std::string::npos) << refused.out;
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-last 1 --dry-run").status, 1);
  EXPECT_EQ(testing_support::list_tree(dst), before);
  EXPECT_EQ(zolk_cli("verify " + q_dst).status, 1);
}

TEST_F(prune_cli, ThinsAPointRenumbersTheRestAndVerifySaysSo) {
  const result r = zolk_cli("prune " + q_dst + " --point 0002");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("thinned 0002: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("renumbered 0003 -> 0002\nrenumbered 0004 -> 0003\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(restored("0001", "a.txt"), "a1");
  EXPECT_EQ(restored("0002", "a.txt"), "a3");
  EXPECT_EQ(restored("0002", "b.txt"), "<missing>");
  EXPECT_EQ(restored("latest", "a.txt"), "a4");
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-last 5").out, "nothing to prune\n");

  const result sound = zolk_cli("verify " + q_dst + " --source " + q_src);
  EXPECT_EQ(sound.status, 0) << sound.out;
  EXPECT_NE(sound.out.find("0003: "), std::string::npos);
  EXPECT_NE(sound.out.find("0 problems, 0 differences"), std::string::npos) << sound.out;
  write_file(src + "/a.txt", "changed");
  EXPECT_EQ(zolk_cli("verify " + q_dst + " --source " + q_src).status, 1);
  EXPECT_EQ(zolk_cli("verify " + q_dst).status, 0);
  testing_support::remove_tree(dst + "/Zolk0002");
  const result damaged = zolk_cli("verify " + q_dst);
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("gap"), std::string::npos) << damaged.out;
  EXPECT_EQ(zolk_cli("prune " + q_dst + " --keep-last 1").status, 1);  // refused: a gap
  EXPECT_EQ(zolk_cli("verify " + cli_testing::quoted(tmp.at("none"))).status, 1);
}

}  // namespace
