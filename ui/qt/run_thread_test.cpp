// The desktop program's runs on their worker thread, driven through the windows.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "platform/testing/fault_host.h"
#include "ui/qt/qt_testing.h"
#include "ui/run_testing.h"

namespace zolk_qt {
namespace {

using tree = std::map<std::string, std::string>;

class RunDuringWork : public WindowTest {
 protected:
  // Windows whose runs work through the fault host, a job on src, and a backup started that
  // waits in the copy of a file named `held`.
  void start_held_backup(const std::string& held) {
    open(std::string(), host_);
    register_job("job", dir_.at("src"), dir_.at("store"));
    held_ = std::make_unique<ui_testing::held_copy>(host_, held);
    click(main_->start_button);
    ASSERT_TRUE(QTest::qWaitFor([this] { return held_->reached(); }, 120000));
  }
  void TearDown() override {
    if (held_) held_->release();
    WindowTest::TearDown();
  }
  QString shown_log() const { return run_window_->log_view->toPlainText(); }
  // Restores point `point` into a new folder and returns what it holds.
  tree restored(int point) {
    engine::restore_request request;
    request.point = point;
    request.store = dir_.at("store");
    request.target = dir_.at("restored" + std::to_string(point));
    engine::recording_log log;
    engine::null_progress progress;
    engine::start_restore(host::default_host(), request, log, progress);
    return testing_support::list_tree(request.target);
  }

