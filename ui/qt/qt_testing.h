// For the offscreen window tests: the three windows on a settings file in a scoped temporary
// folder, with the messages captured instead of shown.
#ifndef ZOLK_UI_QT_QT_TESTING_H
#define ZOLK_UI_QT_QT_TESTING_H

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"
#include "ui/main_window.h"
#include "ui/qt/folder_chooser.h"
#include "ui/qt/main_window_view.h"
#include "ui/qt/run_window.h"

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }
inline void PrintTo(const QKeySequence& keys, std::ostream* os) {
  *os << keys.toString().toStdString();
}

namespace zolk_qt {

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }

class captured_messages : public ui::message_port {
 public:
  void show_message(const std::string& text) override {
    texts.push_back(QString::fromStdString(cp932::to_unicode(text)));
  }
  // Every question is recorded and answered with `answer`.
  bool ask_yes_no(const std::string& text) override {
    questions.push_back(QString::fromStdString(cp932::to_unicode(text)));
    return answer;
  }
  std::vector<QString> texts;
  std::vector<QString> questions;
  bool answer = true;
};

class WindowTest : public ::testing::Test {
 protected:
  // Starts the program's windows on `settings` (the temporary folder's Zcli.dat by default),
  // their runs working through `h`.
  void open(const std::string& settings = std::string(), host::host& h = host::default_host()) {
    main_.reset();
    main_ = std::make_unique<main_window_view>(h, settings.empty() ? dir_.at("Zcli.dat") : settings,
                                               messages_);
    chooser_ = std::make_unique<folder_chooser>();
    run_window_ = std::make_unique<run_window>();
    main_->attach(chooser_.get(), run_window_.get());
    main_->on_end = [this] { ++ended_; };
    main_->show();
  }
  void TearDown() override {
    run_window_.reset();
    chooser_.reset();
    main_.reset();
  }

  static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  // Lets the event loop run until the run started last has ended and been shown.
  bool wait_for_run() {
    return QTest::qWaitFor([this] { return !main_->logic().run_working(); }, 120000);
  }
  // Presses the start button and waits for the run it starts.
  bool start_and_wait() {
    click(main_->start_button);
    return wait_for_run();
  }
  // The user picks an entry of a drop-down list.
  static void pick(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // Key by key, as typed; characters beyond ASCII come as the text of their key events.
  static void type_into(QWidget* field, const QString& text) {
    for (const QChar c : text) {
      if (c.unicode() < 0x80) {
        QTest::keyClick(field, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }
  // The user empties a field.
  static void erase(QLineEdit* field) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
  }
  // Registers a job through the widgets.
  void register_job(const QString& name, const std::string& source,
                    const std::string& destination) {
    // After a registration the window stays in the new-job state, new_job_button disabled.
    if (main_->new_job_button->isEnabled()) click(main_->new_job_button);
    main_->job_name_box->clearEditText();
    for (QLineEdit* field : {main_->comment_field, main_->source_folder, main_->destination_folder})
      erase(field);
    type_into(main_->job_name_box, name);
    type_into(main_->comment_field, name + " comment");
    type_into(main_->source_folder, QString::fromStdString(source));
    type_into(main_->destination_folder, QString::fromStdString(destination));
    click(main_->register_button);
  }

  testing_support::temp_folder dir_;
  captured_messages messages_;
  std::unique_ptr<main_window_view> main_;
  std::unique_ptr<folder_chooser> chooser_;
  std::unique_ptr<run_window> run_window_;
  int ended_ = 0;
};

}  // namespace zolk_qt

#endif
