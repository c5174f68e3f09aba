#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "ui/qt/message_box.h"
#include "ui/qt/qt_testing.h"

namespace zolk_qt {
namespace {

// One application for the whole test program, drawn offscreen unless told otherwise.
class qt_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "qt_window_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
::testing::Environment* const k_environment =
    ::testing::AddGlobalTestEnvironment(new qt_environment);

using MainWindowView = WindowTest;

// How a tooltip names the keys of its button.
QString shortcut_note(const char* key) {
  return u8("（") + QKeySequence(QString::fromLatin1(key)).toString(QKeySequence::NativeText) +
         u8("）");
}

TEST_F(MainWindowView, StartsWithoutJobsInTheNewJobStateWithEveryControlInPlace) {
  open();
  main_window_view& w = *main_;
  EXPECT_EQ(w.windowTitle(), u8("Ｚ-ＯＬＫ"));
  EXPECT_EQ(w.size(), QSize(554, 327));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(chooser_->isVisible());
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_EQ(w.job_name_box->geometry(), QRect(168, 53, 297, 21));
  EXPECT_EQ(w.source_folder->geometry(), QRect(152, 105, 313, 17));
  EXPECT_EQ(w.destination_folder->geometry(), QRect(152, 149, 313, 21));
  EXPECT_EQ(w.point_list->geometry(), QRect(152, 124, 385, 21));
  EXPECT_EQ(w.restore_panel->geometry(), QRect(8, 53, 524, 69));
  EXPECT_EQ(w.start_button->geometry(), QRect(8, 272, 105, 28));
  EXPECT_EQ(w.end_button->geometry(), QRect(448, 272, 97, 28));
  EXPECT_EQ(w.register_button->geometry(), QRect(256, 207, 70, 22));

  EXPECT_TRUE(w.backup_mode_button->isChecked());
  EXPECT_FALSE(w.restore_mode_button->isChecked());
  EXPECT_EQ(w.backup_mode_button->text(), u8("履歴バックアップ"));
  EXPECT_EQ(w.restore_mode_button->text(), u8("復　　元"));
  EXPECT_EQ(w.mode_heading->text(), u8("新規作成状態です。設定して登録して下さい。"));
  EXPECT_EQ(w.delete_button->text(), u8("クリア"));
  EXPECT_TRUE(w.delete_button->isEnabled());
  EXPECT_TRUE(w.register_button->isEnabled());
  EXPECT_FALSE(w.update_button->isEnabled());
  EXPECT_FALSE(w.new_job_button->isEnabled());
  EXPECT_TRUE(w.job_name_box->isVisible());
  EXPECT_TRUE(w.source_folder->isVisible());
  EXPECT_FALSE(w.restore_panel->isVisible());
  EXPECT_FALSE(w.point_list->isVisible());
  EXPECT_FALSE(w.store_folder->isVisible());
  EXPECT_FALSE(w.store_folder->isEnabled());
  EXPECT_EQ(w.destination_label->text(), u8("バックアップ先フォルダ"));
  EXPECT_EQ(w.status_bar->currentMessage(), u8("ジョブ名は、設定を保存するのに利用されます。"));

  EXPECT_EQ(w.backup_mode_button->toolTip(),
            u8("履歴バックアップの処理を行います。") + shortcut_note("Alt+B"));
  EXPECT_EQ(w.restore_mode_button->toolTip(),
            u8("バックアップ・データを復元します。") + shortcut_note("Alt+R"));
  EXPECT_EQ(w.mode_status->toolTip(), u8("現在のモードは、履歴バックアップです。"));
  EXPECT_EQ(w.register_button->toolTip(), u8("現在の設定を保存します。") + shortcut_note("Alt+T"));
  EXPECT_EQ(w.update_button->toolTip(),
            u8("現在の設定を上書き保存（修正）します。") + shortcut_note("Alt+M"));
  EXPECT_EQ(w.end_button->toolTip(), u8("プログラムを終了します。") + shortcut_note("Alt+X"));
  EXPECT_EQ(w.delete_button->toolTip(), shortcut_note("Alt+D"));

  // Pressing a button of the window never leaves a field; the browse buttons do, by click.
  for (QPushButton* b :
       {w.start_button, w.backup_mode_button, w.restore_mode_button, w.new_job_button,
        w.register_button, w.update_button, w.delete_button, w.end_button}) {
    EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << b->objectName().toStdString();
  }
  EXPECT_EQ(w.browse_source->focusPolicy(), Qt::ClickFocus);
  EXPECT_EQ(w.browse_destination->focusPolicy(), Qt::ClickFocus);
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, TabMovesThroughTheFieldsInOrderSkippingWhatIsHidden) {
  open();
  QApplication::setActiveWindow(main_.get());
  main_->job_name_box->setFocus();
  std::vector<QWidget*> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{main_->comment_field, main_->source_folder,
                                            main_->destination_folder}));
}

