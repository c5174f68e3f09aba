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
  Tset_window01& w = *main_;
  EXPECT_EQ(w.windowTitle(), u8("Ｚ-ＯＬＫ"));
  EXPECT_EQ(w.size(), QSize(554, 327));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_FALSE(run_win_->isVisible());
  EXPECT_EQ(w.job_combo->geometry(), QRect(168, 53, 297, 21));
  EXPECT_EQ(w.Tdirname->geometry(), QRect(152, 105, 313, 17));
  EXPECT_EQ(w.Bdirname->geometry(), QRect(152, 149, 313, 21));
  EXPECT_EQ(w.R_ListBox->geometry(), QRect(152, 124, 385, 21));
  EXPECT_EQ(w.Panel1->geometry(), QRect(8, 53, 524, 69));
  EXPECT_EQ(w.startb01->geometry(), QRect(8, 272, 105, 28));
  EXPECT_EQ(w.end_Button->geometry(), QRect(448, 272, 97, 28));
  EXPECT_EQ(w.touroku->geometry(), QRect(256, 207, 70, 22));

  EXPECT_TRUE(w.run01B->isChecked());
  EXPECT_FALSE(w.run02B->isChecked());
  EXPECT_EQ(w.run01B->text(), u8("履歴バックアップ"));
  EXPECT_EQ(w.run02B->text(), u8("復　　元"));
  EXPECT_EQ(w.st01->text(), u8("新規作成状態です。設定して登録して下さい。"));
  EXPECT_EQ(w.sakujo->text(), u8("クリア"));
  EXPECT_TRUE(w.sakujo->isEnabled());
  EXPECT_TRUE(w.touroku->isEnabled());
  EXPECT_FALSE(w.syusei->isEnabled());
  EXPECT_FALSE(w.new_Button->isEnabled());
  EXPECT_TRUE(w.job_combo->isVisible());
  EXPECT_TRUE(w.Tdirname->isVisible());
  EXPECT_FALSE(w.Panel1->isVisible());
  EXPECT_FALSE(w.R_ListBox->isVisible());
  EXPECT_FALSE(w.Rdirname->isVisible());
  EXPECT_FALSE(w.Rdirname->isEnabled());
  EXPECT_EQ(w.Label2->text(), u8("バックアップ先フォルダ"));
  EXPECT_EQ(w.st_main->currentMessage(), u8("ジョブ名は、設定を保存するのに利用されます。"));

  EXPECT_EQ(w.run01B->toolTip(), u8("履歴バックアップの処理を行います。") + shortcut_note("Alt+B"));
  EXPECT_EQ(w.run02B->toolTip(), u8("バックアップ・データを復元します。") + shortcut_note("Alt+R"));
  EXPECT_EQ(w.s_mes->toolTip(), u8("現在のモードは、履歴バックアップです。"));
  EXPECT_EQ(w.touroku->toolTip(), u8("現在の設定を保存します。") + shortcut_note("Alt+T"));
  EXPECT_EQ(w.syusei->toolTip(),
            u8("現在の設定を上書き保存（修正）します。") + shortcut_note("Alt+M"));
  EXPECT_EQ(w.end_Button->toolTip(), u8("プログラムを終了します。") + shortcut_note("Alt+X"));
  EXPECT_EQ(w.sakujo->toolTip(), shortcut_note("Alt+D"));

  // Pressing a button of the window never leaves a field; the browse buttons do, by click.
  for (QPushButton* b : {w.startb01, w.run01B, w.run02B, w.new_Button, w.touroku, w.syusei,
                         w.sakujo, w.end_Button}) {
    EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << b->objectName().toStdString();
  }
  EXPECT_EQ(w.Button1->focusPolicy(), Qt::ClickFocus);
  EXPECT_EQ(w.Button2->focusPolicy(), Qt::ClickFocus);
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, TabMovesThroughTheFieldsInOrderSkippingWhatIsHidden) {
  open();
  QApplication::setActiveWindow(main_.get());
  main_->job_combo->setFocus();
  std::vector<QWidget*> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited,
            (std::vector<QWidget*>{main_->zolk_comment, main_->Tdirname, main_->Bdirname}));
}

