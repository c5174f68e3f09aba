// run_window on Windows: the run window. Shows the run log and the progress of a run,
// which works on a worker thread: the main window hands it what the run reported in batches
// on a timer, so the window stays live (it can be moved, scrolled and closed while the run
// works).
//
// What the window keeps, when it closes and what ログ保存終了 saves is its ui::run_window_model's;
// the session log's lines end in CR LF.
//
// The controls by role: log_view, status_label (ステータス), file_bar, progress_line,
// path_line, stop_button (中止), save_log_button (ログ保存終了), close_button (終了).
#ifndef ZOLK_UI_WIN32_RUN_WINDOW_H
#define ZOLK_UI_WIN32_RUN_WINDOW_H

#include <functional>
#include <string>
#include <vector>

#include "engine/common/run_sinks.h"
#include "platform/host.h"
#include "ui/main_window.h"
#include "ui/progress_model.h"
#include "ui/run_window_link.h"
#include "ui/run_window_model.h"
#include "ui/win32/win32_window.h"

namespace zolk_win32 {

class run_window : public window, public ui::run_window_view {
 public:
  static constexpr int k_kept_lines = ui::run_window_model::k_kept_lines;

  explicit run_window(host::host& h);
  ~run_window() override;

  // ui::run_window_view, on the window's thread.
  void add_line(const std::string& text) override;
  void add_message(engine::front_msg id) override;
  void report(const engine::progress_facts& facts) override;
  void show_batch(const ui::run_batch& batch, double elapsed_seconds) override;
  void show_for_run() override;
  void run_ended() override;
  bool run_working() const { return model.running(); }

  // The window's state and its session log; the main window attaches it to its logic.
  ui::run_window_model model;
  // Asks for the file ログ保存終了 saves into (CP932); an empty answer saves nothing. The
  // system's save dialog unless replaced (tests give a path).
  std::function<std::string()> ask_save_path;

  // ログ保存終了: the whole log into a file the user names, then the window hides. False when
  // nothing was saved.
  bool save_log_and_close();

  // The lines the view shows now, in order (for tests and the screenshots).
  std::vector<std::wstring> shown_lines() const;

  HWND log_view = nullptr;
  HWND status_label = nullptr;
  HWND file_bar = nullptr;
  HWND progress_line = nullptr;  // entries and bytes done, time left
  HWND path_line = nullptr;      // the entry being worked on, shortened in the middle
  HWND stop_button = nullptr;
  HWND save_log_button = nullptr;
  HWND close_button = nullptr;

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void lay_out();
  void append_lines(const std::vector<std::wstring>& lines);
  void render_bar();
  void show_buttons();
  void close_asked();
  std::string save_dialog();

  ui::progress_model bar_;
  HFONT font_ = nullptr;
  int dpi_ = 96;
};

}  // namespace zolk_win32

#endif
