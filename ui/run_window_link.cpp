#include "ui/run_window_link.h"

namespace ui {
namespace {

// A run started before the run window was attached writes nowhere.
class null_log : public engine::run_log {
 public:
  void add_line(const std::string&) override {}
  void add_message(engine::front_msg) override {}
};

}  // namespace

void run_window_link::show_for_run() {
  if (window_ != nullptr) window_->show_for_run();
  if (start_timer) start_timer();
}

void run_window_link::run_ended() {
  if (stop_timer) stop_timer();
  if (window_ != nullptr) window_->run_ended();
}

engine::run_log& run_window_link::log() {
  static null_log unattached;
  if (window_ != nullptr) return *window_;
  return unattached;
}

engine::run_progress& run_window_link::progress() {
  if (window_ != nullptr) return *window_;
  return no_progress_;
}

void run_window_link::show_batch(const run_batch& batch, double elapsed_seconds) {
  if (window_ != nullptr) window_->show_batch(batch, elapsed_seconds);
}

void run_window_link::alert() {
  if (sound) sound();
}

}  // namespace ui
