// Runs the built zolk-cli log, versions and restore --path as a user would.
#include <gtest/gtest.h>

#include "cli/cli_test_runner.h"

#include <string>

#include "engine/store/store_lock.h"
#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace {

using cli_testing::result;
using cli_testing::zolk_cli;

using testing_support::make_folders;
using testing_support::read_file;
using testing_support::write_file;

class history_cli : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = cli_testing::quoted(tmp.at("dst"));
  int clock_ = 0;

  // Three points: 0001 made docs/a.txt and x; 0002 changed a.txt, deleted gone.txt and
  // turned the file x into a folder; 0003 changed nothing.
  void SetUp() override {
    make_folders(src + "/docs");
    file("docs/a.txt", "first");
    file("gone.txt", "g");
    file("x", "file");
    backup();
    file("docs/a.txt", "second version");
    testing_support::remove_tree(src + "/gone.txt");
    testing_support::remove_tree(src + "/x");
    make_folders(src + "/x");
    backup();
    backup();
  }
  void file(const std::string& rel, const std::string& bytes) {
    write_file(src + "/" + rel, bytes);
    testing_support::set_time(
        src + "/" + rel, host::pack_time(host::calendar_time{2021, 6, 2, 12, 0, 2 * ++clock_}));
  }
  void backup() { ASSERT_EQ(zolk_cli("backup " + cli_testing::quoted(src) + " " + dst).status, 0); }
};

