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

class console_progress;

// Prints each line of the run log as it comes, in the terminal's encoding. A progress line
// on the same terminal is taken off while the lines are written and put back after them.
class console_log : public engine::run_log {
 public:
  explicit console_log(console_progress* progress_line = nullptr) : progress_line_(progress_line) {}
  void add_line(const std::string& text) override;
  // On standard error, so that standard output keeps exactly the run-log lines.
  void add_reason(const std::string& reason) override;
  int64_t lines_written() const { return lines_; }

 private:
  console_progress* progress_line_;
  int64_t lines_ = 0;
};

// Draws one line on standard error, and only when that is a terminal (progress_text.h says
// what it holds), fitted to the terminal's width. Redrawn at most ten times a second; cleared
// when it ends.
class console_progress : public engine::run_progress {
 public:
  console_progress();
  ~console_progress() override;
  void report(const engine::progress_facts& facts) override;
  // Takes the line off the terminal, and puts it back, around other text written there.
  void hide();
  void show();

 private:
  void put(const std::string& line);
  bool terminal_;
  std::string line_;       // the line last drawn
  int drawn_columns_ = 0;  // the columns it took on the terminal; 0 when none is shown
  int64_t start_ms_;
  int64_t last_draw_ms_ = -1000;
};

// The exit status a run's summary calls for.
int exit_status(const engine::run_summary& summary);

// A CP932 text as one line of the terminal: in its encoding, paths with the host's
// separator, every control character written out (a name never splits the line).
std::string shown_line(const std::string& cp932_text);

// An error message for the user, on standard error.
void print_error(const std::string& utf8_message);

}  // namespace cli

#endif
