// The message port of the desktop program on Windows: MessageBoxW captioned "注意:Message",
// owned by the main window so that it blocks only as a message box of that window does.
#ifndef ZOLK_UI_WIN32_MESSAGE_BOX_H
#define ZOLK_UI_WIN32_MESSAGE_BOX_H

#include "ui/main_window.h"
#include "ui/win32/win32_text.h"

namespace zolk_win32 {

class box_messages : public ui::message_port {
 public:
  void set_owner(HWND owner) { owner_ = owner; }
  // OK only, no icon.
  void show_message(const std::string& cp932_text) override;
  // Yes and No, No the default (Escape and the close box answer No too).
  bool ask_yes_no(const std::string& cp932_text) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace zolk_win32

#endif
