#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "ui/qt/qt_testing.h"

namespace zolk_qt {
namespace {

TEST(RunWindow, LogLinesFollowCarriageReturnLineFeedPairsAndAccumulate) {
  Trun_win w;
  EXPECT_EQ(w.windowTitle(), u8("実行画面"));
  EXPECT_EQ(w.Label1->text(), u8("ステータス"));
  EXPECT_EQ(w.BitBtn1->text(), u8("ログ保存終了"));
  EXPECT_FALSE(w.BitBtn1->isEnabled());
  EXPECT_EQ(w.BitBtn2->text(), u8("終了"));
  EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
  w.show_for_run();
  w.add_line(cp932::from_unicode("-----* 処理の開始 *-----\r\n"));
  w.add_line("x\r\n\r\n\r\n");
  w.add_line("last");
  EXPECT_EQ(w.Memo1->toPlainText(), u8("-----* 処理の開始 *-----\n\nx\n\n\n\nlast"));
  QTest::mouseClick(w.BitBtn2, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  w.show_for_run();
  w.add_line("second run");
  EXPECT_TRUE(w.Memo1->toPlainText().endsWith("last\nsecond run"));
}

TEST(RunWindow, PathsAreShownWithTheHostsSeparator) {
  Trun_win w;
  w.add_line(cp932::from_unicode("==> /home/u/src") + "\\docs\\" + cp932::from_unicode("表ソ.txt"));
#ifdef _WIN32
  EXPECT_EQ(w.Memo1->toPlainText(), u8("==> /home/u/src\\docs\\表ソ.txt"));
#else
  EXPECT_EQ(w.Memo1->toPlainText(), u8("==> /home/u/src/docs/表ソ.txt"));
#endif
}

TEST(RunWindow, TheBarShowsWhileALargeFileIsCopiedAndKeepsItsStateWhileHidden) {
  Trun_win w;
  w.show_for_run();
  EXPECT_FALSE(w.ProgressBar1->isVisible());
  engine::progress_facts facts;
  facts.file_bytes_total = 4 * 131071 - 1;
  facts.file_bytes_done = 2 * 131071;
  w.report(facts);
  EXPECT_TRUE(w.ProgressBar1->isVisible());
  EXPECT_EQ(w.ProgressBar1->maximum(), 4);
  EXPECT_EQ(w.ProgressBar1->value(), 2);
  w.report(engine::progress_facts());
  EXPECT_FALSE(w.ProgressBar1->isVisible());
  EXPECT_EQ(w.ProgressBar1->value(), 2);
  // A file beyond any int still shows as a fraction of the bar.
  facts.file_bytes_total = int64_t{1} << 50;
  facts.file_bytes_done = int64_t{1} << 49;
  w.report(facts);
  EXPECT_NEAR(static_cast<double>(w.ProgressBar1->value()) / w.ProgressBar1->maximum(), 0.5, 0.01);
}

TEST(RunWindow, TheWindowIsServicedWhileARunWrites) {
  Trun_win w;
  int fired = 0;
  const auto post = [&fired] { QTimer::singleShot(0, [&fired] { ++fired; }); };
  post();
  w.show_for_run();  // painted before the run begins
  EXPECT_EQ(fired, 1);
  post();
  QThread::msleep(60);
  w.add_line("later");  // a run holds the thread: the window's events are handled here
  EXPECT_EQ(fired, 2);
  post();
  w.run_ended();
  EXPECT_EQ(fired, 3);
}

}  // namespace
}  // namespace zolk_qt
