#include "ui/run_controller.h"

#include <mutex>
#include <utility>

#include "ui/window_texts.h"

namespace ui {

// The worker's sinks: everything goes into one guarded batch that the view swaps out.
class run_controller::queue : public engine::run_log, public engine::run_progress {
 public:
  void add_line(const std::string& text) override {
    std::lock_guard<std::mutex> hold(mutex_);
    pending_.texts.push_back(text);
  }
  // The window shows the reason as one more line, under the line that names the entry.
  void add_reason(const std::string& reason) override {
    add_line(text(wt::failure_reason) + reason);
  }
  void add_message(engine::front_msg id) override { add_line(text(id)); }
  void report(const engine::progress_facts& facts) override {
    std::lock_guard<std::mutex> hold(mutex_);
    pending_.facts = facts;
  }
  void finish(const engine::run_summary& summary) {
    std::lock_guard<std::mutex> hold(mutex_);
    pending_.summary = summary;
    pending_.ended = true;
  }
  run_batch take() {
    std::lock_guard<std::mutex> hold(mutex_);
    run_batch taken = std::move(pending_);
    pending_ = run_batch();
    return taken;
  }

 private:
  std::mutex mutex_;
  run_batch pending_;
};

run_controller::run_controller() : queue_(std::make_shared<queue>()) {}

run_controller::~run_controller() {
  stop_.request();
  join();
}

bool run_controller::start(work w) {
  if (state_ != run_state::idle) return false;
  join();
  stop_.reset();
  queue_->take();  // nothing of an earlier run is left to hand on
  state_ = run_state::running;
  started_ = std::chrono::steady_clock::now();
  worker_ = std::thread([this, w = std::move(w), q = queue_] {
    const engine::run_summary summary = w(*q, *q, stop_);
    q->finish(summary);
  });
  return true;
}

void run_controller::request_stop() {
  if (state_ != run_state::running) return;
  stop_.request();
  state_ = run_state::stopping;
}

run_batch run_controller::take() {
  run_batch batch = queue_->take();
  if (batch.ended) {
    join();
    state_ = run_state::idle;
  }
  return batch;
}

double run_controller::elapsed_seconds() const {
  if (started_ == std::chrono::steady_clock::time_point{}) return 0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void run_controller::join() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace ui
