#include "app/program.h"

#include <QFontDatabase>
#include <QMessageBox>
#include <exception>
#include <vector>

#include "jobs/settings_file.h"
#include "ui/font_choice.h"
#include "ui/qt/qt_text.h"

namespace zolk_app {

void prepare_application(QApplication& app) {
  QApplication::setApplicationName(zolk_qt::qtext(ui::wt::app_title));
  std::vector<std::string> installed;
  for (const QString& family : QFontDatabase::families()) installed.push_back(family.toStdString());
  const std::string family = ui::choose_japanese_font(installed);
  if (family.empty()) return;
  QFont font(QString::fromStdString(family));
  // The window's places and sizes are laid out for characters 12 pixels high.
  font.setPixelSize(12);
  app.setFont(font);
}

windows::windows(host::host& h, const std::string& settings_path) {
  main_view = std::make_unique<zolk_qt::main_window_view>(h, settings_path, messages);
  messages.set_parent(main_view.get());
  chooser = std::make_unique<zolk_qt::folder_chooser>();
  run_view = std::make_unique<zolk_qt::run_window>();
  main_view->attach(chooser.get(), run_view.get());
}

int run_program(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    prepare_application(app);
    host::host& h = host::default_host();
    windows w(h, jobs::default_settings_path(h));
    w.main_view->show();
    QApplication::exec();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, zolk_qt::qtext(ui::wt::app_title),
                          QString::fromLocal8Bit(error.what()));
  }
  return 0;
}

}  // namespace zolk_app