TEST_F(MainWindowView, JobButtonsRegisterChooseModifyAndDelete) {
  open();
  register_job(u8("毎日"), "/data/a", "/keep/a");
  register_job("second", "/data/b", "/keep/b");
  Tset_window01& w = *main_;
  ASSERT_EQ(w.job_combo->count(), 2);
  EXPECT_EQ(w.job_combo->currentText(), "second");
  // Registering leaves the new-job state as it was.
  EXPECT_EQ(w.st01->text(), u8("新規作成状態です。設定して登録して下さい。"));

  pick(w.job_combo, 0);
  EXPECT_EQ(w.job_combo->currentText(), u8("毎日"));
  EXPECT_EQ(w.Tdirname->text(), "/data/a");
  EXPECT_EQ(w.Bdirname->text(), "/keep/a");
  EXPECT_EQ(w.zolk_comment->text(), u8("毎日 comment"));
  EXPECT_EQ(w.st01->text(), u8("履歴バックアップを行います。"));
  EXPECT_EQ(w.sakujo->text(), u8("削除"));
  EXPECT_TRUE(w.new_Button->isEnabled());
  EXPECT_FALSE(w.touroku->isEnabled());

  erase(w.zolk_comment);
  type_into(w.zolk_comment, "changed");
  click(w.syusei);
  const std::string bytes = testing_support::read_file(dir_.at("Zcli.dat"));
  EXPECT_NE(bytes.find("changed"), std::string::npos);
  EXPECT_NE(bytes.find(cp932::from_unicode("毎日")), std::string::npos);

  click(w.sakujo);
  ASSERT_EQ(w.job_combo->count(), 1);
  EXPECT_EQ(w.job_combo->currentText(), "second");
  EXPECT_EQ(w.Tdirname->text(), "/data/b");
  EXPECT_EQ(testing_support::read_file(dir_.at("Zcli.dat")).find("changed"), std::string::npos);

  click(w.new_Button);
  EXPECT_TRUE(w.job_combo->currentText().isEmpty());
  EXPECT_TRUE(w.Tdirname->text().isEmpty());
  EXPECT_TRUE(w.Bdirname->text().isEmpty());
  EXPECT_FALSE(w.new_Button->isEnabled());
  click(w.sakujo);  // "クリア" deletes nothing
  EXPECT_EQ(w.job_combo->count(), 1);

  // A restart shows the first job.
  open();
  EXPECT_EQ(main_->job_combo->currentText(), "second");
  EXPECT_EQ(main_->Bdirname->text(), "/keep/b");
}

TEST_F(MainWindowView, FieldChecksShowTheirMessagesAndKeepTheFocus) {
  open();
  register_job("A", "/data/a", "/keep/a");
  Tset_window01& w = *main_;
  EXPECT_FALSE(w.new_Button->isEnabled());  // still the new-job state after registering
  erase(w.Tdirname);
  type_into(w.Tdirname, "/DATA/A");
  EXPECT_FALSE(w.TdirnameExit());
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0],
            u8("バックアップ元フォルダに指定した /data/a は、既に登録されています。"
               "このまま重複して設定する事もできますが設定ミスならば変更してください"));
  erase(w.Tdirname);
  type_into(w.Tdirname, "/data/new");
  EXPECT_TRUE(w.TdirnameExit());
  erase(w.Bdirname);
  type_into(w.Bdirname, "/data/new/history");
  EXPECT_FALSE(w.BdirnameExit());
  EXPECT_EQ(messages_.texts.back(),
            u8("バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを"
               "指定する事はできません。他のフォルダを指定して下さい。"));
  erase(w.Bdirname);
  EXPECT_TRUE(w.BdirnameExit());  // an empty field is left without a word
  type_into(w.Bdirname, "/");
  EXPECT_FALSE(w.BdirnameExit());
  EXPECT_EQ(messages_.texts.back(),
            u8("バックアップ先フォルダにルートフォルダが指定されました。"
               "ルートフォルダの指定は現在サポートされていません。"
               "ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。"));

  // Leaving the field by the Tab key runs the check, and the focus comes back.
  messages_.texts.clear();
  QApplication::setActiveWindow(main_.get());
  EXPECT_EQ(QApplication::focusWidget(), w.Bdirname);  // given back by the last check
  w.Tdirname->setFocus();  // leaving the unchanged root folder is refused again
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), w.Bdirname);
  erase(w.Bdirname);
  type_into(w.Bdirname, "/keep/new");
  w.Tdirname->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), w.Tdirname);
  messages_.texts.clear();
  erase(w.Tdirname);
  type_into(w.Tdirname, "/");
  QTest::keyClick(w.Tdirname, Qt::Key_Tab);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(messages_.texts[0].startsWith(
      u8("バックアップ元フォルダにルートフォルダが指定されました。")));
  EXPECT_EQ(QApplication::focusWidget(), w.Tdirname);
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
  Tset_window01& w = *main_;
  click(w.Button2);
  ASSERT_TRUE(form2_->isVisible());
  EXPECT_EQ(form2_->windowTitle(), u8("フォルダ選択"));
  EXPECT_EQ(form2_->target_note->text(),
            u8("現在のディレクトリ・リストはバックアップ先フォルダに反映されます。"));
  EXPECT_EQ(form2_->decide_button->text(), u8("決定/閉じる"));
  EXPECT_FALSE(form2_->make_folder_button->isEnabled());
  form2_->go_to(QString::fromStdString(dir_.at("store/inner")));
  EXPECT_EQ(w.Bdirname->text().toStdString(), dir_.at("store/inner"));
  EXPECT_TRUE(messages_.texts.empty());
  click(form2_->decide_button);
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_TRUE(messages_.texts.empty());

  click(w.Button1);
  EXPECT_EQ(form2_->target_note->text(),
            u8("現在のディレクトリ・リストはバックアップ元フォルダに反映されます。"));
  form2_->go_to("/");
  EXPECT_EQ(w.Tdirname->text(), "/");
  click(form2_->decide_button);  // a root folder: refused, the chooser stays
  EXPECT_TRUE(form2_->isVisible());
  ASSERT_EQ(messages_.texts.size(), 1u);
  form2_->close();  // its frame: hidden without a check
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_EQ(messages_.texts.size(), 1u);
  click(w.run01B);
  EXPECT_FALSE(form2_->isVisible());
}

