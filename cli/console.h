// zolk-cli's sinks: run-log lines on standard output, a progress bar on standard error.
#ifndef ZOLK_CLI_CONSOLE_H
#define ZOLK_CLI_CONSOLE_H

#include <cstdint>
#include <string>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"

namespace cli {

// Exit statuses.
constexpr int k_exit_ok = 0;
constexpr int k_exit_failed = 1;  // refused, or an entry failed
constexpr int k_exit_usage = 2;

class console_progress;

// Prints the lines of the run log in the terminal's encoding. A progress line on the same
// terminal is taken off while the lines are written and put back after them.
// Unbatched, each line goes out as it comes. A run's log is batched: a run writes two lines
// a file, and on tiny files read through a pipe a write a line cost a quarter of it. Its lines go
// out together at most ten times a second: the first after a pause at once, the rest once a
// later line or the progress comes 100 ms after the last write, and all that wait before a
// reason, before a long step without lines (flush), before the closing summary and at the
// end. A process ended at once (a second Ctrl-C) may lose the last tenth of a second.
class console_log : public engine::run_log {
 public:
  explicit console_log(console_progress* progress_line = nullptr, bool batched = false)
      : progress_line_(progress_line), batched_(batched) {}
  ~console_log() override;
  console_log(const console_log&) = delete;
  console_log& operator=(const console_log&) = delete;
  void add_line(const std::string& text) override;
  // On standard error, so that standard output keeps exactly the run-log lines.
  void add_reason(const std::string& reason) override;
  // The command line's words for `id` (cli_texts.h), as one more line of the run log.
  void add_message(engine::front_msg id) override;
  void flush() override;
  // Writes the waiting lines when the last write is 100 ms old.
  void flush_if_due();
  int64_t lines_written() const { return lines_; }

 private:
  console_progress* progress_line_;
  bool batched_;
  std::string waiting_;  // lines not written yet, in the terminal's encoding
  int64_t last_write_ms_ = -1000;
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
  // Each report also lets `log` write the lines it holds back once they are due.
  void release_lines_of(console_log* log) { held_lines_ = log; }

 private:
  void put(const std::string& line);
  console_log* held_lines_ = nullptr;
  bool terminal_;
  std::string line_;       // the line last drawn
  int drawn_columns_ = 0;  // the columns it took on the terminal; 0 when none is shown
  int64_t start_ms_;
  int64_t last_draw_ms_ = -1000;
};

// The exit status a run's summary calls for.
int exit_status(const engine::run_summary& summary);

// A CP932 text as one line of the terminal: in its encoding, paths with the host's
// separator, names written out as typed_names.h says (a name never splits the line, and a
// path shown can be typed back as PATH).
std::string shown_line(const std::string& cp932_text);

// An error message for the user, on standard error.
void print_error(const std::string& utf8_message);

}  // namespace cli

#endif
