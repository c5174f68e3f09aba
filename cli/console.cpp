#include "cli/console.h"

#include <cstdio>

#include "platform/native_path.h"
#include "platform/terminal.h"

namespace cli {
namespace {

// A name may hold a line end or another control character (POSIX allows them). Written as it
// stands it would split one run-log line into two, or move the cursor; written out it stays
// readable and every stdout line stays one run-log line.
std::string controls_written_out(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out;
}

}  // namespace

void console_log::add_line(const std::string& text) {
  for (const std::string& line : engine::split_log_text(text)) {
    const std::string out = controls_written_out(host::terminal_text(host::shown_text(line)));
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
}

console_progress::console_progress() : terminal_(host::stderr_is_terminal()) {}

void console_progress::show_progress() {
  visible_ = true;
  drawn_ = -1;
  draw();
}

void console_progress::hide_progress() {
  if (visible_ && terminal_) std::fputs("\r\033[K", stderr);
  visible_ = false;
}

void console_progress::set_progress_position(int64_t n) {
  position_ = n;
  draw();
}

void console_progress::draw() {
  if (!visible_ || !terminal_) return;
  const int64_t span = max_ > min_ ? max_ - min_ : 1;
  int64_t done = position_ - min_;
  if (done < 0) done = 0;
  if (done > span) done = span;
  const int percent = static_cast<int>(done * 100 / span);
  if (percent == drawn_) return;  // redraw only when the figure changes
  drawn_ = percent;
  const int width = 40;
  const int filled = percent * width / 100;
  std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "########################################",
               width - filled, "                                        ", percent);
  std::fflush(stderr);
}

int exit_status(const engine::run_summary& summary) {
  return summary.ok() ? k_exit_ok : k_exit_failed;
}

void print_error(const std::string& utf8_message) {
  std::fprintf(stderr, "zolk-cli: %s\n", utf8_message.c_str());
}

}  // namespace cli
