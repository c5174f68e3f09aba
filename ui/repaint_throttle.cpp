#include "ui/repaint_throttle.h"

namespace ui {

bool repaint_throttle::due() {
  const clock::time_point now = now_();
  if (started_ && now - last_ < interval_) return false;
  started_ = true;
  last_ = now;
  return true;
}

void repaint_throttle::mark() {
  started_ = true;
  last_ = now_();
}

}  // namespace ui
