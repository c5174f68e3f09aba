// Runs the built zolk-cli as a user would and checks its output and exit statuses.
#include <gtest/gtest.h>

#include "cli/cli_test_runner.h"

#include <string>

#include "platform/testing/temp_folder.h"

namespace {

using cli_testing::quoted;
using cli_testing::result;
using cli_testing::zolk_cli;

using testing_support::make_folders;
using testing_support::temp_folder;
using testing_support::write_file;

TEST(ZolkCli, BackupPrintsExactlyTheRunLogAndPointsListsNewestFirst) {
  temp_folder tmp;
  make_folders(tmp.at("src/docs"));
  write_file(tmp.at("src/docs/a.txt"), "A");
  const std::string src = quoted(tmp.at("src")), dst = quoted(tmp.at("dst"));
  const result first = zolk_cli("backup " + src + " " + dst);
  EXPECT_EQ(first.status, 0);
  // The run log, then zolk-cli's closing summary (its time is the run's, so not compared).
  const std::string log =
      "履歴バックアップ初回処理。\n新規フォルダです。\n新規ファイルの処理を行いました。\n"
      "==> docs/a.txt\n\n";
  const std::string summary = "コピー 1 件、履歴へ移動 0 件、失敗 0 件、所要時間 0:";
  EXPECT_EQ(first.out.substr(0, log.size() + summary.size()), log + summary) << first.out;
  EXPECT_EQ(first.out.size(), log.size() + summary.size() + 3) << first.out;  // "ss\n"
  write_file(tmp.at("src/docs/a.txt"), "A, longer");
  const result second = zolk_cli("backup " + src + " " + dst);
  EXPECT_EQ(second.status, 0);
  EXPECT_NE(second.out.find("\nコピー 1 件、履歴へ移動 1 件、失敗 0 件、所要時間 0:"),
            std::string::npos)
      << second.out;
  const result points = zolk_cli("points " + dst);
  EXPECT_EQ(points.status, 0);
  ASSERT_EQ(points.out.size() > 12, true);
  EXPECT_EQ(points.out.substr(0, 6), "0002: ");
  EXPECT_NE(points.out.find("\n0001: "), std::string::npos);
}

TEST(ZolkCli, ExitStatusesTellRefusalsFailuresAndUsage) {
  temp_folder tmp;
  make_folders(tmp.at("src"));
  const result refused = zolk_cli("backup " + quoted(tmp.at("src")) + " /");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out.rfind("err:処理を中断しました。\n", 0), 0u) << refused.out;
  // A refused run did nothing: its lines say why, and no summary follows them.
  EXPECT_EQ(refused.out.find("件、"), std::string::npos) << refused.out;
  EXPECT_EQ(zolk_cli("points " + quoted(tmp.at("nothing"))).status, 1);
  EXPECT_EQ(zolk_cli("").status, 2);
  EXPECT_EQ(zolk_cli("backup only-one").status, 2);
  EXPECT_EQ(zolk_cli("frobnicate").status, 2);
  EXPECT_EQ(zolk_cli("--help").status, 0);
  const result version = zolk_cli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.substr(0, 9), "zolk-cli ");
}

TEST(ZolkCli, RelativeFoldersAreTakenFromTheCurrentFolder) {
  temp_folder tmp;
  make_folders(tmp.at("src"));
  write_file(tmp.at("src/a"), "A");
  // "b" alone would otherwise read as a root folder.
  const cli_testing::result r =
      cli_testing::run("cd " + quoted(tmp.path()) + " && " + ZOLK_CLI_PATH, "backup src b");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(testing_support::read_file(tmp.at("b/Zolk0001/a")), "A");
}

TEST(ZolkCli, JapaneseArgumentsAndNamesRoundTrip) {
  temp_folder tmp;
  const std::string jp = "\x95\x5C\x83\x5C\x94\x5C\x97\x5C";  // 表ソ能予 in CP932
  make_folders(tmp.at(jp + "/" + jp));
  write_file(tmp.at(jp + "/" + jp + ".txt"), "x");
  write_file(tmp.at(jp + "/" + jp + "/\x83\x5C.txt"), "y");  // ソ.txt
  const result r = zolk_cli("backup '" + tmp.path() + "/表ソ能予' " + quoted(tmp.at("dst")));
  EXPECT_EQ(r.status, 0);
  // Paths are shown with the host's separator only; the byte 0x5C that ends 予 in CP932
  // is no separator.
  EXPECT_NE(r.out.find("/表ソ能予/表ソ能予.txt\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n==> 表ソ能予/ソ.txt\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\\'), std::string::npos) << r.out;
  EXPECT_EQ(testing_support::read_file(tmp.at("dst/Zolk0001/" + jp + ".txt")), "x");
}

#ifndef _WIN32
// Standard output holds exactly one line per run-log line: a name holding a line end or
// another control character is shown with that character written out, never split.
TEST(ZolkCli, ANameHoldingALineEndStaysOnItsLine) {
  temp_folder tmp;
  make_folders(tmp.at("src"));
  write_file(tmp.at("src/x\nC   forged.txt"), "x");
  write_file(tmp.at("src/tab\there.txt"), "t");
  const result r = zolk_cli("backup " + quoted(tmp.at("src")) + " " + quoted(tmp.at("dst")));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("/x\\nC   forged.txt\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("/tab\\there.txt\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\nC   forged.txt"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\t'), std::string::npos) << r.out;
}
#endif

}  // namespace
