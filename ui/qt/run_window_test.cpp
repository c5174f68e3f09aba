#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "ui/qt/qt_testing.h"

namespace zolk_qt {
namespace {

TEST(RunWindow, LogLinesFollowCarriageReturnLineFeedPairsAndAccumulate) {
  run_window w;
  EXPECT_EQ(w.windowTitle(), u8("実行画面"));
  EXPECT_EQ(w.status_label->text(), u8("ステータス"));
  EXPECT_EQ(w.save_log_button->text(), u8("ログ保存終了"));
  EXPECT_FALSE(w.save_log_button->isEnabled());
  EXPECT_EQ(w.close_button->text(), u8("終了"));
  EXPECT_TRUE(w.log_view->toPlainText().isEmpty());
  w.show_for_run();
  w.add_line(cp932::from_unicode("-----* 処理の開始 *-----\r\n"));
  w.add_line("x\r\n\r\n\r\n");
  w.add_line("last");
  EXPECT_EQ(w.log_view->toPlainText(), u8("-----* 処理の開始 *-----\n\nx\n\n\n\nlast"));
  QTest::mouseClick(w.close_button, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  w.show_for_run();
  w.add_line("second run");
  EXPECT_TRUE(w.log_view->toPlainText().endsWith("last\nsecond run"));
}

TEST(RunWindow, PathsAreShownWithTheHostsSeparator) {
  run_window w;
  w.add_line(cp932::from_unicode("==> /home/u/src") + "\\docs\\" + cp932::from_unicode("表ソ.txt"));
#ifdef _WIN32
  EXPECT_EQ(w.log_view->toPlainText(), u8("==> /home/u/src\\docs\\表ソ.txt"));
#else
  EXPECT_EQ(w.log_view->toPlainText(), u8("==> /home/u/src/docs/表ソ.txt"));
#endif
}

TEST(RunWindow, TheBarShowsWhileALargeFileIsCopiedAndKeepsItsStateWhileHidden) {
  run_window w;
  w.show_for_run();
  EXPECT_FALSE(w.file_bar->isVisible());
  engine::progress_facts facts;
  facts.file_bytes_total = 4 * 131071 - 1;
  facts.file_bytes_done = 2 * 131071;
  w.report(facts);
  EXPECT_TRUE(w.file_bar->isVisible());
  EXPECT_EQ(w.file_bar->maximum(), 4);
  EXPECT_EQ(w.file_bar->value(), 2);
  w.report(engine::progress_facts());
  EXPECT_FALSE(w.file_bar->isVisible());
  EXPECT_EQ(w.file_bar->value(), 2);
  // A file beyond any int still shows as a fraction of the bar.
  facts.file_bytes_total = int64_t{1} << 50;
  facts.file_bytes_done = int64_t{1} << 49;
  w.report(facts);
  EXPECT_NEAR(static_cast<double>(w.file_bar->value()) / w.file_bar->maximum(), 0.5, 0.01);
}

TEST(RunWindow, ABatchShowsItsLinesAndAReaderScrolledUpKeepsHisPlace) {
  run_window w;
  w.show_for_run();
  ui::run_batch batch;
  for (int i = 0; i < 300; ++i) batch.texts.push_back("line " + std::to_string(i));
  batch.texts.push_back("two\r\nlines");
  w.show_batch(batch, 1.0);
  QScrollBar* bar = w.log_view->verticalScrollBar();
  EXPECT_EQ(w.log_view->blockCount(), 302);
  EXPECT_TRUE(w.log_view->toPlainText().endsWith("line 299\ntwo\nlines"));
  EXPECT_EQ(bar->value(), bar->maximum());  // at the end: the view follows the run
  bar->setValue(10);
  w.show_batch(batch, 2.0);
  EXPECT_EQ(bar->value(), 10);
  bar->setValue(bar->maximum());
  w.add_line("closing");
  EXPECT_EQ(bar->value(), bar->maximum());
}

// Saves the log through ログ保存終了 into `path` and returns the file's bytes.
std::string save_through_button(run_window& w, const std::string& path) {
  w.ask_save_path = [&path] { return QString::fromStdString(path); };
  QTest::mouseClick(w.save_log_button, Qt::LeftButton);
  return testing_support::read_file(path);
}

TEST(RunWindow, TheSavedLogIsTheShownLogByteForByteAndTheWindowCloses) {
  testing_support::temp_folder dir;
  run_window w;
  EXPECT_FALSE(w.save_log_button->isEnabled());  // no log yet
  w.show_for_run();
  ui::run_batch batch;
  batch.texts = {cp932::from_unicode("履歴バックアップ初回処理。"),
                 cp932::from_unicode("==> /home/u/書類") + "\\" + cp932::from_unicode("表.txt"),
                 "ends in a pair\r\n"};
  w.show_batch(batch, 0);
  EXPECT_FALSE(w.save_log_button->isEnabled());  // a run works
  EXPECT_FALSE(w.save_log_and_close());
  w.run_ended();
  w.add_line(cp932::from_unicode("処理は終了しました。"));
  ASSERT_TRUE(w.save_log_button->isEnabled());
  const std::string saved = save_through_button(w, dir.at("log.txt"));
  EXPECT_EQ(saved, (w.log_view->toPlainText() + "\n").toUtf8().toStdString());
  EXPECT_EQ(saved, u8("履歴バックアップ初回処理。\n==> /home/u/書類/表.txt\nends in a pair\n\n"
                      "処理は終了しました。\n")
                       .toUtf8()
                       .toStdString());
  EXPECT_FALSE(w.isVisible());
}

TEST(RunWindow, TheViewKeepsTheLastLinesAndTheSavedLogHasEveryLine) {
  testing_support::temp_folder dir;
  run_window w;
  w.show_for_run();
  std::string expected;
  const int total = run_window::k_kept_lines + 2345;
  for (int done = 0; done < total;) {
    ui::run_batch batch;  // batches of 700 lines, as a fast run gives them
    for (int i = 0; i < 700 && done < total; ++i, ++done) {
      batch.texts.push_back(cp932::from_unicode("行 ") + std::to_string(done));
      expected += "行 " + std::to_string(done) + "\n";
    }
    w.show_batch(batch, 0);
  }
  w.run_ended();
  EXPECT_EQ(w.log_view->blockCount(), run_window::k_kept_lines);
  const std::string shown = (w.log_view->toPlainText() + "\n").toUtf8().toStdString();
  const std::string saved = save_through_button(w, dir.at("log.txt"));
  EXPECT_EQ(saved, expected);
  // What the view still shows is the end of the saved file, byte for byte.
  ASSERT_GE(saved.size(), shown.size());
  EXPECT_EQ(saved.substr(saved.size() - shown.size()), shown);
  EXPECT_TRUE(shown.rfind("行 2345\n", 0) == 0);
}

TEST(RunWindow, ASaveThatCannotBeWrittenIsToldAndNoAnswerSavesNothing) {
  testing_support::temp_folder dir;
  captured_messages messages;
  run_window w;
  w.model.messages = &messages;
  w.show_for_run();
  w.add_line("one line");
  w.run_ended();
  w.ask_save_path = [] { return QString(); };  // the dialog was cancelled
  EXPECT_FALSE(w.save_log_and_close());
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(messages.texts.empty());
  testing_support::write_file(dir.at("blocker"), "a file, not a folder");
  const std::string path = dir.at("blocker") + "/log.txt";
  w.ask_save_path = [&path] { return QString::fromStdString(path); };
  EXPECT_FALSE(w.save_log_and_close());
  EXPECT_TRUE(w.isVisible());
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0],
            u8("ログを保存できませんでした。\r\n") + QString::fromStdString(path));
  // The log goes on being kept after a failed save.
  w.add_line("two");
  EXPECT_EQ(save_through_button(w, dir.at("log.txt")), "one line\ntwo\n");
}

TEST(RunWindow, CountsBytesTheEstimateAndTheCurrentPathShowUnderTheLog) {
  run_window w;
  w.resize(400, 300);
  w.show_for_run();
  EXPECT_TRUE(w.progress_line->text().isEmpty());
  ui::run_batch batch;
  engine::progress_facts f;
  f.entries_done = 1234;
  f.entries_total = 20000;
  f.bytes_done = 12898509;
  f.bytes_total = int64_t{40} << 20;
  f.current_path = "/home/u/src\\" + std::string(200, 'x') + "\\" + cp932::from_unicode("最後.txt");
  batch.facts = f;
  w.show_batch(batch, 10);
  EXPECT_EQ(w.progress_line->text(), u8("1,234 / 20,000 件  12.3 MiB / 40.0 MiB  残り約 2:15"));
  const QString path = u8("/home/u/src/") + QString(200, 'x') + u8("/最後.txt");
  EXPECT_EQ(w.path_line->toolTip(), path);
  // Too long for the window: both ends stay readable.
  EXPECT_TRUE(w.path_line->text().startsWith("/home/u"));
  EXPECT_TRUE(w.path_line->text().endsWith(u8("最後.txt")));
  EXPECT_LT(w.path_line->text().size(), path.size());
}

}  // namespace
}  // namespace zolk_qt