TEST_F(MainWindowView, RestoreModeListsThePointsNewestFirst) {
  for (const char* name : {"Zolk0001", "Zolk0002", "Zolk0003"}) {
    testing_support::make_folders(dir_.at(std::string("store/") + name));
  }
  open();
  register_job("kept", "/data/kept", dir_.at("store"));
  open();  // the job list is read at start
  Tset_window01& w = *main_;
  click(w.run02B);
  EXPECT_TRUE(w.run02B->isChecked());
  EXPECT_FALSE(w.run01B->isChecked());
  EXPECT_TRUE(w.Panel1->isVisible());
  EXPECT_FALSE(w.job_combo->isVisible());
  EXPECT_FALSE(w.Tdirname->isVisible());
  EXPECT_TRUE(w.R_ListBox->isVisible());
  EXPECT_TRUE(w.R_ListLabel->isVisible());
  EXPECT_FALSE(w.Button3->isVisible());
  EXPECT_EQ(w.Label2->text(), u8("復元先フォルダ"));
  EXPECT_EQ(w.st01->text(), u8("復元を行います。"));
  EXPECT_EQ(w.s_mes->toolTip(), u8("現在のモードは、復元です。"));
  EXPECT_TRUE(w.Bdirname->text().isEmpty());
  EXPECT_FALSE(w.touroku->isEnabled() || w.syusei->isEnabled() || w.sakujo->isEnabled());
  EXPECT_EQ(
      w.JorF->title(),
      u8("選択  (履歴バックアップを行ったジョブ名か、履歴の取られているフォルダを指定します)"));
  EXPECT_EQ(w.job_combo_s->currentText(), "kept");
  ASSERT_EQ(w.R_ListBox->count(), 3);
  EXPECT_TRUE(w.R_ListBox->itemText(0).startsWith("0003: "));
  EXPECT_TRUE(w.R_ListBox->itemText(1).startsWith("0002: "));
  EXPECT_TRUE(w.R_ListBox->itemText(2).startsWith("0001: "));
  EXPECT_TRUE(w.R_ListBox->currentText().isEmpty());

  click(w.JorF_folder);
  EXPECT_TRUE(w.Button3->isVisible());
  EXPECT_FALSE(w.R_ListBox->isVisible());
  EXPECT_EQ(w.job_combo_s->currentText(), "/data/kept");
  pick(w.job_combo_s, 0);
  EXPECT_TRUE(w.R_ListBox->isVisible());
  EXPECT_EQ(w.Rdirname->text().toStdString(), dir_.at("store"));

  click(w.run01B);
  EXPECT_TRUE(w.job_combo->isVisible());
  EXPECT_FALSE(w.Panel1->isVisible());
  EXPECT_EQ(w.Label2->text(), u8("バックアップ先フォルダ"));
}

