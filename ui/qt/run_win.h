// Trun_win: the run window. Shows the run log and the progress of a run, which works
// on a worker thread: the main window hands it what the run reported in batches, so the
// window stays live (it can be moved, scrolled and closed while the run works).
//
// The view keeps the last k_kept_lines lines; every line of the program's session also goes
// to a temporary file, which ログ保存終了 saves whole as UTF-8 text, one line per line end.
//
// The controls by role, beside the names the window gives them (and their Qt object names):
//   log_view Memo1, status_label Label1 (ステータス), file_bar ProgressBar1,
//   progress_line ProgressText, path_line CurrentPath, stop_button StopButton (中止),
//   save_log_button BitBtn1 (ログ保存終了), close_button BitBtn2 (終了).
#ifndef ZOLK_UI_QT_RUN_WIN_H
#define ZOLK_UI_QT_RUN_WIN_H

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "engine/common/run_sinks.h"
#include "ui/main_window.h"
#include "ui/progress_model.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTemporaryFile;

namespace zolk_qt {

class Trun_win : public QWidget, public engine::run_log, public engine::run_progress {
 public:
  static constexpr int k_kept_lines = 5000;

  explicit Trun_win(QWidget* parent = nullptr);
  ~Trun_win() override;

  // The sinks, on the window's thread.
  void add_line(const std::string& text) override;
  void add_message(engine::front_msg id) override;
  void report(const engine::progress_facts& facts) override;
  // A batch of the run controller: its texts appended at once, then its facts shown.
  void show_batch(const ui::run_batch& batch, double elapsed_seconds);

  // Shows the window without blocking; a run works from now on (中止 enabled).
  void show_for_run();
  // The run has ended: 中止 disabled, and a close asked for during the run is done now.
  void run_ended();
  bool run_working() const { return running_; }

  // What 中止 does (the main window asks and stops the run): true when the stop was asked for.
  std::function<bool()> on_stop;
  // Asked when the window is closed (frame, 終了 or Escape) during a run; unset: it closes.
  std::function<ui::close_answer()> on_close;
  // Asks for the file ログ保存終了 saves into; an empty answer saves nothing. A file dialog
  // unless replaced (tests give a path).
  std::function<QString()> ask_save_path;
  // Where a failed save is told (none: not told).
  ui::message_port* messages = nullptr;

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
  void keep_in_file(const QStringList& lines);
  bool save_log(const QString& path);
  void refresh_buttons();

  ui::progress_model bar_;
  bool running_ = false;
  bool close_after_run_ = false;
  bool has_log_ = false;
  bool file_failed_ = false;  // the session file could not be made or written
  std::unique_ptr<QTemporaryFile> session_log_;
  QString path_;  // the whole current path, before eliding
};

}  // namespace zolk_qt

#endif
