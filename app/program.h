// The start of the desktop program, shared by zolk and zolk-shots.
#ifndef ZOLK_APP_PROGRAM_H
#define ZOLK_APP_PROGRAM_H

#include <QApplication>
#include <memory>
#include <string>

#include "platform/host.h"
#include "ui/qt/folder_chooser.h"
#include "ui/qt/main_window_view.h"
#include "ui/qt/message_box.h"
#include "ui/qt/run_window.h"

namespace zolk_app {

// Sets the application's title ("ZOLK") and a font that shows Japanese text.
void prepare_application(QApplication& app);

// The three windows, created in their order: the main window (which loads the job list from
// `settings_path`), the folder chooser, the run window. Nothing is shown yet.
struct windows {
  windows(host::host& h, const std::string& settings_path);
  zolk_qt::box_messages messages;
  std::unique_ptr<zolk_qt::main_window_view> main_view;
  std::unique_ptr<zolk_qt::folder_chooser> chooser;
  std::unique_ptr<zolk_qt::run_window> run_view;
};

// The whole program: returns the exit status, which is 0 in every case.
int run_program(int argc, char** argv);

}  // namespace zolk_app

#endif
