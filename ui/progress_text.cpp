#include "ui/progress_text.h"

#include <cstdio>

#include "engine/common/progress_estimate.h"
#include "ui/window_texts.h"

namespace ui {

std::string grouped_count(int64_t n) {
  // Unsigned, so the lowest int64_t has a magnitude too.
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  std::string digits;
  int in_group = 0;
  do {
    if (in_group == 3) {
      digits.insert(digits.begin(), ',');
      in_group = 0;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
    ++in_group;
  } while (magnitude != 0);
  return n < 0 ? "-" + digits : digits;
}

std::string byte_size_text(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static const char* const k_units[] = {"KiB", "MiB", "GiB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  // A value that one decimal would round up to 1024.0 is shown in the next unit.
  while (value >= 1023.95 && unit + 1 < std::size(k_units)) {
    value /= 1024;
    ++unit;
  }
  char out[48];
  std::snprintf(out, sizeof out, "%.1f %s", value, k_units[unit]);
  return out;
}

std::string progress_counts_text(const engine::progress_facts& facts, double elapsed_seconds) {
  if (facts.entries_total <= 0 && facts.entries_done <= 0 && facts.bytes_total <= 0) return {};
  std::string out = grouped_count(facts.entries_done) + " / " + grouped_count(facts.entries_total) +
                    " " + text(wt::entries_unit);
  if (facts.bytes_total > 0) {
    out += "  " + byte_size_text(facts.bytes_done) + " / " + byte_size_text(facts.bytes_total);
  }
  const int64_t left = engine::seconds_left(facts, elapsed_seconds);
  if (left >= 0) out += "  " + text(wt::time_left) + engine::duration_text(left);
  return out;
}

}  // namespace ui
