#include "engine/common/progress_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace engine {

double fraction_done(const progress_facts& facts) {
  const double total = static_cast<double>(facts.bytes_total) +
                       static_cast<double>(facts.entries_total) * k_entry_weight;
  if (total <= 0) return 0;
  const double done = static_cast<double>(facts.bytes_done) +
                      static_cast<double>(facts.entries_done) * k_entry_weight;
  return std::clamp(done / total, 0.0, 1.0);
}

int64_t seconds_left(const progress_facts& facts, double elapsed_seconds) {
  const double fraction = fraction_done(facts);
  if (elapsed_seconds < 2 || fraction < 0.01) return -1;
  return static_cast<int64_t>(std::ceil(elapsed_seconds * (1 - fraction) / fraction));
}

std::string duration_text(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char out[48];
  if (h > 0) {
    std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", h, m, s);
  } else {
    std::snprintf(out, sizeof out, "%lld:%02lld", m, s);
  }
  return out;
}

}  // namespace engine
