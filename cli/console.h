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
  int64_t lines_written() const { return lines_; }

 private:
  int64_t lines_ = 0;
};

// Draws one line on standard error, and only when that is a terminal: a bar of the entries
// done, the counts, the bytes, and the file being copied. Redrawn at most ten times a second.
class console_progress : public engine::run_progress {
 public:
  console_progress();
  ~console_progress() override;
  void report(const engine::progress_facts& facts) override;

 private:
  void draw(const engine::progress_facts& facts);
  bool terminal_;
  bool drawn_ = false;
  int64_t last_draw_ms_ = -1000;
};

// The exit status a run's summary calls for.
int exit_status(const engine::run_summary& summary);

// An error message for the user, on standard error.
void print_error(const std::string& utf8_message);

}  // namespace cli

#endif
