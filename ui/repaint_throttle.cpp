#include "ui/repaint_throttle.h"

namespace ui {

bool repaint_throttle::due() {
  const clock::time_point now = now_();
  if (started_ && now - last_ < interval_) return false;
  started_ = true;
  last_ = now;
  return true;
}

}  // namespace ui
