// The run window apart from its widgets: whether a run works, whether the window is to close
// when it ends, which buttons are enabled, the lines the view keeps, and the session log.
//
// Every line the program's session shows also goes to a file in the temporary folder, made
// with the first line and removed with the model; ログ保存終了 saves it whole, as UTF-8 text
// with the view's line end. Without that file (it could not be made or written) the save
// writes the lines still kept. A view shows what the model says and asks it before it acts.
#ifndef ZOLK_UI_RUN_WINDOW_MODEL_H
#define ZOLK_UI_RUN_WINDOW_MODEL_H

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/main_window.h"

namespace ui {

class run_window_model {
 public:
  static constexpr int k_kept_lines = 5000;

  // The session file goes into `temp_folder` (CP932; "." when empty); its lines end in
  // `line_end`.
  run_window_model(host::host& h, std::string temp_folder, std::string line_end);
  ~run_window_model();
  run_window_model(const run_window_model&) = delete;
  run_window_model& operator=(const run_window_model&) = delete;

  // What 中止 does (the main window asks and stops the run): true when the stop was asked for.
  std::function<bool()> on_stop;
  // Asked when the window is closed (frame, 終了 or Escape) during a run; unset: it closes.
  std::function<close_answer()> on_close;
  // Where a failed save is told (none: not told).
  message_port* messages = nullptr;
  // 中止 and closing go to `logic` (stop_run, ask_close), a failed save to `messages`.
  void attach(main_window& logic, message_port* message_out);

  // A run works from now on: 中止 enabled, no close pending.
  void run_started();
  // The run has ended: 中止 disabled. True when a close asked for during the run is due now.
  bool run_ended();
  bool running() const { return running_; }

  // 中止 pressed: true when the run was asked to stop (中止 is then disabled).
  bool stop_pressed();
  // The window is to be closed: true when it closes now. During a run the user is asked; a
  // close after the run disables 中止 and closes the window when run_ended says so.
  bool close_asked();
  // Escape closes the window only while no run works.
  bool escape_closes() const { return !running_; }

  bool stop_enabled() const { return stop_enabled_; }
  bool save_enabled() const { return !kept_.empty() && !running_; }

  // Lines the view has just shown (UTF-8, without line ends): kept (the last k_kept_lines)
  // and written to the session file.
  void add_lines(const std::vector<std::string>& utf8_lines);
  // The lines the view keeps, oldest first.
  const std::deque<std::string>& kept_lines() const { return kept_; }

  // ログ保存終了 into `path` (CP932; empty: the user gave none, nothing saved). The file is
  // written beside the target and put in its place only when complete; a failure is told
  // with the path. True when saved: the view then hides the window. Never while a run
  // works or before a line was shown.
  bool save_log(const std::string& path);

 private:
  void keep_in_file(const std::vector<std::string>& utf8_lines);
  bool write_log(const std::string& path);

  host::host& host_;
  std::string temp_folder_;
  std::string line_end_;
  bool running_ = false;
  bool close_after_run_ = false;
  bool stop_enabled_ = false;
  bool file_failed_ = false;  // the session file could not be made or written
  std::deque<std::string> kept_;
  std::string session_path_;
  std::unique_ptr<host::file> session_log_;
};

}  // namespace ui

#endif
