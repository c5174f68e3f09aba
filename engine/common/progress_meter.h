// The run's side of progress: counts what the run plans and does, hands the facts to the
// view's sink, and answers whether the user asked the run to stop.
#ifndef ZOLK_ENGINE_PROGRESS_METER_H
#define ZOLK_ENGINE_PROGRESS_METER_H

#include <cstdint>
#include <string>

#include "engine/common/run_sinks.h"

namespace engine {

class progress_meter {
 public:
  // `stop` may be null: then the run is never asked to stop.
  explicit progress_meter(run_progress& sink, const stop_request* stop = nullptr)
      : sink_(sink), stop_(stop) {}
  progress_meter(const progress_meter&) = delete;
  progress_meter& operator=(const progress_meter&) = delete;

  // Adds work the run expects to do (a run learns its work in parts).
  void plan(int64_t entries, int64_t bytes);
  // One entry at a time: begin names it, end counts it done (whatever its outcome).
  void begin_entry(const std::string& path);
  void end_entry();
  // A file copy inside the current entry: its length, then each block as it is written.
  void begin_file(int64_t length);
  void add_file_bytes(int64_t n);
  void end_file();

  bool stop_requested() const { return stop_ != nullptr && stop_->requested(); }
  // The request this meter answers from (null when none), for meters of the run's helpers.
  const stop_request* stop_source() const { return stop_; }
  const progress_facts& facts() const { return facts_; }

 private:
  run_progress& sink_;
  const stop_request* stop_;
  progress_facts facts_;
};

}  // namespace engine

#endif
