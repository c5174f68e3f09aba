#include "cli/console.h"

#include <algorithm>
#include <chrono>
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
    ++lines_;
  }
  std::fflush(stdout);
}

console_progress::console_progress() : terminal_(host::stderr_is_terminal()) {}

console_progress::~console_progress() {
  if (drawn_) std::fputs("\r\033[K", stderr);
}

namespace {

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string mebibytes(int64_t bytes) {
  char out[32];
  std::snprintf(out, sizeof out, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return out;
}

}  // namespace

void console_progress::report(const engine::progress_facts& facts) {
  if (!terminal_) return;
  const int64_t now = now_ms();
  if (now - last_draw_ms_ < 100) return;
  last_draw_ms_ = now;
  draw(facts);
}

void console_progress::draw(const engine::progress_facts& facts) {
  const int64_t total = facts.entries_total > 0 ? facts.entries_total : 1;
  const int percent = static_cast<int>(std::min<int64_t>(facts.entries_done, total) * 100 / total);
  const int width = 20;
  const int filled = percent * width / 100;
  std::string line = "\r\033[K[" + std::string(filled, '#') + std::string(width - filled, ' ') + "] ";
  char counts[96];
  std::snprintf(counts, sizeof counts, "%3d%% %lld/%lld  %s/%s MiB  ", percent,
                static_cast<long long>(facts.entries_done), static_cast<long long>(facts.entries_total),
                mebibytes(facts.bytes_done).c_str(), mebibytes(facts.bytes_total).c_str());
  line += counts;
  line += controls_written_out(host::terminal_text(host::shown_text(facts.current_path)));
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

int exit_status(const engine::run_summary& summary) {
  return summary.ok() ? k_exit_ok : k_exit_failed;
}

void print_error(const std::string& utf8_message) {
  std::fprintf(stderr, "zolk-cli: %s\n", utf8_message.c_str());
}

}  // namespace cli