TEST_F(MainWindowView, JobButtonsRegisterChooseModifyAndDelete) {
  open();
  register_job(u8("毎日"), "/data/a", "/keep/a");
  register_job("second", "/data/b", "/keep/b");
  main_window_view& w = *main_;
  ASSERT_EQ(w.job_name_box->count(), 2);
  EXPECT_EQ(w.job_name_box->currentText(), "second");
  // Registering leaves the new-job state as it was.
  EXPECT_EQ(w.mode_heading->text(), u8("新規作成状態です。設定して登録して下さい。"));

  pick(w.job_name_box, 0);
  EXPECT_EQ(w.job_name_box->currentText(), u8("毎日"));
  EXPECT_EQ(w.source_folder->text(), "/data/a");
  EXPECT_EQ(w.destination_folder->text(), "/keep/a");
  EXPECT_EQ(w.comment_field->text(), u8("毎日 comment"));
  EXPECT_EQ(w.mode_heading->text(), u8("履歴バックアップを行います。"));
  EXPECT_EQ(w.delete_button->text(), u8("削除"));
  EXPECT_TRUE(w.new_job_button->isEnabled());
  EXPECT_FALSE(w.register_button->isEnabled());

  erase(w.comment_field);
  type_into(w.comment_field, "changed");
  click(w.update_button);
  const std::string bytes = testing_support::read_file(dir_.at("Zcli.dat"));
  EXPECT_NE(bytes.find("changed"), std::string::npos);
  EXPECT_NE(bytes.find(cp932::from_unicode("毎日")), std::string::npos);

  click(w.delete_button);
  ASSERT_EQ(w.job_name_box->count(), 1);
  EXPECT_EQ(w.job_name_box->currentText(), "second");
  EXPECT_EQ(w.source_folder->text(), "/data/b");
  EXPECT_EQ(testing_support::read_file(dir_.at("Zcli.dat")).find("changed"), std::string::npos);

  click(w.new_job_button);
  EXPECT_TRUE(w.job_name_box->currentText().isEmpty());
  EXPECT_TRUE(w.source_folder->text().isEmpty());
  EXPECT_TRUE(w.destination_folder->text().isEmpty());
  EXPECT_FALSE(w.new_job_button->isEnabled());
  click(w.delete_button);  // "クリア" deletes nothing
  EXPECT_EQ(w.job_name_box->count(), 1);

  // A restart shows the first job.
  open();
  EXPECT_EQ(main_->job_name_box->currentText(), "second");
  EXPECT_EQ(main_->destination_folder->text(), "/keep/b");
}

