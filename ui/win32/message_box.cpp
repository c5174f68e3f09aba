#include "ui/win32/message_box.h"

namespace zolk_win32 {

void box_messages::show_message(const std::string& cp932_text) {
  MessageBoxW(owner_, wide(cp932_text).c_str(), wtext(ui::wt::message_caption).c_str(),
              MB_OK | MB_SETFOREGROUND);
}

bool box_messages::ask_yes_no(const std::string& cp932_text) {
  return MessageBoxW(owner_, wide(cp932_text).c_str(), wtext(ui::wt::message_caption).c_str(),
                     MB_YESNO | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

}  // namespace zolk_win32
