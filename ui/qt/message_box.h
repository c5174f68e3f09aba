// The message boxes of the windows: caption "注意:Message", no icon; an OK button only, or
// Yes and No for a question (No the default, so Enter alone never overwrites anything).
#ifndef ZOLK_UI_QT_MESSAGE_BOX_H
#define ZOLK_UI_QT_MESSAGE_BOX_H

#include <QPointer>
#include <QWidget>

#include "ui/main_window.h"

namespace zolk_qt {

class box_messages : public ui::message_port {
 public:
  // Boxes are centred on `parent` while it lives (none: on the screen).
  void set_parent(QWidget* parent) { parent_ = parent; }
  void show_message(const std::string& cp932_text) override;
  bool ask_yes_no(const std::string& cp932_text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace zolk_qt

#endif
