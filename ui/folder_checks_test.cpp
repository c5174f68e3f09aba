#include "ui/folder_checks.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace ui {
namespace {

// Japanese text only: a `\` would come back as an escape of a POSIX name character.
std::string sj(const char* utf8) { return cp932::from_unicode(utf8); }

const std::string k_root_tail =
    sj("ルートフォルダの指定は現在サポートされていません。"
       "ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。");
const std::string k_subfolder =
    sj("バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを"
       "指定する事はできません。他のフォルダを指定して下さい。");

folder_check_input with_jobs() {
  folder_check_input in;
  in.jobs = {{"A", "C:\\Data", "D:\\Hist"}, {"B", "C:\\Other", "E:\\Keep"}};
  return in;
}

TEST(FolderChecks, RootFoldersAreRefusedWithTheMessageOfTheFieldAndMode) {
#ifdef _WIN32
  const char* root = "c:\\";
#else
  const char* root = "\\";  // "c:\\" names the relative folder "c:" here
#endif
  folder_check_input in;
  in.source = root;
  EXPECT_EQ(check_source(in),
            sj("バックアップ元フォルダにルートフォルダが指定されました。") + k_root_tail);
  in.mode = k_restore_mode;
  EXPECT_EQ(check_source(in),
            sj("バックアップ元フォルダにルートフォルダが指定されました。") + k_root_tail);

  in = folder_check_input();
  in.destination = root;
  EXPECT_EQ(check_destination(in),
            sj("バックアップ先フォルダにルートフォルダが指定されました。") + k_root_tail);
  in.mode = k_restore_mode;
  EXPECT_EQ(check_destination(in),
            sj("復元先フォルダにルートフォルダが指定されました。") + k_root_tail);
  in.destination = "/";
  EXPECT_TRUE(check_destination(in).has_value());
}

TEST(FolderChecks, AnEmptySourcePassesButAnEmptyDestinationIsARoot) {
  folder_check_input in;
  EXPECT_EQ(check_source(in), std::nullopt);
  EXPECT_EQ(check_destination(in),
            sj("バックアップ先フォルダにルートフォルダが指定されました。") + k_root_tail);
  // No source: no destination lies inside it.
  in.destination = "\\work\\hist";
  EXPECT_EQ(check_destination(in), std::nullopt);
}

TEST(FolderChecks, DuplicateSourceNamesTheStoredFolderAndIgnoresLetterCaseOnly) {
  folder_check_input in = with_jobs();
  in.new_job_state = true;
  in.source = "c:\\data";
  EXPECT_EQ(check_source(in),
            sj("バックアップ元フォルダに指定した ") + "C:\\Data" +
                sj(" は、既に登録されています。"
                   "このまま重複して設定する事もできますが設定ミスならば変更してください"));
  in.source = "c:\\data\\";
  EXPECT_EQ(check_source(in), std::nullopt);
  in.source = "c:\\data";
  in.mode = k_restore_mode;
  EXPECT_EQ(check_source(in), std::nullopt);
}

TEST(FolderChecks, TheShownJobIsNotItsOwnDuplicateButOthersAre) {
  folder_check_input in = with_jobs();
  in.shown_job_name = "A";
  in.source = "C:\\Data";
  in.destination = "d:\\hist";
  EXPECT_EQ(check_source(in), std::nullopt);
  EXPECT_EQ(check_destination(in), std::nullopt);
  in.destination = "e:\\KEEP";
  EXPECT_EQ(check_destination(in),
            sj("バックアップ先フォルダに指定した ") + "E:\\Keep" +
                sj(" は、ジョブ名：Bで登録されています。"
                   "このまま重複して設定する事もできますが設定ミスならば変更してください"));
  // While a new job is entered, the job whose name stands in the field counts as well.
  in.new_job_state = true;
  in.destination = "d:\\hist";
  EXPECT_TRUE(check_destination(in).has_value());
  in.mode = k_restore_mode;
  EXPECT_EQ(check_destination(in), std::nullopt);
}

TEST(FolderChecks, DoubleByteCharactersAreNotFoldedAsLetters) {
  // The trail bytes of these two characters are 'a' (0x61) and 'A' (0x41).
  const std::string lower = "c:\\\x83\x61", upper = "c:\\\x83\x41";
  EXPECT_FALSE(same_text_ignoring_case(lower, upper));
  EXPECT_TRUE(same_text_ignoring_case("c:\\\x83\x61x", "C:\\\x83\x61X"));
  folder_check_input in;
  in.new_job_state = true;
  in.jobs = {{"A", upper, "d:\\h"}};
  in.source = lower;
  EXPECT_EQ(check_source(in), std::nullopt);
}

TEST(FolderChecks, SubFolderRuleRefusesOnlyFoldersInsideTheSource) {
  folder_check_input in;
  in.source = "c:\\data";
  for (const char* inside : {"c:\\data\\hist", "C:\\DATA\\a\\b", "c:/data/hist"}) {
    in.destination = inside;
    EXPECT_EQ(check_destination(in), k_subfolder) << inside;
  }
  for (const char* outside : {"c:\\database", "c:\\data", "c:\\dat", "d:\\data\\hist"}) {
    in.destination = outside;
    EXPECT_EQ(check_destination(in), std::nullopt) << outside;
  }
  // A source ending in a separator guards its inside just the same.
  in.source = "c:\\data\\";
  in.destination = "c:\\data\\hist";
  EXPECT_EQ(check_destination(in), k_subfolder);
  in.destination = "c:\\database";
  EXPECT_EQ(check_destination(in), std::nullopt);
  // POSIX paths.
  in.source = "/home/u/data";
  in.destination = "/home/u/data/hist";
  EXPECT_EQ(check_destination(in), k_subfolder);
  in.mode = k_restore_mode;
  EXPECT_EQ(check_destination(in), std::nullopt);
}

TEST(FolderChecks, SubFolderRuleComparesWhereFoldersReallyAre) {
  folder_check_input in;
  in.source = "/data";
  in.destination = "/other/../data/hist";
  EXPECT_EQ(check_destination(in), k_subfolder);
  in.destination = "/data/sub/../../data";  // the source itself
  EXPECT_EQ(check_destination(in), std::nullopt);
  in.real_path = [](const std::string& path) {
    return path == "/alias/hist" ? std::string("/data/inner/hist") : path;
  };
  in.destination = "/alias/hist";
  EXPECT_EQ(check_destination(in), k_subfolder);
  in.destination = "/elsewhere/hist";
  EXPECT_EQ(check_destination(in), std::nullopt);
}

TEST(FolderChecks, OnlyTheFirstFailingRuleReports) {
  folder_check_input in = with_jobs();
  in.new_job_state = true;
  in.source = "d:\\hist";
  in.destination = "D:\\Hist";  // a duplicate and, being the source, not inside it
  const check_message message = check_destination(in);
  ASSERT_TRUE(message.has_value());
  EXPECT_NE(message->find(sj("ジョブ名：A")), std::string::npos);
}

}  // namespace
}  // namespace ui