TEST_F(history_cli, LogShowsWhatTheRunOfAPointChanged) {
  const result second = zolk_cli("log " + dst + " 0002");
  EXPECT_EQ(second.status, 0);
  // The lines of one kind of change stand in the order the folder was listed.
  EXPECT_EQ(second.out.size(),
            std::string("deleted     gone.txt\nchanged     docs/a.txt\ntype change x/\n").size());
  EXPECT_EQ(second.out.rfind("deleted     gone.txt\n", 0), 0u) << second.out;
  EXPECT_NE(second.out.find("changed     docs/a.txt\n"), std::string::npos) << second.out;
  EXPECT_NE(second.out.find("type change x/\n"), std::string::npos) << second.out;
  const result first = zolk_cli("log " + dst + " 1");
  EXPECT_EQ(first.status, 0);
  EXPECT_NE(first.out.find("new         docs/\n"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("new         x\n"), std::string::npos) << first.out;

  // The newest point by default, and latest: nothing changed, said on stderr only.
  EXPECT_EQ(zolk_cli("log " + dst).out, "");
  const result latest = zolk_cli("log " + dst + " latest", true);
  EXPECT_EQ(latest.status, 0);
  EXPECT_NE(latest.out.find("nothing changed at 0003: "), std::string::npos) << latest.out;

  EXPECT_EQ(zolk_cli("log " + dst + " 0009").status, 1);
  EXPECT_EQ(zolk_cli("log " + cli_testing::quoted(tmp.at("none"))).status, 1);
  EXPECT_EQ(zolk_cli("log " + dst + " second").status, 2);
  testing_support::remove_tree(tmp.at("dst/Zolk0002.Zcl"));
  const result no_log = zolk_cli("log " + dst + " 2", true);
  EXPECT_EQ(no_log.status, 1);
  EXPECT_NE(no_log.out.find("left no change log"), std::string::npos) << no_log.out;
  EXPECT_EQ(zolk_cli("log --help").status, 0);
}

TEST_F(history_cli, LogTellsAFolderFromAFileAlsoAcrossThinnedPoints) {
  // 0004: the folder docs deleted, x a file again.
  testing_support::remove_tree(src + "/docs");
  testing_support::remove_tree(src + "/x");
  file("x", "file again");
  backup();
  EXPECT_EQ(zolk_cli("log " + dst + " 4").out, "deleted     docs/\ntype change x\n");
  // With the points where x was a folder thinned out, x was a file at both points left.
  ASSERT_EQ(zolk_cli("prune " + dst + " --point 0002").status, 0);
  ASSERT_EQ(zolk_cli("prune " + dst + " --point 0002").status, 0);
  const result merged = zolk_cli("log " + dst + " 2");
  EXPECT_EQ(merged.status, 0);
  EXPECT_NE(merged.out.find("deleted     docs/\n"), std::string::npos) << merged.out;
  EXPECT_NE(merged.out.find("deleted     gone.txt\n"), std::string::npos) << merged.out;
  EXPECT_NE(merged.out.find("changed     x\n"), std::string::npos) << merged.out;
  EXPECT_EQ(merged.out.find("type change"), std::string::npos) << merged.out;
  const std::string target = tmp.at("t");
  ASSERT_EQ(zolk_cli("restore " + dst + " 1 " + cli_testing::quoted(target)).status, 0);
  EXPECT_EQ(read_file(target + "/x"), "file");
}

TEST_F(history_cli, VersionsShowsAPathAtEveryPoint) {
  const result a = zolk_cli("versions " + dst + " docs/a.txt");
  EXPECT_EQ(a.status, 0);
  const auto lines = [](const std::string& out) {
    std::vector<std::string> split;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
      split.push_back(out.substr(start, end - start));
    }
    return split;
  };
  const std::vector<std::string> versions = lines(a.out);
  ASSERT_EQ(versions.size(), 3u) << a.out;
  EXPECT_EQ(versions[0].substr(0, 6), "0003: ");
  EXPECT_NE(versions[0].find("  14 bytes  packed 0x"), std::string::npos) << versions[0];
  EXPECT_NE(versions[0].find("in Zolk0003"), std::string::npos) << versions[0];
  EXPECT_NE(versions[1].find("  14 bytes  "), std::string::npos) << versions[1];
  EXPECT_NE(versions[2].find("  5 bytes  "), std::string::npos) << versions[2];
  EXPECT_NE(versions[2].find("in Zolk0001"), std::string::npos) << versions[2];

  const std::vector<std::string> gone = lines(zolk_cli("versions " + dst + " /gone.txt").out);
  ASSERT_EQ(gone.size(), 3u);
  EXPECT_EQ(gone[0].substr(gone[0].size() - 8), "  absent");
  EXPECT_EQ(gone[1].substr(gone[1].size() - 9), "  deleted");
  EXPECT_NE(gone[2].find("  1 bytes  "), std::string::npos) << gone[2];
  EXPECT_NE(lines(zolk_cli("versions " + dst + " x").out)[0].find("  folder  packed 0x"),
            std::string::npos);

  EXPECT_EQ(zolk_cli("versions " + dst + " nothing.txt").status, 1);
  EXPECT_EQ(zolk_cli("versions " + dst + " ../x").status, 2);
  EXPECT_EQ(zolk_cli("versions " + cli_testing::quoted(tmp.at("none")) + " x").status, 1);
  EXPECT_EQ(zolk_cli("versions " + dst).status, 2);
  EXPECT_EQ(zolk_cli("versions --help").status, 0);
}

TEST_F(history_cli, LogAndVersionsOfAStoreInUseSayItIsBusy) {
  // Another process holding the lock may be a prune renumbering the points under the reader.
  host::lock_result other =
      host::default_host().lock_file(tmp.at("dst") + "/" + engine::k_store_lock_name);
  ASSERT_EQ(other.state, host::lock_state::taken);
  const std::string busy = "zolk-cli: the store " + tmp.at("dst") + " is in use by another run\n";
  EXPECT_EQ(zolk_cli("log " + dst + " 0002", true).out, busy);
  EXPECT_EQ(zolk_cli("log " + dst, true).status, 1);
  EXPECT_EQ(zolk_cli("versions " + dst + " docs/a.txt", true).out, busy);
  EXPECT_EQ(zolk_cli("versions " + dst + " docs/a.txt").status, 1);
  other.held.reset();
  EXPECT_EQ(zolk_cli("log " + dst + " 0002").status, 0);
  EXPECT_EQ(zolk_cli("versions " + dst + " docs/a.txt").status, 0);
}

