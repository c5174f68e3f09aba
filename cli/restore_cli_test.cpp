// Runs the built zolk-cli restore as a user would.
#include <gtest/gtest.h>

#include "cli/cli_test_runner.h"

#include <string>

#include "engine/backup/backup_run.h"
#include "platform/host.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace {

using cli_testing::quoted;
using cli_testing::result;
using cli_testing::zolk_cli;

using testing_support::make_folders;
using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

TEST(ZolkCliRestore, RestoresAPointByItsDigitsOrTheLatestAndTellsFailures) {
  temp_folder tmp;
  make_folders(tmp.at("src"));
  write_file(tmp.at("src/a.txt"), "first");
  const std::string src = quoted(tmp.at("src")), dst = quoted(tmp.at("dst"));
  ASSERT_EQ(zolk_cli("backup " + src + " " + dst).status, 0);
  write_file(tmp.at("src/a.txt"), "second, later");
  // A run tells versions apart by their time, to two seconds.
  testing_support::set_time(tmp.at("src/a.txt"),
                            host::pack_time(host::calendar_time{2021, 6, 2, 12, 0, 0}));
  write_file(tmp.at("src/b.txt"), "new");
  ASSERT_EQ(zolk_cli("backup " + src + " " + dst).status, 0);

  const result old = zolk_cli("restore " + dst + " 1 " + quoted(tmp.at("old")));
  EXPECT_EQ(old.status, 0);
  EXPECT_EQ(old.out.rfind(" フォルダの履歴バックアップから\n0001: ", 0), 0u) << old.out;
  EXPECT_NE(
      old.out.find(" 時点のデータを\n" + tmp.at("old") +
                   " へ復元します。\n-----* 処理の開始 *-----\n\n-----* 処理の終了 *-----\n\n"),
      std::string::npos)
      << old.out;
  EXPECT_EQ(read_file(tmp.at("old/a.txt")), "first");
  EXPECT_FALSE(testing_support::exists(tmp.at("old/b.txt")));

  EXPECT_EQ(zolk_cli("restore " + dst + " latest " + quoted(tmp.at("new"))).status, 0);
  EXPECT_EQ(read_file(tmp.at("new/a.txt")), "second, later");
  EXPECT_EQ(read_file(tmp.at("new/b.txt")), "new");

  const result refused = zolk_cli("restore " + dst + " 0002 " + quoted(tmp.at("dst/Zolk0002/x")));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("err:復元先フォルダが履歴フォルダの中にあります。\n"),
            std::string::npos);
  EXPECT_EQ(zolk_cli("restore " + dst + " 0009 " + quoted(tmp.at("t"))).status, 1);
  EXPECT_EQ(zolk_cli("restore " + quoted(tmp.at("none")) + " latest " + quoted(tmp.at("t"))).status,
            1);
  EXPECT_EQ(zolk_cli("restore " + dst + " second " + quoted(tmp.at("t"))).status, 2);
  EXPECT_EQ(zolk_cli("restore " + dst + " 0001").status, 2);
  EXPECT_FALSE(testing_support::exists(tmp.at("t")));
}

TEST(ZolkCliRestore, ATargetThatHoldsFilesNeedsForce) {
  temp_folder tmp;
  make_folders(tmp.at("src/docs"));
  write_file(tmp.at("src/docs/a.txt"), "backed up");
  const std::string dst = quoted(tmp.at("dst"));
  ASSERT_EQ(zolk_cli("backup " + quoted(tmp.at("src")) + " " + dst).status, 0);
  make_folders(tmp.at("work/docs"));
  write_file(tmp.at("work/docs/a.txt"), "newer work");
  write_file(tmp.at("work/mine.txt"), "mine");

  const result refused = zolk_cli("restore " + dst + " latest " + quoted(tmp.at("work")));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("err:処理を中断しました。\n"
                             "err:復元先フォルダは空ではありません。上書きして復元するには --force "
                             "を指定してください。\n"),
            std::string::npos)
      << refused.out;
  EXPECT_EQ(read_file(tmp.at("work/docs/a.txt")), "newer work");

  EXPECT_EQ(zolk_cli("restore " + dst + " latest " + quoted(tmp.at("work")) + " --force").status,
            0);
  EXPECT_EQ(read_file(tmp.at("work/docs/a.txt")), "backed up");
  EXPECT_EQ(read_file(tmp.at("work/mine.txt")), "mine");
  // An empty folder is restored into without asking; a refused target stays refused.
  make_folders(tmp.at("empty"));
  EXPECT_EQ(zolk_cli("restore " + dst + " latest " + quoted(tmp.at("empty"))).status, 0);
  EXPECT_EQ(read_file(tmp.at("empty/docs/a.txt")), "backed up");
  const result root = zolk_cli("restore --force " + dst + " latest /");
  EXPECT_EQ(root.status, 1);
  EXPECT_NE(root.out.find("err:復元先フォルダにルートを指定する事は出来ません。\n"),
            std::string::npos);
}

