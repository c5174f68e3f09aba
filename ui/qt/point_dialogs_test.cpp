// 変更内容 and 一部を復元 in the main window, offscreen.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "engine/backup/backup_run.h"
#include "ui/qt/point_dialogs.h"
#include "ui/qt/qt_testing.h"

namespace zolk_qt {
namespace {

class PointDialogsView : public WindowTest {
 protected:
  // A job with two points (0002 changed docs/a.txt), restore mode, the older point picked.
  void SetUp() override {
    testing_support::make_folders(dir_.at("src/docs"));
    testing_support::write_file(dir_.at("src/docs/a.txt"), "first");
    backup();
    testing_support::write_file(dir_.at("src/docs/a.txt"), "second version");
    testing_support::set_time(dir_.at("src/docs/a.txt"), 0x52000000);
    backup();
    open();
    register_job("job", dir_.at("src"), dir_.at("store"));
    open();
    click(main_->restore_mode_button);
  }
  void backup() {
    engine::recording_log log;
    engine::null_progress progress;
    engine::run_history_backup(host::default_host(), dir_.at("src"), dir_.at("store"), log,
                               progress);
  }
  // Runs `fill` on the path dialog once it is shown (it blocks the click that opens it).
  void on_path_dialog(const std::function<void(restore_path_dialog&)>& fill) {
    QTimer::singleShot(0, [this, fill] {
      QTRY_VERIFY(main_->tools().path_dialog->isVisible());
      fill(*main_->tools().path_dialog);
    });
  }
};

TEST_F(PointDialogsView, TheButtonsStandInRestoreModeOnly) {
  main_window_view& w = *main_;
  EXPECT_TRUE(w.show_changes_button->isVisible());
  EXPECT_TRUE(w.restore_entry_button->isVisible());
  EXPECT_EQ(w.show_changes_button->text(), u8("変更内容"));
  EXPECT_EQ(w.restore_entry_button->text(), u8("一部を復元"));
  EXPECT_EQ(w.show_changes_button->shortcut(), QKeySequence("Alt+H"));
  click(w.backup_mode_button);
  EXPECT_FALSE(w.show_changes_button->isVisible());
  EXPECT_FALSE(w.restore_entry_button->isVisible());
}

TEST_F(PointDialogsView, ChangesShowInAWindowOfTheirOwn) {
  main_window_view& w = *main_;
  pick(w.point_list, 0);
  click(w.show_changes_button);
  point_changes_dialog& window = *w.tools().changes_window;
  ASSERT_TRUE(window.isVisible());
  EXPECT_TRUE(window.windowTitle().startsWith("0002: "));
  EXPECT_TRUE(window.windowTitle().endsWith(u8(" 時点の変更内容")));
  ASSERT_EQ(window.changes->count(), 1);
  EXPECT_EQ(window.changes->item(0)->text(), u8("更新 docs\\a.txt"));
  EXPECT_FALSE(window.note->isVisible());
  click(window.close_button);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(PointDialogsView, APathIsAskedForAndOnlyThatEntryIsRestored) {
  main_window_view& w = *main_;
  pick(w.point_list, 1);
  type_into(w.destination_folder, QString::fromStdString(dir_.at("part")));
  // A path that names nothing keeps the dialog open and says what is wanted; cancel starts
  // nothing.
  on_path_dialog([](restore_path_dialog& dialog) {
    type_into(dialog.path_field, "../x");
    click(dialog.ok_button);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.prompt->text(), u8("時点の中のファイルかフォルダのパスを指定してください。"));
    click(dialog.cancel_button);
  });
  click(w.restore_entry_button);
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_FALSE(testing_support::exists(dir_.at("part")));

  on_path_dialog([](restore_path_dialog& dialog) {
    EXPECT_TRUE(dialog.path_field->text().isEmpty());
    type_into(dialog.path_field, "docs/a.txt");
    click(dialog.ok_button);
  });
  click(w.restore_entry_button);
  ASSERT_TRUE(wait_for_run());
  EXPECT_TRUE(run_window_->isVisible());
  EXPECT_EQ(testing_support::list_tree(dir_.at("part")),
            (std::map<std::string, std::string>{{"docs", "<folder>"}, {"docs/a.txt", "first"}}));
}

}  // namespace
}  // namespace zolk_qt