TEST_F(MainWindowView, StartButtonRunsABackupAndARestoreIntoTheRunWindow) {
  testing_support::make_folders(dir_.at("src/docs"));
  testing_support::write_file(dir_.at("src/docs/note.txt"), "kept text");
  open();
  register_job("job", dir_.at("src"), dir_.at("store"));
  Tset_window01& w = *main_;
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_win_->isVisible());
  const QString after_backup = run_win_->log_view->toPlainText();
  EXPECT_TRUE(after_backup.contains(u8("履歴バックアップ初回処理。")))
      << after_backup.toStdString();
  EXPECT_EQ(testing_support::read_file(dir_.at("store/Zolk0001/docs/note.txt")), "kept text");
  EXPECT_TRUE(w.startb01->isEnabled());

  click(run_win_->close_button);
  EXPECT_FALSE(run_win_->isVisible());

  click(w.run02B);
  pick(w.job_combo_s, 0);
  ASSERT_EQ(w.R_ListBox->count(), 1);
  pick(w.R_ListBox, 0);
  type_into(w.Bdirname, QString::fromStdString(dir_.at("restored")));
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_win_->isVisible());
  const QString after_restore = run_win_->log_view->toPlainText();
  EXPECT_TRUE(after_restore.startsWith(after_backup));  // the log keeps the first run's lines
  EXPECT_TRUE(after_restore.contains(u8("-----* 処理の開始 *-----")));
  EXPECT_TRUE(after_restore.contains(u8(" へ復元します。")));
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "kept text");
  EXPECT_TRUE(messages_.questions.empty());

  // Again into the folder that now holds the files: asked, and No starts nothing.
  click(run_win_->close_button);
  testing_support::write_file(dir_.at("restored/docs/note.txt"), "edited");
  messages_.answer = false;
  click(w.startb01);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(
      messages_.questions[0],
      u8("復元先フォルダは空ではありません。同じ名前のファイルは上書きされます。続けますか？"));
  EXPECT_FALSE(run_win_->isVisible());
  EXPECT_EQ(run_win_->log_view->toPlainText(), after_restore);
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "edited");
  messages_.answer = true;
  ASSERT_TRUE(start_and_wait());
  EXPECT_TRUE(run_win_->isVisible());
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/docs/note.txt")), "kept text");
}

TEST_F(MainWindowView, RestoreModeLeavesNoEmptyFieldThatComplainsAtEveryClick) {
  open();
  register_job("A", "/data/a", "/keep/a");
  Tset_window01& w = *main_;
  QApplication::setActiveWindow(main_.get());
  w.Bdirname->setFocus();
  QApplication::processEvents();
  messages_.texts.clear();
  click(w.run02B);  // takes no focus: the emptied target field keeps it
  QApplication::processEvents();
  EXPECT_TRUE(w.Bdirname->text().isEmpty());
  for (int i = 0; i < 2; ++i) {
    w.job_combo_s->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(w.job_combo_s->hasFocus());
    w.Bdirname->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
  }
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front().toStdString();
  // Typed and left, a root target is still refused.
  type_into(w.Bdirname, "/");
  w.job_combo_s->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(
      messages_.texts[0].startsWith(u8("復元先フォルダにルートフォルダが指定されました。")));
  EXPECT_EQ(QApplication::focusWidget(), w.Bdirname);
}

