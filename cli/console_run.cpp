#include "cli/console_run.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/terminal.h"

namespace cli {
namespace {

// The request is made inside a signal handler, where only a lock-free atomic may be touched.
static_assert(std::atomic<bool>::is_always_lock_free, "stop_request must be signal-safe");

void request_stop(void* stop) { static_cast<engine::stop_request*>(stop)->request(); }

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string second_interrupt_message(run_kind kind) {
  // Starts on a line of its own, below a progress line.
  std::string out = host::stderr_is_terminal() ? "\n" : "";
  out += kind == run_kind::backup ? "zolk-cli: ended at once; the next backup completes this run\n"
                                  : "zolk-cli: ended at once; the target holds part of the point\n";
  return out;
}

}  // namespace

console_run::console_run(run_kind kind)
    : kind_(kind),
      start_ms_(now_ms()),
      log_(host::stdout_is_terminal() ? &progress_ : nullptr, true),
      interrupt_(request_stop, &stop_, second_interrupt_message(kind)) {
  progress_.release_lines_of(&log_);
}

int console_run::finish(const engine::run_summary& summary) {
  log_.flush();
  progress_.hide();
  const std::string line =
      closing_summary(kind_, summary, static_cast<double>(now_ms() - start_ms_) / 1000);
  if (!line.empty()) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  return exit_status(summary);
}

}  // namespace cli
