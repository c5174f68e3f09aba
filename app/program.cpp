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
  set_window01 = std::make_unique<zolk_qt::Tset_window01>(h, settings_path, messages);
  messages.set_parent(set_window01.get());
  Form2 = std::make_unique<zolk_qt::TForm2>();
  run_win = std::make_unique<zolk_qt::Trun_win>();
  set_window01->attach(Form2.get(), run_win.get());
}

int run_program(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    prepare_application(app);
    host::host& h = host::default_host();
    windows w(h, jobs::default_settings_path(h));
    w.set_window01->show();
    QApplication::exec();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, zolk_qt::qtext(ui::wt::app_title),
                          QString::fromLocal8Bit(error.what()));
  }
  return 0;
}

}  // namespace zolk_app
