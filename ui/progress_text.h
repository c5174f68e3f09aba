// The words under the run window's log: how many entries and bytes a run has done of how
// many, and the time it may still take. CP932, as every window text.
#ifndef ZOLK_UI_PROGRESS_TEXT_H
#define ZOLK_UI_PROGRESS_TEXT_H

#include <cstdint>
#include <string>

#include "engine/common/run_sinks.h"

namespace ui {

// A count with thousands separators: "1,234", "-5", "1,000,000".
std::string grouped_count(int64_t n);

// A length in the largest binary unit that keeps it at least 1, with one decimal:
// "512 B", "1.5 KiB", "12.3 MiB", "40.0 GiB" (bytes as a whole number; nothing beyond GiB).
std::string byte_size_text(int64_t bytes);

// "1,234 / 20,000 件  12.3 MiB / 40.0 MiB  残り約 0:42": the byte pair only once the run
// expects to copy bytes, the time left only once engine::seconds_left gives an estimate.
// Empty while the run has planned nothing.
std::string progress_counts_text(const engine::progress_facts& facts, double elapsed_seconds);

}  // namespace ui

#endif
