// Trun_win: the run window. Shows the run log (Memo1) and the progress bar of a run; it is
// both sinks of the engine. A run is synchronous, so the sinks let the window repaint now
// and then, with user input held back until the run returns.
#ifndef ZOLK_UI_QT_RUN_WIN_H
#define ZOLK_UI_QT_RUN_WIN_H

#include <QWidget>

#include "engine/run_sinks.h"
#include "ui/progress_model.h"
#include "ui/repaint_throttle.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zolk_qt {

class Trun_win : public QWidget, public engine::run_log, public engine::run_progress {
 public:
  explicit Trun_win(QWidget* parent = nullptr);

  void add_line(const std::string& text) override;
  void report(const engine::progress_facts& facts) override;

  // Shows the window without blocking and paints it before a run begins.
  void show_for_run();
  // Paints the state a run left.
  void run_ended();

  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

 private:
  void BitBtn2Click();
  void render_bar();
  void repaint_if_due();

  ui::progress_model bar_;
  ui::repaint_throttle throttle_;
};

}  // namespace zolk_qt

#endif
