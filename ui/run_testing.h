// For tests of runs on the worker thread: a copy that holds the run until the test lets it
// go on, so a test acts while the run certainly works, whatever the speed of the machine.
#ifndef ZOLK_UI_RUN_TESTING_H
#define ZOLK_UI_RUN_TESTING_H

#include <atomic>
#include <future>
#include <string>

#include "platform/testing/fault_host.h"

namespace ui_testing {

class held_copy {
 public:
  // The first read of the next file opened whose path holds `fragment` waits for release().
  held_copy(host::fault_host& h, const std::string& fragment) {
    h.change_on_read(fragment, [this] {
      reached_ = true;
      open_.wait();
    });
  }
  ~held_copy() { release(); }
  held_copy(const held_copy&) = delete;
  held_copy& operator=(const held_copy&) = delete;

  // True once the run waits in the held copy.
  bool reached() const { return reached_; }
  void release() {
    if (!released_) gate_.set_value();
    released_ = true;
  }

 private:
  std::promise<void> gate_;
  std::shared_future<void> open_ = gate_.get_future().share();
  std::atomic<bool> reached_{false};
  bool released_ = false;
};

}  // namespace ui_testing

#endif
