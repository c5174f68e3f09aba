#include "app/program.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

#include "platform/testing/temp_folder.h"
#include "ui/font_choice.h"

namespace zolk_app {
namespace {

TEST(Program, StartsWithTheTitleAJapaneseFontAndOnlyTheMainWindowShown) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "zolk";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  prepare_application(app);
  EXPECT_EQ(QApplication::applicationName(), QString("ZOLK"));
  if (QFontDatabase::families().contains("Noto Sans CJK JP")) {
    EXPECT_EQ(QApplication::font().family(), QString("Noto Sans CJK JP"));
  }

  testing_support::temp_folder dir;
  windows w(host::default_host(), dir.at("Zcli.dat"));
  w.main_view->show();
  EXPECT_TRUE(w.main_view->isVisible());
  EXPECT_FALSE(w.chooser->isVisible());
  EXPECT_FALSE(w.run_view->isVisible());
  // Closing a secondary window only hides it; closing the main window ends the program.
  EXPECT_FALSE(w.chooser->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_FALSE(w.run_view->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_TRUE(w.main_view->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_EQ(testing_support::read_file(dir.at("Zcli.dat")).substr(0, 13), "Z-OLK Ver1.00");
}

TEST(Program, PrefersTheNotoJapaneseFamilyAndFallsBackToAnyJapaneseOne) {
  EXPECT_EQ(ui::choose_japanese_font({"DejaVu Sans", "Noto Sans CJK SC", "Noto Sans CJK JP"}),
            "Noto Sans CJK JP");
  EXPECT_EQ(ui::choose_japanese_font({"Foo CJK JP Light", "DejaVu Sans"}), "Foo CJK JP Light");
  EXPECT_EQ(ui::choose_japanese_font({"DejaVu Sans"}), "");
}

}  // namespace
}  // namespace zolk_app
