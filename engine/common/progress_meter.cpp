#include "engine/common/progress_meter.h"

namespace engine {

void progress_meter::plan(int64_t entries, int64_t bytes) {
  facts_.entries_total += entries;
  facts_.bytes_total += bytes;
  sink_.report(facts_);
}

void progress_meter::begin_entry(const std::string& path) {
  facts_.current_path = path;
  sink_.report(facts_);
}

void progress_meter::end_entry() {
  ++facts_.entries_done;
  // Entries the plan did not foresee (a folder grew while the run worked) widen the total,
  // so done never runs past it.
  if (facts_.entries_done > facts_.entries_total) facts_.entries_total = facts_.entries_done;
  facts_.current_path.clear();
  sink_.report(facts_);
}

void progress_meter::begin_file(int64_t length) {
  facts_.file_bytes_total = length;
  facts_.file_bytes_done = 0;
  sink_.report(facts_);
}

void progress_meter::add_file_bytes(int64_t n) {
  facts_.file_bytes_done += n;
  facts_.bytes_done += n;
  if (facts_.bytes_done > facts_.bytes_total) facts_.bytes_total = facts_.bytes_done;
  sink_.report(facts_);
}

void progress_meter::end_file() {
  facts_.file_bytes_total = -1;
  facts_.file_bytes_done = 0;
  sink_.report(facts_);
}

}  // namespace engine
