// Decides when a window that is written to during a synchronous run should let the toolkit
// repaint: at the first call and then at most once per interval, so a run of many small
// entries does not spend its time painting.
#ifndef ZOLK_UI_REPAINT_THROTTLE_H
#define ZOLK_UI_REPAINT_THROTTLE_H

#include <chrono>
#include <functional>

namespace ui {

class repaint_throttle {
 public:
  using clock = std::chrono::steady_clock;
  explicit repaint_throttle(std::chrono::milliseconds interval = std::chrono::milliseconds(40),
                            std::function<clock::time_point()> now = &clock::now)
      : interval_(interval), now_(std::move(now)) {}

  // True when a repaint is due now; it then counts as done.
  bool due();
  // Starts the interval again now (after a long repaint, so the run gets its share).
  void mark();
  // Makes the next call to due() answer true (after a run, so its last state shows).
  void reset() { started_ = false; }

 private:
  std::chrono::milliseconds interval_;
  std::function<clock::time_point()> now_;
  clock::time_point last_{};
  bool started_ = false;
};

}  // namespace ui

#endif