TEST_F(MainWindowView, NoBrowseInRestoreModeWritesIntoTheHiddenSourceField) {
  for (const char* folder : {"store/Zolk0001", "data", "target", "elsewhere"}) {
    testing_support::make_folders(dir_.at(folder));
  }
  open();
  register_job("kept", dir_.at("data"), dir_.at("store"));
  open();
  Tset_window01& w = *main_;
  const QString source = QString::fromStdString(dir_.at("data"));
  click(w.Button1);  // the chooser is open for the source when the mode changes
  ASSERT_TRUE(form2_->isVisible());
  click(w.run02B);
  form2_->go_to(QString::fromStdString(dir_.at("elsewhere")));
  EXPECT_EQ(w.Tdirname->text(), source);

  click(w.Button2);
  ASSERT_TRUE(form2_->isVisible());
  form2_->go_to(QString::fromStdString(dir_.at("target")));
  EXPECT_EQ(w.Bdirname->text().toStdString(), dir_.at("target"));
  EXPECT_EQ(w.Tdirname->text(), source);
  click(form2_->decide_button);
  EXPECT_FALSE(form2_->isVisible());

  // By folder, the browse chooses among the jobs' source folders.
  click(w.JorF_folder);
  click(w.Button3);
  ASSERT_TRUE(form2_->isVisible());
  form2_->go_to(QString::fromStdString(dir_.at("elsewhere")));
  EXPECT_EQ(w.Tdirname->text(), source);
  EXPECT_EQ(w.job_combo_s->currentText().toStdString(), dir_.at("elsewhere"));
  EXPECT_FALSE(w.R_ListBox->isVisible());
  form2_->go_to(source);
  EXPECT_EQ(w.job_combo_s->currentText(), source);
  EXPECT_EQ(w.job_combo_s->currentIndex(), 0);
  EXPECT_TRUE(w.R_ListBox->isVisible());
  EXPECT_EQ(w.R_ListBox->count(), 1);
  EXPECT_EQ(w.Rdirname->text().toStdString(), dir_.at("store"));
  click(form2_->decide_button);
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_EQ(w.Bdirname->text().toStdString(), dir_.at("target"));
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, EveryButtonNamesItsShortcutInItsTooltip) {
  open();
  Tset_window01& w = *main_;
  const struct {
    QPushButton* button;
    const char* key;
    const char* hint;
  } expected[] = {
      {w.run01B, "Alt+B", "履歴バックアップの処理を行います。"},
      {w.run02B, "Alt+R", "バックアップ・データを復元します。"},
      {w.new_Button, "Alt+N", ""},
      {w.Button1, "Alt+1", ""},
      {w.Button3, "Alt+1", ""},
      {w.Button2, "Alt+2", ""},
      {w.touroku, "Alt+T", "現在の設定を保存します。"},
      {w.syusei, "Alt+M", "現在の設定を上書き保存（修正）します。"},
      {w.sakujo, "Alt+D", ""},
      {w.startb01, "Alt+S", ""},
      {w.end_Button, "Alt+X", "プログラムを終了します。"},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.button->objectName().toStdString());
    EXPECT_EQ(e.button->shortcut(), QKeySequence(QString::fromLatin1(e.key)));
    EXPECT_EQ(e.button->toolTip(), u8(e.hint) + shortcut_note(e.key));
  }
  // Texts that change with the job state keep their shortcut.
  register_job("A", "/data/a", "/keep/a");
  pick(w.job_combo, 0);
  EXPECT_EQ(w.syusei->toolTip(),
            u8("現在の設定を上書き保存（修正）します。") + shortcut_note("Alt+M"));
  EXPECT_EQ(w.sakujo->toolTip(), shortcut_note("Alt+D"));
}

