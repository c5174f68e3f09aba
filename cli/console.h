// zolk-cli's sinks: run-log lines on standard output, a progress bar on standard error.
#ifndef ZOLK_CLI_CONSOLE_H
#define ZOLK_CLI_CONSOLE_H

#include <cstdint>
#include <string>

#include "engine/run_sinks.h"
#include "engine/run_summary.h"

namespace cli {

// Exit statuses.
constexpr int k_exit_ok = 0;
constexpr int k_exit_failed = 1;  // refused, or an entry failed
constexpr int k_exit_usage = 2;

// Prints each line of the run log as it comes, in the terminal's encoding.
class console_log : public engine::run_log {
 public:
  void add_line(const std::string& text) override;
};

// Draws the bar on standard error, and only when that is a terminal.
class console_progress : public engine::run_progress {
 public:
  console_progress();
  void show_progress() override;
  void hide_progress() override;
  void set_progress_min(int64_t n) override { min_ = n; }
  void set_progress_max(int64_t n) override { max_ = n; }
  void set_progress_step(int64_t n) override { step_ = n; }
  void set_progress_position(int64_t n) override;
  void advance_progress() override { set_progress_position(position_ + step_); }

 private:
  void draw();
  bool terminal_;
  bool visible_ = false;
  int64_t min_ = 0, max_ = 100, step_ = 1, position_ = 0;
  int drawn_ = -1;
};

// The exit status a run's summary calls for.
int exit_status(const engine::run_summary& summary);

// An error message for the user, on standard error.
void print_error(const std::string& utf8_message);

}  // namespace cli

#endif