TEST_F(MainWindowView, FieldChecksShowTheirMessagesAndKeepTheFocus) {
  open();
  register_job("A", "/data/a", "/keep/a");
  main_window_view& w = *main_;
  EXPECT_FALSE(w.new_job_button->isEnabled());  // still the new-job state after registering
  erase(w.source_folder);
  type_into(w.source_folder, "/DATA/A");
  EXPECT_FALSE(w.on_source_left());
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0],
            u8("バックアップ元フォルダに指定した /data/a は、既に登録されています。"
               "このまま重複して設定する事もできますが設定ミスならば変更してください"));
  erase(w.source_folder);
  type_into(w.source_folder, "/data/new");
  EXPECT_TRUE(w.on_source_left());
  erase(w.destination_folder);
  type_into(w.destination_folder, "/data/new/history");
  EXPECT_FALSE(w.on_destination_left());
  EXPECT_EQ(messages_.texts.back(),
            u8("バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを"
               "指定する事はできません。他のフォルダを指定して下さい。"));
  erase(w.destination_folder);
  EXPECT_TRUE(w.on_destination_left());  // an empty field is left without a word
  type_into(w.destination_folder, "/");
  EXPECT_FALSE(w.on_destination_left());
  EXPECT_EQ(messages_.texts.back(),
            u8("バックアップ先フォルダにルートフォルダが指定されました。"
               "ルートフォルダの指定は現在サポートされていません。"
               "ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。"));

  // Leaving the field by the Tab key runs the check, and the focus comes back.
  messages_.texts.clear();
  QApplication::setActiveWindow(main_.get());
  EXPECT_EQ(QApplication::focusWidget(), w.destination_folder);  // given back by the last check
  w.source_folder->setFocus();  // leaving the unchanged root folder is refused again
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), w.destination_folder);
  erase(w.destination_folder);
  type_into(w.destination_folder, "/keep/new");
  w.source_folder->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), w.source_folder);
  messages_.texts.clear();
  erase(w.source_folder);
  type_into(w.source_folder, "/");
  QTest::keyClick(w.source_folder, Qt::Key_Tab);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(messages_.texts[0].startsWith(
      u8("バックアップ元フォルダにルートフォルダが指定されました。")));
  EXPECT_EQ(QApplication::focusWidget(), w.source_folder);
}

TEST_F(MainWindowView, MessageBoxesAreCaptionedWithAnOkButtonAndNoIcon) {
  box_messages boxes;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::Warning;
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->accept();
      }
    }
  });
  boxes.show_message(cp932::from_unicode("一行目\r\n二行目"));
  EXPECT_EQ(title, u8("注意:Message"));
  EXPECT_EQ(text, u8("一行目\n二行目"));
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(MainWindowView, QuestionsHaveYesAndNoWithNoAsTheDefault) {
  box_messages boxes;
  QString title, text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton fallback = QMessageBox::NoButton;
  const auto answer = [&](QMessageBox::StandardButton which) {
    QTimer::singleShot(0, [&, which] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
          title = box->windowTitle();
          text = box->text();
          buttons = box->standardButtons();
          fallback = box->standardButton(box->defaultButton());
          if (which == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Escape);
          } else {
            box->button(which)->click();
          }
        }
      }
    });
  };
  const std::string question = cp932::from_unicode("続けますか？");
  answer(QMessageBox::Yes);
  EXPECT_TRUE(boxes.ask_yes_no(question));
  EXPECT_EQ(title, u8("注意:Message"));
  EXPECT_EQ(text, u8("続けますか？"));
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
  EXPECT_EQ(fallback, QMessageBox::No);
  answer(QMessageBox::No);
  EXPECT_FALSE(boxes.ask_yes_no(question));
  answer(QMessageBox::NoButton);  // Escape
  EXPECT_FALSE(boxes.ask_yes_no(question));
}

