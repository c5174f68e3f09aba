// The sinks through which a run reports (its log lines and its progress) and the request by
// which it is stopped. The run window implements the sinks; zolk-cli and tests give their own.
#ifndef ZOLK_ENGINE_RUN_SINKS_H
#define ZOLK_ENGINE_RUN_SINKS_H

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/messages.h"
#include "platform/host.h"

namespace engine {

class run_log {
 public:
  virtual ~run_log() = default;
  // Appends a CP932 text as a new line; each CR LF inside it starts a further line.
  virtual void add_line(const std::string& text) = 0;
  // Tells, in the system's own words (CP932), why the entry the lines just added name could
  // not be handled. Views show it apart from the run's own lines, which stay exactly as they
  // are (zolk-cli on standard error, the window as a detail line); the default drops it.
  virtual void add_reason(const std::string& reason) { (void)reason; }
  // Appends, as a new line, the front end's own words for `id` (front_msg): the engine has
  // none. Every log words every id, so that no line a run writes can go missing.
  virtual void add_message(front_msg id) = 0;
  // A step that adds no line and may take long comes next (a survey of the trees, the push
  // of the store to disk): a view that holds lines back shows them now.
  virtual void flush() {}
};

// Hands the host's reason for its latest failure, when it knows one, to the log.
void report_failure_reason(host::host& h, run_log& log);

// What a run has done so far, as facts. Views decide how to show them (a bar per large file,
// counts, an estimate of the time left); the engine never speaks of bars.
struct progress_facts {
  int64_t entries_done = 0;       // entries finished (copied, moved, created, or failed)
  int64_t entries_total = 0;      // entries the run expects to handle; may grow while it works
  int64_t bytes_done = 0;         // bytes copied so far
  int64_t bytes_total = 0;        // bytes the run expects to copy
  std::string current_path;       // CP932: the entry being worked on; empty between entries
  int64_t file_bytes_done = 0;    // of the file being copied now
  int64_t file_bytes_total = -1;  // its length; -1 while no file is being copied
};

// Receives the facts at the start and end of every entry and after every copied block: often,
// so a view throttles what it draws. Called on the thread that runs the engine.
class run_progress {
 public:
  virtual ~run_progress() = default;
  virtual void report(const progress_facts& facts) = 0;
};

// A request to stop a run, made from any thread (a stop button, Ctrl-C). The run looks at it
// between entries and between the blocks of a copy, and then leaves the store as a cut run
// leaves it, for the next run to complete.
class stop_request {
 public:
  void request() { requested_.store(true, std::memory_order_relaxed); }
  bool requested() const { return requested_.load(std::memory_order_relaxed); }
  void reset() { requested_.store(false, std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

// Splits a log text into the lines it shows: at each CR LF.
std::vector<std::string> split_log_text(const std::string& text);

// Records what it is told, for tests and for front ends that print afterwards. A front_msg
// is kept as its id, and stands in the lines as message_line(id).
class recording_log : public run_log {
 public:
  void add_line(const std::string& text) override;
  void add_reason(const std::string& reason) override { reasons_.push_back(reason); }
  void add_message(front_msg id) override;
  const std::vector<std::string>& texts() const { return texts_; }  // one per add_line
  const std::vector<std::string>& lines() const { return lines_; }  // as shown
  const std::vector<std::string>& reasons() const { return reasons_; }
  const std::vector<front_msg>& messages() const { return messages_; }
  // The line that stands for `id`: "<front_msg N>", N its number.
  static std::string message_line(front_msg id);

 private:
  std::vector<std::string> texts_;
  std::vector<std::string> lines_;
  std::vector<std::string> reasons_;
  std::vector<front_msg> messages_;
};

// Keeps every report, for tests.
class recording_progress : public run_progress {
 public:
  void report(const progress_facts& facts) override { reports_.push_back(facts); }
  const std::vector<progress_facts>& reports() const { return reports_; }
  // The last report; all zero before the first.
  progress_facts last() const { return reports_.empty() ? progress_facts() : reports_.back(); }

 private:
  std::vector<progress_facts> reports_;
};

// Ignores everything (runs whose progress nobody watches).
class null_progress : public run_progress {
 public:
  void report(const progress_facts&) override {}
};

}  // namespace engine

#endif
