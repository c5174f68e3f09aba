#include "engine/run_sinks.h"

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

void recording_progress::show_progress() {
  calls_.emplace_back("show");
  visible_ = true;
}

void recording_progress::hide_progress() {
  calls_.emplace_back("hide");
  visible_ = false;
}

void recording_progress::set_progress_min(int64_t n) {
  calls_.push_back("min " + std::to_string(n));
  min_ = n;
}

void recording_progress::set_progress_max(int64_t n) {
  calls_.push_back("max " + std::to_string(n));
  max_ = n;
}

void recording_progress::set_progress_step(int64_t n) {
  calls_.push_back("step " + std::to_string(n));
  step_ = n;
}

void recording_progress::set_progress_position(int64_t n) {
  calls_.push_back("position " + std::to_string(n));
  position_ = n;
}

void recording_progress::advance_progress() {
  calls_.emplace_back("advance");
  position_ += step_;
}

}  // namespace engine