TEST_F(MainWindowView, TheChooserWritesIntoTheFieldAndClosesWhenTheFolderIsAccepted) {
  testing_support::make_folders(dir_.at("store/inner"));
  open();
  main_window_view& w = *main_;
  click(w.browse_destination);
  ASSERT_TRUE(chooser_->isVisible());
  EXPECT_EQ(chooser_->windowTitle(), u8("フォルダ選択"));
  EXPECT_EQ(chooser_->target_note->text(),
            u8("現在のディレクトリ・リストはバックアップ先フォルダに反映されます。"));
  EXPECT_EQ(chooser_->decide_button->text(), u8("決定/閉じる"));
  EXPECT_FALSE(chooser_->make_folder_button->isEnabled());
  chooser_->go_to(QString::fromStdString(dir_.at("store/inner")));
  EXPECT_EQ(w.destination_folder->text().toStdString(), dir_.at("store/inner"));
  EXPECT_TRUE(messages_.texts.empty());
  click(chooser_->decide_button);
  EXPECT_FALSE(chooser_->isVisible());
  EXPECT_TRUE(messages_.texts.empty());

  click(w.browse_source);
  EXPECT_EQ(chooser_->target_note->text(),
            u8("現在のディレクトリ・リストはバックアップ元フォルダに反映されます。"));
  chooser_->go_to("/");
  EXPECT_EQ(w.source_folder->text(), "/");
  click(chooser_->decide_button);  // a root folder: refused, the chooser stays
  EXPECT_TRUE(chooser_->isVisible());
  ASSERT_EQ(messages_.texts.size(), 1u);
  chooser_->close();  // its frame: hidden without a check
  EXPECT_FALSE(chooser_->isVisible());
  EXPECT_EQ(messages_.texts.size(), 1u);
  click(w.backup_mode_button);
  EXPECT_FALSE(chooser_->isVisible());
}

TEST_F(MainWindowView, RestoreModeListsThePointsNewestFirst) {
  for (const char* name : {"Zolk0001", "Zolk0002", "Zolk0003"}) {
    testing_support::make_folders(dir_.at(std::string("store/") + name));
  }
  open();
  register_job("kept", "/data/kept", dir_.at("store"));
  open();  // the job list is read at start
  main_window_view& w = *main_;
  click(w.restore_mode_button);
  EXPECT_TRUE(w.restore_mode_button->isChecked());
  EXPECT_FALSE(w.backup_mode_button->isChecked());
  EXPECT_TRUE(w.restore_panel->isVisible());
  EXPECT_FALSE(w.job_name_box->isVisible());
  EXPECT_FALSE(w.source_folder->isVisible());
  EXPECT_TRUE(w.point_list->isVisible());
  EXPECT_TRUE(w.point_label->isVisible());
  EXPECT_FALSE(w.browse_restore_source->isVisible());
  EXPECT_EQ(w.destination_label->text(), u8("復元先フォルダ"));
  EXPECT_EQ(w.mode_heading->text(), u8("復元を行います。"));
  EXPECT_EQ(w.mode_status->toolTip(), u8("現在のモードは、復元です。"));
  EXPECT_TRUE(w.destination_folder->text().isEmpty());
  EXPECT_FALSE(w.register_button->isEnabled() || w.update_button->isEnabled() ||
               w.delete_button->isEnabled());
  EXPECT_EQ(
      w.restore_by_group->title(),
      u8("選択  (履歴バックアップを行ったジョブ名か、履歴の取られているフォルダを指定します)"));
  EXPECT_EQ(w.restore_job_box->currentText(), "kept");
  ASSERT_EQ(w.point_list->count(), 3);
  EXPECT_TRUE(w.point_list->itemText(0).startsWith("0003: "));
  EXPECT_TRUE(w.point_list->itemText(1).startsWith("0002: "));
  EXPECT_TRUE(w.point_list->itemText(2).startsWith("0001: "));
  EXPECT_TRUE(w.point_list->currentText().isEmpty());

  click(w.by_source_folder);
  EXPECT_TRUE(w.browse_restore_source->isVisible());
  EXPECT_FALSE(w.point_list->isVisible());
  EXPECT_EQ(w.restore_job_box->currentText(), "/data/kept");
  pick(w.restore_job_box, 0);
  EXPECT_TRUE(w.point_list->isVisible());
  EXPECT_EQ(w.store_folder->text().toStdString(), dir_.at("store"));

  click(w.backup_mode_button);
  EXPECT_TRUE(w.job_name_box->isVisible());
  EXPECT_FALSE(w.restore_panel->isVisible());
  EXPECT_EQ(w.destination_label->text(), u8("バックアップ先フォルダ"));
}

