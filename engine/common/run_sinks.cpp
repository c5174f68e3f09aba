#include "engine/common/run_sinks.h"

namespace engine {

std::vector<std::string> split_log_text(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find("\r\n", start);
    if (at == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, at - start));
    start = at + 2;
  }
}

void recording_log::add_line(const std::string& text) {
  texts_.push_back(text);
  for (std::string& line : split_log_text(text)) lines_.push_back(std::move(line));
}

void recording_log::add_message(front_msg id) {
  messages_.push_back(id);
  add_line(message_line(id));
}

std::string recording_log::message_line(front_msg id) {
  return "<front_msg " + std::to_string(static_cast<int>(id)) + ">";
}

void report_failure_reason(host::host& h, run_log& log) {
  const std::string reason = h.take_failure_reason();
  if (!reason.empty()) log.add_reason(reason);
}

}  // namespace engine
