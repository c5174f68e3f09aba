// A run of the desktop program on a worker thread, and what it reports handed to the view in
// batches. The view calls every member on its own thread; the engine runs on the worker and
// writes into a queue that the view empties when it looks (on a timer), so a run of many
// entries never posts one event per line.
#ifndef ZOLK_UI_RUN_CONTROLLER_H
#define ZOLK_UI_RUN_CONTROLLER_H

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"

namespace ui {

enum class run_state {
  idle,      // no run works (or the end of the last one has been taken)
  running,   // a run works
  stopping,  // a run works and has been asked to stop
};

// What a run reported since the view last looked.
struct run_batch {
  std::vector<std::string> texts;               // add_line texts (CP932), in their order
  std::optional<engine::progress_facts> facts;  // the newest facts, when any came
  bool ended = false;                           // the run has returned, with:
  engine::run_summary summary;
};

class run_controller {
 public:
  // The run itself, called on the worker with the sinks it writes into and the stop request
  // it must look at.
  using work = std::function<engine::run_summary(engine::run_log&, engine::run_progress&,
                                                 const engine::stop_request&)>;

  run_controller();
  // A run still working is asked to stop and waited for.
  ~run_controller();
  run_controller(const run_controller&) = delete;
  run_controller& operator=(const run_controller&) = delete;

  // Starts `w` on a worker thread. False, starting nothing, unless the state is idle.
  bool start(work w);
  // Asks the working run to stop (running becomes stopping); nothing otherwise.
  void request_stop();
  run_state state() const { return state_; }
  bool working() const { return state_ != run_state::idle; }
  // Takes what was reported since the last call. Once the run has returned and everything
  // it wrote has been taken, the batch says it ended and the state is idle again.
  run_batch take();
  // Seconds since the working (or last) run started.
  double elapsed_seconds() const;

 private:
  class queue;
  void join();

  std::shared_ptr<queue> queue_;
  engine::stop_request stop_;
  std::thread worker_;
  run_state state_ = run_state::idle;
  std::chrono::steady_clock::time_point started_{};
};

}  // namespace ui

#endif
