// run_window: the run window. Shows the run log and the progress of a run, which works
// on a worker thread: the main window hands it what the run reported in batches, so the
// window stays live (it can be moved, scrolled and closed while the run works).
//
// What the window keeps, when it closes and what ログ保存終了 saves is its ui::run_window_model's;
// the session log's lines end in LF.
//
// The controls by role, beside the names the window gives them (and their Qt object names):
//   log_view Memo1, status_label Label1 (ステータス), file_bar ProgressBar1,
//   progress_line ProgressText, path_line CurrentPath, stop_button StopButton (中止),
//   save_log_button BitBtn1 (ログ保存終了), close_button BitBtn2 (終了).
#ifndef ZOLK_UI_QT_RUN_WINDOW_H
#define ZOLK_UI_QT_RUN_WINDOW_H

#include <QString>
#include <QWidget>
#include <functional>

#include "engine/common/run_sinks.h"
#include "platform/host.h"
#include "ui/main_window.h"
#include "ui/progress_model.h"
#include "ui/run_window_link.h"
#include "ui/run_window_model.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zolk_qt {

class run_window : public QWidget, public ui::run_window_view {
 public:
  static constexpr int k_kept_lines = ui::run_window_model::k_kept_lines;

  explicit run_window(QWidget* parent = nullptr, host::host& h = host::default_host());
  ~run_window() override;

  // ui::run_window_view, on the window's thread.
  void add_line(const std::string& text) override;
  void add_message(engine::front_msg id) override;
  void report(const engine::progress_facts& facts) override;
  void show_batch(const ui::run_batch& batch, double elapsed_seconds) override;
  void show_for_run() override;
  void run_ended() override;
  bool run_working() const { return model.running(); }

  // The window's state and its session log; the main window sets its on_stop, on_close and
  // messages.
  ui::run_window_model model;
  // Asks for the file ログ保存終了 saves into; an empty answer saves nothing. A file dialog
  // unless replaced (tests give a path).
  std::function<QString()> ask_save_path;

  // ログ保存終了: the whole log into a file the user names, then the window closes. False
  // when nothing was saved.
  bool save_log_and_close();

  QPlainTextEdit* log_view = nullptr;
  QLabel* status_label = nullptr;
  QProgressBar* file_bar = nullptr;
  QLabel* progress_line = nullptr;  // entries and bytes done, time left
  QLabel* path_line = nullptr;      // the entry being worked on, elided in the middle
  QPushButton* stop_button = nullptr;
  QPushButton* save_log_button = nullptr;
  QPushButton* close_button = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void append_lines(const QStringList& lines);
  void render_bar();
  void show_path();
  void show_buttons();

  ui::progress_model bar_;
  QString path_;  // the whole current path, before eliding
};

}  // namespace zolk_qt

#endif
