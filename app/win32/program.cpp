#include "app/win32/program.h"

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
  main_view = std::make_unique<main_window_view>(h, settings_path, messages);
  chooser = std::make_unique<folder_chooser>(h);
  run_view = std::make_unique<run_window>(h);
  main_view->attach(chooser.get(), run_view.get());
}

windows::~windows() { main_view.reset(); }

bool dialog_message(const windows& w, MSG& message) {
  for (HWND hwnd : {w.main_view->hwnd(), w.chooser->hwnd(), w.run_view->hwnd()}) {
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
    messages.set_owner(w.main_view->hwnd());
    ShowWindow(w.main_view->hwnd(), SW_SHOWNORMAL);
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
