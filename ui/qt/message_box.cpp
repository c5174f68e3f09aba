#include "ui/qt/message_box.h"

#include <QMessageBox>

#include "ui/qt/qt_text.h"

namespace zolk_qt {

namespace {

QString box_text(const std::string& cp932_text) {
  QString text = to_qstring(cp932_text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

void box_messages::show_message(const std::string& cp932_text) {
  QMessageBox box(QMessageBox::NoIcon, qtext(ui::wt::message_caption), box_text(cp932_text),
                  QMessageBox::Ok, parent_.data());
  box.exec();
}

bool box_messages::ask_yes_no(const std::string& cp932_text) {
  QMessageBox box(QMessageBox::NoIcon, qtext(ui::wt::message_caption), box_text(cp932_text),
                  QMessageBox::Yes | QMessageBox::No, parent_.data());
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace zolk_qt
