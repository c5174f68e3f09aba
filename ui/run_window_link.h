// The main window's link to its run window: what the logic's run_window_port asks, handed to
// whichever run window a view attached (none: the run's reports go nowhere), with the view's
// timer started while a run works and its warning sound.
#ifndef ZOLK_UI_RUN_WINDOW_LINK_H
#define ZOLK_UI_RUN_WINDOW_LINK_H

#include <functional>

#include "engine/common/run_sinks.h"
#include "ui/main_window.h"

namespace ui {

// A run window as the link drives it (the Qt and Win32 run windows), on the view's thread.
// Its sinks show a line of the log, or the newest facts, at once.
class run_window_view : public engine::run_log, public engine::run_progress {
 public:
  // Shows the window without blocking; a run works from now on (中止 enabled).
  virtual void show_for_run() = 0;
  // The run has ended: 中止 disabled, and a close asked for during the run is done now.
  virtual void run_ended() = 0;
  // A batch of the run controller: its texts appended at once, then its facts shown.
  virtual void show_batch(const run_batch& batch, double elapsed_seconds) = 0;
};

class run_window_link : public run_window_port {
 public:
  // The view's: the timer that drives main_window::poll_run while a run works, and the sound.
  std::function<void()> start_timer;
  std::function<void()> stop_timer;
  std::function<void()> sound;

  void attach(run_window_view* window) { window_ = window; }

  void show_for_run() override;
  void run_ended() override;
  engine::run_log& log() override;
  engine::run_progress& progress() override;
  void show_batch(const run_batch& batch, double elapsed_seconds) override;
  void alert() override;

 private:
  run_window_view* window_ = nullptr;
  engine::null_progress no_progress_;
};

}  // namespace ui

#endif