TEST(ZolkCliRestore, WhyAnEntryFailedGoesToStandardErrorOnly) {
  temp_folder tmp;
  make_folders(tmp.at("src"));
  write_file(tmp.at("src/a.txt"), "backed up");
  const std::string dst = quoted(tmp.at("dst"));
  ASSERT_EQ(zolk_cli("backup " + quoted(tmp.at("src")) + " " + dst).status, 0);
  // A folder that is not empty stands where the file goes back: the system refuses the rename.
  make_folders(tmp.at("work/a.txt/inner"));
  const std::string restore = "restore " + dst + " latest " + quoted(tmp.at("work")) + " --force";
  const std::string failed_line =
      "err:ファイルを復元出来ませんでした。==> " + tmp.at("work") + "/a.txt\n";

  const result out_only = zolk_cli(restore);
  EXPECT_EQ(out_only.status, 1);
  EXPECT_NE(out_only.out.find(failed_line + "-----* 処理の終了 *-----"), std::string::npos)
      << out_only.out;
  EXPECT_EQ(out_only.out.find("理由"), std::string::npos);

  const result both = zolk_cli(restore, true);
  EXPECT_NE(both.out.find(failed_line + "    理由: Is a directory\n"), std::string::npos)
      << both.out;
}

// Asks the run to stop once it has finished `entries` entries, as the stop button does.
class stop_after : public engine::run_progress {
 public:
  stop_after(engine::stop_request& stop, int64_t entries) : stop_(stop), entries_(entries) {}
  void report(const engine::progress_facts& facts) override {
    if (facts.entries_done >= entries_) stop_.request();
  }

 private:
  engine::stop_request& stop_;
  int64_t entries_;
};

TEST(ZolkCliRestore, TheCutPointIsShownUnfinishedAndItsRestoreRefusedUntilTheNextBackup) {
  temp_folder tmp;
  const std::string src = tmp.at("src"), dst = tmp.at("dst");
  make_folders(src);
  for (int i = 0; i < 30; ++i) write_file(src + "/f" + std::to_string(i), "one");
  ASSERT_EQ(zolk_cli("backup " + quoted(src) + " " + quoted(dst)).status, 0);
  const uint32_t later = host::pack_time(host::calendar_time{2021, 6, 2, 12, 0, 0});
  for (int i = 0; i < 30; ++i) {
    write_file(src + "/f" + std::to_string(i), "two");
    testing_support::set_time(src + "/f" + std::to_string(i), later);
  }
  engine::stop_request stop;
  stop_after progress(stop, 10);
  engine::recording_log log;
  ASSERT_TRUE(
      engine::run_history_backup(host::default_host(), src, dst, log, progress, &stop).stopped);

  const result points = zolk_cli("points " + quoted(dst));
  EXPECT_EQ(points.status, 0);
  EXPECT_EQ(points.out.find("\n0001: "), points.out.find('\n')) << points.out;
  const std::string first_line = points.out.substr(0, points.out.find('\n'));
  EXPECT_EQ(first_line.rfind("0002: ", 0), 0u) << first_line;
  EXPECT_NE(first_line.find(" （未完了：中断されたバックアップ）"), std::string::npos)
      << first_line;
  EXPECT_EQ(points.out.find("未完了", first_line.size()), std::string::npos) << points.out;

  const result json = zolk_cli("points " + quoted(dst) + " --json");
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out.rfind("[\n{\"point\": \"0002\", \"folder\": \"Zolk0002\", \"time\": \"", 0),
            0u)
      << json.out;
  const size_t second = json.out.find("\n{\"point\": \"0001\"");
  ASSERT_NE(second, std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"finished\": false},"), std::string::npos) << json.out;
  EXPECT_LT(json.out.find("\"finished\": false},"), second) << json.out;
  EXPECT_NE(json.out.find("\"finished\": true}\n]\n", second), std::string::npos) << json.out;

  const std::string refusal =
      "err:この時点のバックアップは中断されたため未完了で、復元出来ません。もう一度バックアップを"
      "実行すると完了し、復元出来るようになります。\n";
  for (const char* point : {"0002", "latest"}) {
    const result refused =
        zolk_cli("restore " + quoted(dst) + " " + point + " " + quoted(tmp.at("cut")));
    EXPECT_EQ(refused.status, 1) << point;
    EXPECT_NE(refused.out.find(refusal), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find("復元 0"), std::string::npos) << refused.out;
    EXPECT_FALSE(testing_support::exists(tmp.at("cut"))) << point;
  }
  const result older = zolk_cli("restore " + quoted(dst) + " 0001 " + quoted(tmp.at("old")));
  EXPECT_EQ(older.status, 0) << older.out;
  for (int i = 0; i < 30; ++i) EXPECT_EQ(read_file(tmp.at("old/f" + std::to_string(i))), "one");

  // The next backup completes the cut run: its point is a point like any other.
  ASSERT_EQ(zolk_cli("backup " + quoted(src) + " " + quoted(dst)).status, 0);
  EXPECT_EQ(zolk_cli("points " + quoted(dst)).out.find("未完了"), std::string::npos);
  EXPECT_EQ(zolk_cli("points " + quoted(dst) + " --json").out.find("false"), std::string::npos);
  EXPECT_EQ(zolk_cli("restore " + quoted(dst) + " 0002 " + quoted(tmp.at("cut"))).status, 0);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(read_file(tmp.at("cut/f" + std::to_string(i))), "two");
}

}  // namespace
