// 変更内容 and 一部を復元 of restore mode, through the window logic with recording ports.
#include "ui/point_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/backup/backup_run.h"
#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"
#include "ui/main_window.h"

namespace ui {
namespace {

std::string sj(const char* utf8) { return cp932::from_unicode(utf8); }

class captured_messages : public message_port {
 public:
  void show_message(const std::string& text) override { texts.push_back(text); }
  bool ask_yes_no(const std::string&) override { return true; }
  std::vector<std::string> texts;
};

class recording_run_window : public run_window_port {
 public:
  void show_for_run() override { ++shown; }
  void run_ended() override {}
  engine::run_log& log() override { return log_; }
  engine::run_progress& progress() override { return progress_; }
  void alert() override { ++alerts; }
  int shown = 0;
  int alerts = 0;
  engine::recording_log log_;
  engine::null_progress progress_;
};

class recording_tools : public point_tools_port {
 public:
  void show_changes(const changes_page& page) override { pages.push_back(page); }
  std::optional<std::string> ask_restore_path(const std::string& point_entry) override {
    asked.push_back(point_entry);
    return answer;
  }
  std::vector<changes_page> pages;
  std::vector<std::string> asked;
  std::optional<std::string> answer;
};

class PointTools : public ::testing::Test {
 protected:
  // A job whose store holds two points: 0001 made docs\a.txt and b.txt, 0002 changed a.txt
  // and deleted b.txt. The window is in restore mode with the job chosen.
  void SetUp() override {
    testing_support::make_folders(dir_.at("src/docs"));
    testing_support::write_file(dir_.at("src/docs/a.txt"), "first");
    testing_support::write_file(dir_.at("src/b.txt"), "b");
    backup();
    testing_support::write_file(dir_.at("src/docs/a.txt"), "second version");
    // A real date: Windows refuses a packed time whose month is 0.
    testing_support::set_time(dir_.at("src/docs/a.txt"),
                              host::pack_time(host::calendar_time{2021, 1, 2, 3, 4, 6}));
    testing_support::remove_tree(dir_.at("src/b.txt"));
    backup();
    window_ =
        std::make_unique<main_window>(host::default_host(), dir_.at("Zcli.dat"), messages_, run_);
    main_window& w = *window_;
    w.open();
    w.set_point_tools(&tools_);
    w.new_job();
    w.form.set_job_name_text("job");
    w.form.set_source_field(dir_.at("src"));
    w.form.set_destination_field(dir_.at("store"));
    w.register_job();
    w.enter_restore_mode();
    w.restore_jobs.select(0);
    w.restore_job_picked();
  }
  void backup() {
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(host::default_host(), dir_.at("src"), dir_.at("store"), log,
                               progress);
  }
  void run_to_end() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (window_->run_working() && std::chrono::steady_clock::now() < give_up) {
      window_->poll_run();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_FALSE(window_->run_working());
  }

  testing_support::temp_folder dir_;
  captured_messages messages_;
  recording_run_window run_;
  recording_tools tools_;
  std::unique_ptr<main_window> window_;
};

TEST_F(PointTools, TheButtonsShowInRestoreModeOnly) {
  main_window& w = *window_;
  EXPECT_TRUE(w.show_changes_button.visible);
  EXPECT_TRUE(w.restore_entry_button.visible);
  EXPECT_EQ(w.show_changes_button.caption, sj("変更内容"));
  EXPECT_EQ(w.restore_entry_button.caption, sj("一部を復元"));
  w.enter_backup_mode();
  EXPECT_FALSE(w.show_changes_button.visible);
  EXPECT_FALSE(w.restore_entry_button.visible);
  w.show_changes();
  w.restore_entry();
  EXPECT_TRUE(tools_.pages.empty());
  EXPECT_TRUE(tools_.asked.empty());
}

TEST_F(PointTools, ChangesOfThePickedPointAreShownInTheirOwnWindow) {
  main_window& w = *window_;
  w.show_changes();
  EXPECT_EQ(messages_.texts, std::vector<std::string>{sj("復元する時点を選択してください。")});
  EXPECT_TRUE(tools_.pages.empty());

  ASSERT_EQ(w.point_list.entries.size(), 2u);
  w.point_list.select(0);
  w.show_changes();
  ASSERT_EQ(tools_.pages.size(), 1u);
  const changes_page& newest = tools_.pages[0];
  EXPECT_EQ(newest.title, w.point_list.entries[0] + sj(" 時点の変更内容"));
  EXPECT_EQ(newest.lines,
            (std::vector<std::string>{sj("削除 b.txt"), sj("更新 ") + "docs\\a.txt"}));
  EXPECT_EQ(newest.note, "");

  w.point_list.select(1);
  w.show_changes();
  ASSERT_EQ(tools_.pages.size(), 2u);
  EXPECT_EQ(tools_.pages[1].lines.size(), 2u);
  EXPECT_NE(
      std::find(tools_.pages[1].lines.begin(), tools_.pages[1].lines.end(), sj("新規 ") + "docs\\"),
      tools_.pages[1].lines.end());

  // A log gone missing is said, not shown as a run that changed nothing.
  testing_support::remove_tree(dir_.at("store/Zolk0001.Zcl"));
  w.show_changes();
  EXPECT_TRUE(tools_.pages[2].lines.empty());
  EXPECT_EQ(tools_.pages[2].note, sj("この時点の処理のログファイルがありません。"));
}

TEST_F(PointTools, APartRestoreBringsBackTheChosenEntryAsItStoodAtThePoint) {
  main_window& w = *window_;
  w.restore_entry();
  EXPECT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(tools_.asked.empty());

  w.point_list.select(1);
  w.form.set_destination_field(dir_.at("part"));
  // Cancelled: nothing starts.
  w.restore_entry();
  ASSERT_EQ(tools_.asked, std::vector<std::string>{w.point_list.entries[1]});
  EXPECT_EQ(run_.shown, 0);

  tools_.answer = "docs/a.txt";
  w.restore_entry();
  EXPECT_EQ(run_.shown, 1);
  run_to_end();
  EXPECT_EQ(testing_support::list_tree(dir_.at("part")),
            (std::map<std::string, std::string>{{"docs", "<folder>"}, {"docs/a.txt", "first"}}));

  // An entry the point does not hold: the run says so and writes nothing.
  tools_.answer = "b.txt";
  w.point_list.select(0);
  w.form.set_destination_field(dir_.at("none"));
  w.restore_entry();
  run_to_end();
  EXPECT_FALSE(testing_support::exists(dir_.at("none")));
  const std::vector<std::string>& lines = run_.log_.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      sj("err:選択された時点に指定の項目がありません。==> ") + "b.txt"),
            lines.end());
}

TEST(PointToolsPath, OnlyAPathInsideThePointIsAccepted) {
  EXPECT_TRUE(restore_path_accepted("docs\\a.txt"));
  EXPECT_TRUE(restore_path_accepted("/docs/"));
  for (const char* bad : {"", "\\", "..", "docs/../x", "./a"}) {
    EXPECT_FALSE(restore_path_accepted(bad)) << bad;
  }
}

}  // namespace
}  // namespace ui
