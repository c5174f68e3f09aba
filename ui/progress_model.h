// The state of the run window's progress bar as the engine sets it (64-bit values), and the
// whole-number range a toolkit bar can show: a total beyond that range is scaled down, so
// no restore weight or file length can overflow the bar.
#ifndef ZOLK_UI_PROGRESS_MODEL_H
#define ZOLK_UI_PROGRESS_MODEL_H

#include <cstdint>

#include "engine/common/run_sinks.h"

namespace ui {

class progress_model {
 public:
  // The bar of a run window follows the file being copied: shown only while a file longer
  // than one block (131071 bytes) is copied, from 0 to length / block + 1, one step per block
  // written; hidden between files, keeping its bounds.
  void show_facts(const engine::progress_facts& facts);
  bool visible() const { return visible_; }

  int64_t maximum() const { return max_; }
  int64_t position() const { return position_; }

  // The bar's bounds and value, all within 0..k_bar_limit, with value between the bounds.
  int bar_min() const { return 0; }
  int bar_max() const;
  int bar_value() const;

  static constexpr int64_t k_bar_limit = 1 << 30;

 private:
  int64_t scale() const;  // the divisor that brings the maximum within k_bar_limit
  int to_bar(int64_t n) const;

  bool visible_ = false;
  int64_t max_ = 100;
  int64_t position_ = 0;
};

}  // namespace ui

#endif
