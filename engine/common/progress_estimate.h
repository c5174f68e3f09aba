// How far a run has come and how long it may still take, from its progress facts: the same
// figures for every view (the run window, the terminal bar).
#ifndef ZOLK_ENGINE_PROGRESS_ESTIMATE_H
#define ZOLK_ENGINE_PROGRESS_ESTIMATE_H

#include <cstdint>
#include <string>

#include "engine/common/run_sinks.h"

namespace engine {

// The share of the work done, 0 to 1. Bytes and entries both count: each entry weighs as much
// as k_entry_weight bytes, for the calls a file costs whatever its length, so a run of many
// tiny files moves as steadily as one of a few large ones. 0 while nothing is planned.
constexpr int64_t k_entry_weight = 64 * 1024;
double fraction_done(const progress_facts& facts);

// The seconds the run may still take after `elapsed_seconds`, or -1 while an estimate would
// mislead: in the first two seconds, or before one hundredth of the work is done.
int64_t seconds_left(const progress_facts& facts, double elapsed_seconds);

// "0:07", "12:30", "1:02:03": minutes and seconds, hours only when there are any.
std::string duration_text(int64_t seconds);

}  // namespace engine

#endif
