#include "ui/progress_model.h"

#include <algorithm>
#include <limits>

namespace ui {

void progress_model::show_facts(const engine::progress_facts& facts) {
  constexpr int64_t k_block = 131071;
  visible_ = facts.file_bytes_total > k_block;
  if (!visible_) return;
  max_ = facts.file_bytes_total / k_block + 1;
  position_ = std::min(max_, (facts.file_bytes_done + k_block - 1) / k_block);
}

int64_t progress_model::scale() const { return std::max<int64_t>(max_, 0) / k_bar_limit + 1; }

int progress_model::to_bar(int64_t n) const {
  const int64_t clamped = std::clamp<int64_t>(n, 0, std::numeric_limits<int64_t>::max());
  return static_cast<int>(std::min(clamped / scale(), k_bar_limit));
}

int progress_model::bar_max() const { return std::max(bar_min(), to_bar(max_)); }

int progress_model::bar_value() const {
  return std::clamp(to_bar(position_), bar_min(), bar_max());
}

}  // namespace ui