TEST_F(MainWindowView, ShortcutsPressTheButtonsThatAreShownAndEnabled) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src/a.txt"), "a");
  open();
  Tset_window01& w = *main_;
  QApplication::setActiveWindow(main_.get());
  w.job_combo->setFocus();
  const auto press = [](char letter) {
    QTest::keyClick(QApplication::focusWidget(), letter, Qt::AltModifier);
  };
  type_into(w.job_combo, "keys");
  type_into(w.zolk_comment, "by keys");
  type_into(w.Tdirname, QString::fromStdString(dir_.at("src")));
  type_into(w.Bdirname, QString::fromStdString(dir_.at("store")));
  press('t');
  QTRY_COMPARE(w.job_combo->count(), 1);
  press('s');
  QTRY_VERIFY(run_win_->isVisible());
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(testing_support::read_file(dir_.at("store/Zolk0001/a.txt")), "a");
  run_win_->hide();
  QApplication::setActiveWindow(main_.get());
  pick(w.job_combo, 0);
  erase(w.zolk_comment);
  type_into(w.zolk_comment, "modified");
  press('m');
  QTRY_VERIFY(testing_support::read_file(dir_.at("Zcli.dat")).find("modified") !=
              std::string::npos);
  press('2');
  QTRY_VERIFY(form2_->isVisible());
  EXPECT_EQ(w.logic().Form2.tag, 2);
  form2_->hide();
  press('1');
  QTRY_VERIFY(form2_->isVisible());
  EXPECT_EQ(w.logic().Form2.tag, 1);
  form2_->hide();
  QApplication::setActiveWindow(main_.get());

  press('r');
  QTRY_VERIFY(w.run02B->isChecked());
  EXPECT_TRUE(w.Panel1->isVisible());
  // Disabled in restore mode, and Button1 is hidden: their keys do nothing. Shortcuts take
  // effect in the order pressed, so once the mode is back they would have acted.
  press('d');
  press('1');
  press('b');
  QTRY_VERIFY(w.run01B->isChecked());
  EXPECT_EQ(w.job_combo->count(), 1);
  EXPECT_FALSE(form2_->isVisible());
  press('r');
  QTRY_VERIFY(w.run02B->isChecked());
  click(w.JorF_folder);
  QApplication::setActiveWindow(main_.get());
  press('1');  // Button3 now
  QTRY_VERIFY(form2_->isVisible());
  form2_->hide();
  QApplication::setActiveWindow(main_.get());
  press('b');
  QTRY_VERIFY(w.run01B->isChecked());
  press('d');
  QTRY_COMPARE(w.job_combo->count(), 0);
  press('n');
  QTRY_VERIFY(!w.new_Button->isEnabled());
  press('x');
  QTRY_COMPARE(ended_, 1);
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(MainWindowView, EnterMovesThroughTheBackupFieldsAndStartsARestoreOnlyWithAPoint) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src/a.txt"), "a");
  open();
  register_job("job", dir_.at("src"), dir_.at("store"));
  Tset_window01& w = *main_;
  ASSERT_TRUE(start_and_wait());
  run_win_->hide();
  const QString log = run_win_->log_view->toPlainText();
  // A new job typed with the name of a registered one: Enter never loads that job over it.
  ASSERT_FALSE(w.new_Button->isEnabled());  // still the new-job state after registering
  w.job_combo->clearEditText();
  for (QLineEdit* field : {w.zolk_comment, w.Tdirname, w.Bdirname}) erase(field);
  type_into(w.zolk_comment, "typed");
  QApplication::setActiveWindow(main_.get());
  w.job_combo->setFocus();
  type_into(w.job_combo, "job");
  std::vector<QWidget*> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{w.zolk_comment, w.Tdirname, w.Bdirname}));
  EXPECT_EQ(w.job_combo->currentText(), "job");
  EXPECT_EQ(w.zolk_comment->text(), "typed");
  EXPECT_FALSE(w.new_Button->isEnabled());
  // Enter leaves a field as Tab does: its check runs.
  erase(w.Bdirname);
  type_into(w.Bdirname, "/");
  QTest::keyClick(w.Bdirname, Qt::Key_Enter);
  QApplication::processEvents();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), w.Bdirname);
  EXPECT_FALSE(run_win_->isVisible());

  click(w.run02B);
  pick(w.job_combo_s, 0);
  w.Bdirname->setFocus();
  type_into(w.Bdirname, QString::fromStdString(dir_.at("restored")));
  QTest::keyClick(w.Bdirname, Qt::Key_Return);
  ASSERT_EQ(messages_.texts.size(), 2u);
  EXPECT_EQ(messages_.texts[1], u8("復元する時点を選択してください。"));
  EXPECT_FALSE(run_win_->isVisible());
  EXPECT_EQ(run_win_->log_view->toPlainText(), log);
  pick(w.R_ListBox, 0);
  QTest::keyClick(w.Bdirname, Qt::Key_Return);
  EXPECT_TRUE(run_win_->isVisible());
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(testing_support::read_file(dir_.at("restored/a.txt")), "a");
  EXPECT_EQ(messages_.texts.size(), 2u);
}

TEST_F(MainWindowView, EscapeClosesTheChooserWithoutACheck) {
  open();
  Tset_window01& w = *main_;
  click(w.Button2);
  ASSERT_TRUE(form2_->isVisible());
  form2_->go_to("/");
  QApplication::setActiveWindow(form2_.get());
  form2_->folder_view->setFocus();
  QTest::keyClick(form2_->folder_view, Qt::Key_Escape);
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_EQ(w.Bdirname->text(), "/");
  EXPECT_FALSE(w.logic().Form2.visible);
}

TEST_F(MainWindowView, EndButtonEndsTheProgramEvenWithUnregisteredTexts) {
  open();
  type_into(main_->Tdirname, "/never/registered");
  click(main_->end_Button);
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

}  // namespace
}  // namespace zolk_qt
