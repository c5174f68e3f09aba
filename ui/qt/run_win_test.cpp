#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

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

TEST(RunWindow, ABatchShowsItsLinesAndAReaderScrolledUpKeepsHisPlace) {
  Trun_win w;
  w.show_for_run();
  ui::run_batch batch;
  for (int i = 0; i < 300; ++i) batch.texts.push_back("line " + std::to_string(i));
  batch.texts.push_back("two\r\nlines");
  w.show_batch(batch, 1.0);
  QScrollBar* bar = w.Memo1->verticalScrollBar();
  EXPECT_EQ(w.Memo1->blockCount(), 302);
  EXPECT_TRUE(w.Memo1->toPlainText().endsWith("line 299\ntwo\nlines"));
  EXPECT_EQ(bar->value(), bar->maximum());  // at the end: the view follows the run
  bar->setValue(10);
  w.show_batch(batch, 2.0);
  EXPECT_EQ(bar->value(), 10);
  bar->setValue(bar->maximum());
  w.add_line("closing");
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace zolk_qt
