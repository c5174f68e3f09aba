#include "ui/run_window_model.h"

#include <atomic>
#include <utility>

#include "engine/common/paths.h"
#include "ui/window_texts.h"

namespace ui {
namespace {

// Several run windows of one process (the tests make many) never share a session file.
std::string session_file_name(uint32_t process_id) {
  static std::atomic<unsigned> made{0};
  const unsigned number = made++;
  std::string name = "zolk-log-" + std::to_string(process_id);
  if (number > 0) name += "-" + std::to_string(number);
  return name + ".txt";
}

}  // namespace

run_window_model::run_window_model(host::host& h, std::string temp_folder, std::string line_end)
    : host_(h), temp_folder_(std::move(temp_folder)), line_end_(std::move(line_end)) {
  if (temp_folder_.empty()) temp_folder_ = ".";
}

run_window_model::~run_window_model() {
  if (!session_log_) return;
  session_log_->close();
  session_log_.reset();
  host_.remove_file(session_path_);
}

void run_window_model::attach(main_window& logic, message_port* message_out) {
  on_stop = [&logic] { return logic.stop_run(); };
  on_close = [&logic] { return logic.ask_close(); };
  messages = message_out;
}

void run_window_model::run_started() {
  running_ = true;
  close_after_run_ = false;
  stop_enabled_ = true;
}

bool run_window_model::run_ended() {
  running_ = false;
  stop_enabled_ = false;
  const bool close_now = close_after_run_;
  close_after_run_ = false;
  return close_now;
}

bool run_window_model::stop_pressed() {
  if (!on_stop || !on_stop()) return false;
  stop_enabled_ = false;
  return true;
}

bool run_window_model::close_asked() {
  const close_answer answer = running_ && on_close ? on_close() : close_answer::close_now;
  if (answer == close_answer::after_run) {
    close_after_run_ = true;
    stop_enabled_ = false;
  }
  return answer == close_answer::close_now;
}

void run_window_model::add_lines(const std::vector<std::string>& utf8_lines) {
  for (const std::string& line : utf8_lines) kept_.push_back(line);
  while (kept_.size() > static_cast<size_t>(k_kept_lines)) kept_.pop_front();
  keep_in_file(utf8_lines);
}

void run_window_model::keep_in_file(const std::vector<std::string>& utf8_lines) {
  if (file_failed_) return;
  if (!session_log_) {
    session_path_ = engine::path_join(temp_folder_, session_file_name(host_.process_id()));
    session_log_ = host_.open_write(session_path_);
    if (!session_log_) {
      file_failed_ = true;
      return;
    }
  }
  std::string bytes;
  for (const std::string& line : utf8_lines) bytes += line + line_end_;
  if (!session_log_->write(bytes.data(), bytes.size())) file_failed_ = true;
}

bool run_window_model::save_log(const std::string& path) {
  if (!save_enabled() || path.empty()) return false;
  if (write_log(path)) return true;
  if (messages != nullptr) messages->show_message(text(wt::log_save_failed) + path);
  return false;
}

// The whole session from its file (without one, the lines kept), written beside the target
// and put in its place only when complete.
bool run_window_model::write_log(const std::string& path) {
  const std::string part = path + ".zolk-part";
  std::unique_ptr<host::file> out = host_.open_write(part);
  if (!out) return false;
  bool copied = true;
  if (file_failed_ || !session_log_) {
    std::string bytes;
    for (const std::string& line : kept_) bytes += line + line_end_;
    copied = out->write(bytes.data(), bytes.size());
  } else {
    const int64_t length = session_log_->length();
    copied = length >= 0 && session_log_->seek(0);
    std::vector<char> block(1 << 16);
    int64_t done = 0;
    while (copied && done < length) {
      const int64_t n = session_log_->read(block.data(), block.size());
      copied = n > 0 && out->write(block.data(), static_cast<size_t>(n));
      done += n;
    }
    if (length >= 0) session_log_->seek(static_cast<uint64_t>(length));
  }
  copied = out->close() && copied;
  out.reset();
  if (!copied || !host_.replace_file(part, path)) {
    host_.remove_file(part);
    return false;
  }
  return true;
}

}  // namespace ui