TEST_F(MainWindowView, TheUnfinishedPointOfAStoppedBackupIsMarkedAndNotRestored) {
  // A later run stopped once it had carried the older point forward: its marker names it.
  testing_support::make_folders(dir_.at("store/Zolk0001"));
  testing_support::make_folders(dir_.at("store/Zolk0002"));
  testing_support::write_file(dir_.at("store/Zolk0002/a.txt"), "carried");
  testing_support::write_file(dir_.at("store/.zolk-run"), "Zolk0002\r\nZolk0001\r\ncarried\r\n");
  open();
  register_job("job", dir_.at("src"), dir_.at("store"));
  main_window_view& w = *main_;
  click(w.restore_mode_button);
  pick(w.restore_job_box, 0);
  ASSERT_EQ(w.point_list->count(), 2);
  EXPECT_TRUE(w.point_list->itemText(0).startsWith("0002: "));
  EXPECT_TRUE(w.point_list->itemText(0).endsWith(u8(" （未完了：中断されたバックアップ）")))
      << w.point_list->itemText(0).toStdString();
  EXPECT_FALSE(w.point_list->itemText(1).contains(u8("未完了")));
  pick(w.point_list, 0);
  type_into(w.destination_folder, QString::fromStdString(dir_.at("restored")));
  click(w.start_button);
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0],
            u8("この時点のバックアップは中断されたため未完了で、復元出来ません。"
               "もう一度バックアップを実行すると完了し、復元出来るようになります。"));
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_FALSE(testing_support::exists(dir_.at("restored")));
  // The older point restores.
  pick(w.point_list, 1);
  ASSERT_TRUE(start_and_wait());
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/a.txt")), "carried");
}

TEST_F(MainWindowView, StartButtonRunsABackupAndARestoreIntoTheRunWindow) {
  testing_support::make_folders(dir_.at("src/docs"));
  testing_support::write_file(dir_.at("src/docs/note.txt"), "kept text");
  open();
  register_job("job", dir_.at("src"), dir_.at("store"));
  main_window_view& w = *main_;
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_window_->isVisible());
  const QString after_backup = run_window_->log_view->toPlainText();
  EXPECT_TRUE(after_backup.contains(u8("履歴バックアップ初回処理。")))
      << after_backup.toStdString();
  EXPECT_EQ(testing_support::read_file(dir_.at("store/Zolk0001/docs/note.txt")), "kept text");
  EXPECT_TRUE(w.start_button->isEnabled());

  click(run_window_->close_button);
  EXPECT_FALSE(run_window_->isVisible());

  click(w.restore_mode_button);
  pick(w.restore_job_box, 0);
  ASSERT_EQ(w.point_list->count(), 1);
  pick(w.point_list, 0);
  type_into(w.destination_folder, QString::fromStdString(dir_.at("restored")));
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_window_->isVisible());
  const QString after_restore = run_window_->log_view->toPlainText();
  EXPECT_TRUE(after_restore.startsWith(after_backup));  // the log keeps the first run's lines
  EXPECT_TRUE(after_restore.contains(u8("-----* 処理の開始 *-----")));
  EXPECT_TRUE(after_restore.contains(u8(" へ復元します。")));
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "kept text");
  EXPECT_TRUE(messages_.questions.empty());

  // Again into the folder that now holds the files: asked, and No starts nothing.
  click(run_window_->close_button);
  testing_support::write_file(dir_.at("restored/docs/note.txt"), "edited");
  messages_.answer = false;
  click(w.start_button);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(
      messages_.questions[0],
      u8("復元先フォルダは空ではありません。同じ名前のファイルは上書きされます。続けますか？"));
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_EQ(run_window_->log_view->toPlainText(), after_restore);
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "edited");
  messages_.answer = true;
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_window_->isVisible());
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "kept text");
}