  host::fault_host host_{host::default_host()};
  std::unique_ptr<ui_testing::held_copy> held_;
};

void write_source(testing_support::temp_folder& dir,
                  const std::map<std::string, std::string>& files) {
  for (const auto& [name, bytes] : files) testing_support::write_file(dir.at("src/" + name), bytes);
}

TEST_F(RunDuringWork, TheWindowIsDisabledAndAClickOnTheStartButtonStartsNothing) {
  testing_support::make_folders(dir_.at("src/sub"));
  write_source(dir_, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
  start_held_backup("b.txt");
  main_window_view& w = *main_;
  EXPECT_TRUE(run_window_->isVisible());
  EXPECT_FALSE(w.start_button->isEnabled());
  EXPECT_FALSE(w.job_name_box->isEnabled());
  EXPECT_FALSE(w.restore_mode_button->isEnabled());
  EXPECT_FALSE(w.register_button->isEnabled());
  EXPECT_TRUE(w.end_button->isEnabled());
  EXPECT_TRUE(run_window_->stop_button->isEnabled());
  // Neither a click on the greyed button nor one that reached it anyway starts a run.
  click(w.start_button);
  emit w.start_button->clicked();
  QApplication::setActiveWindow(main_.get());
  QTest::keyClick(main_.get(), 's', Qt::AltModifier);
  click(w.restore_mode_button);
  EXPECT_TRUE(w.backup_mode_button->isChecked());
  held_->release();
  ASSERT_TRUE(wait_for_run());
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.logic().run_working());
  EXPECT_TRUE(w.start_button->isEnabled());
  EXPECT_TRUE(w.job_name_box->isEnabled());
  EXPECT_FALSE(run_window_->stop_button->isEnabled());
  EXPECT_EQ(engine::restore_point_entries(host::default_host(), dir_.at("store")).size(), 1u);
  EXPECT_EQ(shown_log().count(u8("処理は終了しました。")), 1);
  EXPECT_TRUE(messages_.questions.empty());
}

TEST_F(RunDuringWork, AStoppedBackupIsCompletedByTheNextRunAndEveryPointRestoresExactly) {
  testing_support::make_folders(dir_.at("src/sub"));
  write_source(dir_, {{"a.txt", "a1"}, {"m.txt", "m1"}, {"sub/z.txt", "z1"}});
  const tree first = testing_support::list_tree(dir_.at("src"));
  start_held_backup("m.txt");
  click(run_window_->stop_button);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(messages_.questions[0],
            u8("処理を中止しますか？ 中止した処理は次回のバックアップで完了されます。"));
  EXPECT_FALSE(run_window_->stop_button->isEnabled());
  held_->release();
  ASSERT_TRUE(wait_for_run());
  EXPECT_TRUE(shown_log().contains(
      u8("err:中止の指示により処理を止めました。次回のバックアップが続きを完了します。")));
  EXPECT_TRUE(
      shown_log().endsWith(u8("処理は終了しました。ログ保存終了か、終了ボタンを押してください。")));
  EXPECT_TRUE(testing_support::exists(dir_.at("store/.zolk-run")));

  // The next run completes the cut one to the source as it is then, and goes on.
  ASSERT_TRUE(start_and_wait());
  EXPECT_FALSE(testing_support::exists(dir_.at("store/.zolk-run")));
  QTest::qWait(2100);  // file times count in steps of two seconds
  testing_support::write_file(dir_.at("src/m.txt"), "m2, longer");
  testing_support::remove_tree(dir_.at("src/a.txt"));
  ASSERT_TRUE(start_and_wait());
  const tree second = testing_support::list_tree(dir_.at("src"));

  const std::vector<std::string> points =
      engine::restore_point_entries(host::default_host(), dir_.at("store"));
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(restored(3), second);
  EXPECT_EQ(restored(2), first);
  EXPECT_EQ(restored(1), first);
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(RunDuringWork, ClosingEitherWindowAsksAndNoLetsTheRunGoOn) {
  testing_support::make_folders(dir_.at("src"));
  write_source(dir_, {{"a.txt", "a"}, {"b.txt", "b"}});
  start_held_backup("b.txt");
  messages_.answer = false;
  run_window_->close();
  EXPECT_TRUE(run_window_->isVisible());
  QTest::keyClick(run_window_.get(), Qt::Key_Escape);  // Escape never closes it during a run
  click(run_window_->close_button);
  EXPECT_TRUE(run_window_->isVisible());
  main_->close();
  EXPECT_TRUE(main_->isVisible());
  click(main_->end_button);
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(messages_.questions.size(), 4u);
  EXPECT_TRUE(main_->logic().run_working());
  EXPECT_EQ(main_->logic().run.state(), ui::run_state::running);

  // Yes on the main window: the run stops, and the program ends once it has ended.
  messages_.answer = true;
  main_->close();
  EXPECT_TRUE(main_->isVisible());
  EXPECT_EQ(main_->logic().run.state(), ui::run_state::stopping);
  EXPECT_EQ(ended_, 0);
  held_->release();
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(ended_, 1);
  EXPECT_EQ(messages_.questions.size(), 5u);
  EXPECT_TRUE(shown_log().contains(u8("err:中止の指示により処理を止めました。")));
}

TEST_F(RunDuringWork, ClosingTheRunWindowWithYesStopsTheRunAndHidesItAtTheEnd) {
  testing_support::make_folders(dir_.at("src"));
  write_source(dir_, {{"a.txt", "a"}, {"b.txt", "b"}});
  start_held_backup("b.txt");
  run_window_->close();
  EXPECT_TRUE(run_window_->isVisible());
  EXPECT_EQ(main_->logic().run.state(), ui::run_state::stopping);
  held_->release();
  ASSERT_TRUE(wait_for_run());
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_EQ(ended_, 0);
  // Idle: Escape closes it without a question.
  run_window_->show();
  QTest::keyClick(run_window_.get(), Qt::Key_Escape);
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_EQ(messages_.questions.size(), 1u);
}

TEST_F(RunDuringWork, AStoppedRestoreSaysWhatItLeftInTheTarget) {
  testing_support::make_folders(dir_.at("src"));
  write_source(dir_, {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
  open(std::string(), host_);
  register_job("job", dir_.at("src"), dir_.at("store"));
  ASSERT_TRUE(start_and_wait());
  main_window_view& w = *main_;
  click(w.restore_mode_button);
  pick(w.restore_job_box, 0);
  pick(w.point_list, 0);
  type_into(w.destination_folder, QString::fromStdString(dir_.at("restored")));
  held_ = std::make_unique<ui_testing::held_copy>(host_, "b.txt");
  click(w.start_button);
  ASSERT_TRUE(QTest::qWaitFor([this] { return held_->reached(); }, 120000));
  click(run_window_->stop_button);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(messages_.questions[0],
            u8("復元を中止しますか？ 復元先には途中までの内容が残ります。"));
  held_->release();
  ASSERT_TRUE(wait_for_run());
  EXPECT_TRUE(shown_log().contains(
      u8("err:中止の指示により復元を止めました。復元先には途中までの内容があります。")));
  EXPECT_TRUE(w.start_button->isEnabled());
  EXPECT_TRUE(w.restore_mode_button->isChecked());
  // The log of both runs, saved as shown.
  const std::string saved = dir_.at("session.log");
  run_window_->ask_save_path = [&saved] { return QString::fromStdString(saved); };
  ASSERT_TRUE(run_window_->save_log_button->isEnabled());
  click(run_window_->save_log_button);
  EXPECT_EQ(testing_support::read_file(saved), (shown_log() + "\n").toUtf8().toStdString());
  EXPECT_FALSE(run_window_->isVisible());
}

}  // namespace
}  // namespace zolk_qt
