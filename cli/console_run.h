// A run on the console: its sinks, Ctrl-C as the request to stop it, and its closing summary.
#ifndef ZOLK_CLI_CONSOLE_RUN_H
#define ZOLK_CLI_CONSOLE_RUN_H

#include <cstdint>

#include "cli/console.h"
#include "cli/progress_text.h"
#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"
#include "platform/interrupt.h"

namespace cli {

// From construction to finish(), the first interrupt (Ctrl-C, SIGTERM, a closed console)
// requests the stop of the run handed stop(); the run ends at its next entry or copy block
// with its stop lines, and zolk-cli exits 1. A second interrupt ends zolk-cli at once with
// status 1 and a line on standard error: the store is safe at any moment and the next backup
// completes it like any cut run.
class console_run {
 public:
  explicit console_run(run_kind kind);
  console_run(const console_run&) = delete;
  console_run& operator=(const console_run&) = delete;

  console_log& log() { return log_; }
  console_progress& progress() { return progress_; }
  const engine::stop_request* stop() const { return &stop_; }

  // Takes the progress line away and prints the closing summary (none for a refused run) on
  // standard output. The exit status the summary calls for.
  int finish(const engine::run_summary& summary);

 private:
  run_kind kind_;
  int64_t start_ms_;
  console_progress progress_;
  console_log log_;  // takes the progress line off only when both go to the terminal
  engine::stop_request stop_;
  host::interrupt_handler interrupt_;
};

}  // namespace cli

#endif