TEST_F(MainWindowView, RestoreModeLeavesNoEmptyFieldThatComplainsAtEveryClick) {
  open();
  register_job("A", "/data/a", "/keep/a");
  main_window_view& w = *main_;
  QApplication::setActiveWindow(main_.get());
  w.destination_folder->setFocus();
  QApplication::processEvents();
  messages_.texts.clear();
  click(w.restore_mode_button);  // takes no focus: the emptied target field keeps it
  QApplication::processEvents();
  EXPECT_TRUE(w.destination_folder->text().isEmpty());
  for (int i = 0; i < 2; ++i) {
    w.restore_job_box->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(w.restore_job_box->hasFocus());
    w.destination_folder->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
  }
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front().toStdString();
  // Typed and left, a root target is still refused.
  type_into(w.destination_folder, "/");
  w.restore_job_box->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(
      messages_.texts[0].startsWith(u8("復元先フォルダにルートフォルダが指定されました。")));
  EXPECT_EQ(QApplication::focusWidget(), w.destination_folder);
}

TEST_F(MainWindowView, NoBrowseInRestoreModeWritesIntoTheHiddenSourceField) {
  for (const char* folder : {"store/Zolk0001", "data", "target", "elsewhere"}) {
    testing_support::make_folders(dir_.at(folder));
  }
  open();
  register_job("kept", dir_.at("data"), dir_.at("store"));
  open();
  main_window_view& w = *main_;
  const QString source = QString::fromStdString(dir_.at("data"));
  click(w.browse_source);  // the chooser is open for the source when the mode changes
  ASSERT_TRUE(chooser_->isVisible());
  click(w.restore_mode_button);
  chooser_->go_to(QString::fromStdString(dir_.at("elsewhere")));
  EXPECT_EQ(w.source_folder->text(), source);

  click(w.browse_destination);
  ASSERT_TRUE(chooser_->isVisible());
  chooser_->go_to(QString::fromStdString(dir_.at("target")));
  EXPECT_EQ(w.destination_folder->text().toStdString(), dir_.at("target"));
  EXPECT_EQ(w.source_folder->text(), source);
  click(chooser_->decide_button);
  EXPECT_FALSE(chooser_->isVisible());

  // By folder, the browse chooses among the jobs' source folders.
  click(w.by_source_folder);
  click(w.browse_restore_source);
  ASSERT_TRUE(chooser_->isVisible());
  chooser_->go_to(QString::fromStdString(dir_.at("elsewhere")));
  EXPECT_EQ(w.source_folder->text(), source);
  EXPECT_EQ(w.restore_job_box->currentText().toStdString(), dir_.at("elsewhere"));
  EXPECT_FALSE(w.point_list->isVisible());
  chooser_->go_to(source);
  EXPECT_EQ(w.restore_job_box->currentText(), source);
  EXPECT_EQ(w.restore_job_box->currentIndex(), 0);
  EXPECT_TRUE(w.point_list->isVisible());
  EXPECT_EQ(w.point_list->count(), 1);
  EXPECT_EQ(w.store_folder->text().toStdString(), dir_.at("store"));
  click(chooser_->decide_button);
  EXPECT_FALSE(chooser_->isVisible());
  EXPECT_EQ(w.destination_folder->text().toStdString(), dir_.at("target"));
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, EveryButtonNamesItsShortcutInItsTooltip) {
  open();
  main_window_view& w = *main_;
  const struct {
    QPushButton* button;
    const char* key;
    const char* hint;
  } expected[] = {
      {w.backup_mode_button, "Alt+B", "履歴バックアップの処理を行います。"},
      {w.restore_mode_button, "Alt+R", "バックアップ・データを復元します。"},
      {w.new_job_button, "Alt+N", ""},
      {w.browse_source, "Alt+1", ""},
      {w.browse_restore_source, "Alt+1", ""},
      {w.browse_destination, "Alt+2", ""},
      {w.register_button, "Alt+T", "現在の設定を保存します。"},
      {w.update_button, "Alt+M", "現在の設定を上書き保存（修正）します。"},
      {w.delete_button, "Alt+D", ""},
      {w.start_button, "Alt+S", ""},
      {w.end_button, "Alt+X", "プログラムを終了します。"},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.button->objectName().toStdString());
    EXPECT_EQ(e.button->shortcut(), QKeySequence(QString::fromLatin1(e.key)));
    EXPECT_EQ(e.button->toolTip(), u8(e.hint) + shortcut_note(e.key));
  }
  // Texts that change with the job state keep their shortcut.
  register_job("A", "/data/a", "/keep/a");
  pick(w.job_name_box, 0);
  EXPECT_EQ(w.update_button->toolTip(),
            u8("現在の設定を上書き保存（修正）します。") + shortcut_note("Alt+M"));
  EXPECT_EQ(w.delete_button->toolTip(), shortcut_note("Alt+D"));
}

