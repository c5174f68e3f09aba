#include "cli/console.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/cli_texts.h"
#include "cli/progress_text.h"
#include "cli/typed_names.h"
#include "platform/native_path.h"
#include "platform/terminal.h"

namespace cli {
namespace {

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string shown_line(const std::string& cp932_text) {
  return written_out(host::terminal_text(host::shown_text(cp932_text)));
}

console_log::~console_log() { flush(); }

void console_log::add_line(const std::string& text) {
  for (const std::string& line : engine::split_log_text(text)) {
    waiting_ += shown_line(line);
    waiting_ += '\n';
    ++lines_;
  }
  if (batched_) {
    flush_if_due();
  } else {
    flush();
  }
}

void console_log::add_message(engine::front_msg id) { add_line(text(id)); }

void console_log::flush_if_due() {
  if (!waiting_.empty() && now_ms() - last_write_ms_ >= 100) flush();
}

void console_log::flush() {
  if (waiting_.empty()) return;
  if (progress_line_ != nullptr) progress_line_->hide();
  std::fwrite(waiting_.data(), 1, waiting_.size(), stdout);
  std::fflush(stdout);
  waiting_.clear();
  last_write_ms_ = now_ms();
  if (progress_line_ != nullptr) progress_line_->show();
}

void console_log::add_reason(const std::string& reason) {
  flush();
  if (progress_line_ != nullptr) progress_line_->hide();
  const std::string line = text(ct::failure_reason) + reason;
  const std::string out = written_out(host::terminal_text(host::shown_text(line)));
  std::fflush(stdout);
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  if (progress_line_ != nullptr) progress_line_->show();
}

console_progress::console_progress() : terminal_(host::stderr_is_terminal()), start_ms_(now_ms()) {}

console_progress::~console_progress() { hide(); }

void console_progress::report(const engine::progress_facts& facts) {
  if (held_lines_ != nullptr) held_lines_->flush_if_due();
  if (!terminal_) return;
  const int64_t now = now_ms();
  if (now - last_draw_ms_ < 100) return;
  last_draw_ms_ = now;
  const std::string path = written_out(host::terminal_text(host::shown_text(facts.current_path)));
  line_ = progress_line(facts, path, static_cast<double>(now - start_ms_) / 1000,
                        host::stderr_columns());
  put(line_);
}

// Only a carriage return and spaces, no control sequences: every terminal, a Windows console
// included, draws them alike.
void console_progress::put(const std::string& line) {
  const int columns = text_columns(line);
  std::string out = "\r" + line;
  if (drawn_columns_ > columns) out += std::string(drawn_columns_ - columns, ' ') + "\r" + line;
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
  drawn_columns_ = columns;
}

void console_progress::hide() {
  if (drawn_columns_ == 0) return;
  const std::string out = "\r" + std::string(drawn_columns_, ' ') + "\r";
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
  drawn_columns_ = 0;
}

void console_progress::show() {
  if (terminal_ && !line_.empty() && drawn_columns_ == 0) put(line_);
}

int exit_status(const engine::run_summary& summary) {
  return summary.ok() ? k_exit_ok : k_exit_failed;
}

void print_error(const std::string& utf8_message) {
  std::fprintf(stderr, "zolk-cli: %s\n", utf8_message.c_str());
}

}  // namespace cli