TEST_F(history_cli, RestoreOfChosenPathsBringsBackOnlyThemAsTheyStoodAtThePoint) {
  const std::string target = tmp.at("t");
  const result r = zolk_cli("restore " + dst + " 0001 " + cli_testing::quoted(target) +
                            " --path docs/a.txt --path gone.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(testing_support::list_tree(target),
            (std::map<std::string, std::string>{
                {"docs", "<folder>"}, {"docs/a.txt", "first"}, {"gone.txt", "g"}}));

  const std::string missing = tmp.at("m");
  const result refused = zolk_cli(
      "restore " + dst + " 0002 " + cli_testing::quoted(missing) + " --path gone.txt", true);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("err:選択された時点に指定の項目がありません。==> gone.txt\n"),
            std::string::npos)
      << refused.out;
  EXPECT_FALSE(testing_support::exists(missing));
  EXPECT_EQ(zolk_cli("restore " + dst + " 0002 " + cli_testing::quoted(missing) + " --path").status,
            2);
}

// Names that hold what a line cannot show: a line feed, a tab, a backslash, and the two
// characters `\` and `n` in a row, which must not be taken for a line feed.
class history_cli_names : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = cli_testing::quoted(tmp.at("dst"));

  // A name as Zolk spells the host's name in a path.
  static std::string n(const std::string& name) { return cp932::from_unicode_name(name); }

  void SetUp() override {
    make_folders(src + "/" + n("dir\ttab"));
    write_file(src + "/" + n("a\nb"), "line feed");
    write_file(src + "/" + n("a\\nb"), "backslash n");
    write_file(src + "/" + n("dir\ttab") + "/" + n("back\\slash"), "backslash");
    ASSERT_EQ(zolk_cli("backup " + cli_testing::quoted(src) + " " + dst).status, 0);
  }
  std::string first_line(const std::string& arguments) {
    const std::string out = zolk_cli(arguments).out;
    return out.substr(0, out.find('\n'));
  }
};

TEST_F(history_cli_names, WhatLogWritesVersionsAndRestoreFind) {
  const std::string log = zolk_cli("log " + dst).out;
  EXPECT_NE(log.find("new         a\\nb\n"), std::string::npos) << log;
  EXPECT_NE(log.find("new         a\\\\nb\n"), std::string::npos) << log;
  EXPECT_NE(log.find("new         dir\\ttab/\n"), std::string::npos) << log;

  // As log writes them, and with the control character typed as itself (inside the quotes).
  EXPECT_NE(first_line("versions " + dst + " 'a\\nb'").find("  9 bytes  "), std::string::npos);
  EXPECT_NE(first_line("versions " + dst + " 'a\nb'").find("  9 bytes  "), std::string::npos);
  EXPECT_NE(first_line("versions " + dst + " 'a\\\\nb'").find("  11 bytes  "), std::string::npos);
  EXPECT_NE(first_line("versions " + dst + " 'dir\\ttab/back\\\\slash'").find("  9 bytes  "),
            std::string::npos);
  EXPECT_NE(first_line("versions " + dst + " 'dir\ttab'").find("  folder  "), std::string::npos);
  // A backslash that starts no escape is refused, not guessed at.
  const result unclear = zolk_cli("versions " + dst + " 'dir\\ttab/back\\slash'", true);
  EXPECT_EQ(unclear.status, 2);
  EXPECT_NE(unclear.out.find("\\\\"), std::string::npos) << unclear.out;

  const std::string target = tmp.at("t");
  const result r = zolk_cli("restore " + dst + " latest " + cli_testing::quoted(target) +
                            " --path 'a\\nb' --path 'dir\\ttab/back\\\\slash'");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("==> dir\\ttab/back\\\\slash\n"), std::string::npos) << r.out;
  EXPECT_EQ(read_file(target + "/" + n("a\nb")), "line feed");
  EXPECT_EQ(read_file(target + "/" + n("dir\ttab") + "/" + n("back\\slash")), "backslash");
  EXPECT_FALSE(testing_support::exists(target + "/" + n("a\\nb")));
  EXPECT_EQ(
      zolk_cli("restore " + dst + " latest " + cli_testing::quoted(tmp.at("u")) + " --path 'a\\qb'")
          .status,
      2);
}

}  // namespace
