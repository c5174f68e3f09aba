#include "ui/qt/message_box.h"

#include <QMessageBox>

#include "ui/qt/qt_text.h"

namespace zolk_qt {

void box_messages::show_message(const std::string& cp932_text) {
  QString text = to_qstring(cp932_text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::NoIcon, qtext(ui::wt::message_caption), text, QMessageBox::Ok,
                  parent_.data());
  box.exec();
}

}  // namespace zolk_qt