TEST_F(MainWindowView, ShortcutsPressTheButtonsThatAreShownAndEnabled) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src/a.txt"), "a");
  open();
  main_window_view& w = *main_;
  QApplication::setActiveWindow(main_.get());
  w.job_name_box->setFocus();
  const auto press = [](char letter) {
    QTest::keyClick(QApplication::focusWidget(), letter, Qt::AltModifier);
  };
  type_into(w.job_name_box, "keys");
  type_into(w.comment_field, "by keys");
  type_into(w.source_folder, QString::fromStdString(dir_.at("src")));
  type_into(w.destination_folder, QString::fromStdString(dir_.at("store")));
  press('t');
  QTRY_COMPARE(w.job_name_box->count(), 1);
  press('s');
  QTRY_VERIFY(run_window_->isVisible());
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(testing_support::read_file(dir_.at("store/Zolk0001/a.txt")), "a");
  run_window_->hide();
  QApplication::setActiveWindow(main_.get());
  pick(w.job_name_box, 0);
  erase(w.comment_field);
  type_into(w.comment_field, "modified");
  press('m');
  QTRY_VERIFY(testing_support::read_file(dir_.at("Zcli.dat")).find("modified") !=
              std::string::npos);
  press('2');
  QTRY_VERIFY(chooser_->isVisible());
  EXPECT_EQ(w.logic().chooser.tag, 2);
  chooser_->hide();
  press('1');
  QTRY_VERIFY(chooser_->isVisible());
  EXPECT_EQ(w.logic().chooser.tag, 1);
  chooser_->hide();
  QApplication::setActiveWindow(main_.get());

  press('r');
  QTRY_VERIFY(w.restore_mode_button->isChecked());
  EXPECT_TRUE(w.restore_panel->isVisible());
  // Disabled in restore mode, and browse_source is hidden: their keys do nothing. Shortcuts take
  // effect in the order pressed, so once the mode is back they would have acted.
  press('d');
  press('1');
  press('b');
  QTRY_VERIFY(w.backup_mode_button->isChecked());
  EXPECT_EQ(w.job_name_box->count(), 1);
  EXPECT_FALSE(chooser_->isVisible());
  press('r');
  QTRY_VERIFY(w.restore_mode_button->isChecked());
  click(w.by_source_folder);
  QApplication::setActiveWindow(main_.get());
  press('1');  // browse_restore_source now
  QTRY_VERIFY(chooser_->isVisible());
  chooser_->hide();
  QApplication::setActiveWindow(main_.get());
  press('b');
  QTRY_VERIFY(w.backup_mode_button->isChecked());
  press('d');
  QTRY_COMPARE(w.job_name_box->count(), 0);
  press('n');
  QTRY_VERIFY(!w.new_job_button->isEnabled());
  press('x');
  QTRY_COMPARE(ended_, 1);
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, EnterMovesThroughTheBackupFieldsAndStartsARestoreOnlyWithAPoint) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src/a.txt"), "a");
  open();
  register_job("job", dir_.at("src"), dir_.at("store"));
  main_window_view& w = *main_;
  ASSERT_TRUE(start_and_wait());
  run_window_->hide();
  const QString log = run_window_->log_view->toPlainText();
  // A new job typed with the name of a registered one: Enter never loads that job over it.
  ASSERT_FALSE(w.new_job_button->isEnabled());  // still the new-job state after registering
  w.job_name_box->clearEditText();
  for (QLineEdit* field : {w.comment_field, w.source_folder, w.destination_folder}) erase(field);
  type_into(w.comment_field, "typed");
  QApplication::setActiveWindow(main_.get());
  w.job_name_box->setFocus();
  type_into(w.job_name_box, "job");
  std::vector<QWidget*> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited,
            (std::vector<QWidget*>{w.comment_field, w.source_folder, w.destination_folder}));
  EXPECT_EQ(w.job_name_box->currentText(), "job");
  EXPECT_EQ(w.comment_field->text(), "typed");
  EXPECT_FALSE(w.new_job_button->isEnabled());
  // Enter leaves a field as Tab does: its check runs.
  erase(w.destination_folder);
  type_into(w.destination_folder, "/");
  QTest::keyClick(w.destination_folder, Qt::Key_Enter);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), w.destination_folder);
  EXPECT_FALSE(run_window_->isVisible());

  click(w.restore_mode_button);
  pick(w.restore_job_box, 0);
  w.destination_folder->setFocus();
  type_into(w.destination_folder, QString::fromStdString(dir_.at("restored")));
  QTest::keyClick(w.destination_folder, Qt::Key_Return);
  ASSERT_EQ(messages_.texts.size(), 2u);
  EXPECT_EQ(messages_.texts[1], u8("復元する時点を選択してください。"));
  EXPECT_FALSE(run_window_->isVisible());
  EXPECT_EQ(run_window_->log_view->toPlainText(), log);
  pick(w.point_list, 0);
  QTest::keyClick(w.destination_folder, Qt::Key_Return);
  EXPECT_TRUE(run_window_->isVisible());
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/a.txt")), "a");
  EXPECT_EQ(messages_.texts.size(), 2u);
}

