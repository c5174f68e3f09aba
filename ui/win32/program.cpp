#include "ui/win32/program.h"

#include <commctrl.h>

#include <exception>

#include "jobs/settings_file.h"

namespace zolk_win32 {

void prepare_controls() {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                   ICC_TREEVIEW_CLASSES;
  InitCommonControlsEx(&controls);
}

windows::windows(host::host& h, const std::string& settings_path, ui::message_port& messages) {
  set_window01 = std::make_unique<Tset_window01>(h, settings_path, messages);
  Form2 = std::make_unique<TForm2>(h);
  run_win = std::make_unique<Trun_win>(h);
  set_window01->attach(Form2.get(), run_win.get());
}

windows::~windows() { set_window01.reset(); }

bool dialog_message(const windows& w, MSG& message) {
  for (HWND hwnd : {w.set_window01->hwnd(), w.Form2->hwnd(), w.run_win->hwnd()}) {
    if (hwnd != nullptr && (message.hwnd == hwnd || IsChild(hwnd, message.hwnd))) {
      return IsDialogMessageW(hwnd, &message) != FALSE;
    }
  }
  return false;
}

int run_program() {
  try {
    prepare_controls();
    host::host& h = host::default_host();
    box_messages messages;
    windows w(h, jobs::default_settings_path(h), messages);
    messages.set_owner(w.set_window01->hwnd());
    ShowWindow(w.set_window01->hwnd(), SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (dialog_message(w, message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  } catch (const std::exception& error) {
    MessageBoxW(nullptr, wide(error.what()).c_str(), wtext(ui::wt::app_title).c_str(),
                MB_OK | MB_ICONERROR);
  }
  return 0;
}

}  // namespace zolk_win32
