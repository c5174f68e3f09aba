// The start of the desktop program on Windows, shared by zolk.exe, its tests and the
// screenshots.
#ifndef ZOLK_APP_WIN32_PROGRAM_H
#define ZOLK_APP_WIN32_PROGRAM_H

#include <memory>
#include <string>

#include "platform/host.h"
#include "ui/win32/folder_chooser.h"
#include "ui/win32/main_window_view.h"
#include "ui/win32/message_box.h"
#include "ui/win32/run_window.h"

namespace zolk_win32 {

// Common controls 6 (through the manifest) for every control class the windows use.
void prepare_controls();

// The three windows, created in their order: the main window (which loads the job list from
// `settings_path`), the folder chooser, the run window. Nothing is shown yet. The main window
// goes first, so nothing it points at is gone while it is destroyed.
struct windows {
  windows(host::host& h, const std::string& settings_path, ui::message_port& messages);
  ~windows();
  std::unique_ptr<main_window_view> main_view;
  std::unique_ptr<folder_chooser> chooser;
  std::unique_ptr<run_window> run_view;
};

// Gives keyboard navigation (Tab, Enter, Escape) to whichever of the windows `message` is
// for; true when it was taken.
bool dialog_message(const windows& w, MSG& message);

// The whole program: returns the exit status, which is 0 in every case.
int run_program();

}  // namespace zolk_win32

#endif