TEST_F(MainWindowView, EscapeClosesTheChooserWithoutACheck) {
  open();
  main_window_view& w = *main_;
  click(w.browse_destination);
  ASSERT_TRUE(chooser_->isVisible());
  chooser_->go_to("/");
  QApplication::setActiveWindow(chooser_.get());
  chooser_->folder_view->setFocus();
  QTest::keyClick(chooser_->folder_view, Qt::Key_Escape);
  EXPECT_FALSE(chooser_->isVisible());
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_EQ(w.destination_folder->text(), "/");
  EXPECT_FALSE(w.logic().chooser.visible);
}

TEST_F(MainWindowView, EndButtonEndsTheProgramEvenWithUnregisteredTexts) {
  open();
  type_into(main_->source_folder, "/never/registered");
  click(main_->end_button);
  EXPECT_EQ(ended_, 1);
}

TEST_F(MainWindowView, AFailedSaveIsToldOnce) {
  testing_support::write_file(dir_.at("blocker"), "not a folder");
  open(dir_.at("blocker") + "/Zcli.dat");
  messages_.texts.clear();  // the start says the file could not be created
  register_job("lost", "/a", "/b");
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(messages_.texts[0].contains(u8("を保存できませんでした。")));
}

TEST_F(MainWindowView, ALongDestinationStaysWholeInTheFieldAndAJobTheFileCannotHoldIsRefused) {
  open();
  QString destination = "/keep";
  for (int i = 1; i <= 12; ++i) destination += u8("/バックアップ保存フォルダ") + QString::number(i);
  ASSERT_GT(cp932::from_unicode(destination.toStdString()).size(), 300u);
  register_job(u8("深い"), "/data", destination.toStdString());
  EXPECT_EQ(main_->destination_folder->text(), destination);
  EXPECT_EQ(main_->logic().form.destination_field(),
            cp932::from_unicode(destination.toStdString()));
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(messages_.texts[0].startsWith(u8("バックアップ先フォルダが長すぎるため")))
      << messages_.texts[0].toStdString();
  EXPECT_EQ(main_->job_name_box->count(), 0);
  EXPECT_EQ(testing_support::read_file(dir_.at("Zcli.dat")).size(), 80u);
}

}  // namespace
}  // namespace zolk_qt
