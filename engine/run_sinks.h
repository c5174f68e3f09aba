// The two sinks through which a run reports: its log lines and its progress bar. The run
// window implements both; zolk-cli and tests give their own.
#ifndef ZOLK_ENGINE_RUN_SINKS_H
#define ZOLK_ENGINE_RUN_SINKS_H

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class run_log {
 public:
  virtual ~run_log() = default;
  // Appends a CP932 text as a new line; each CR LF inside it starts a further line.
  virtual void add_line(const std::string& text) = 0;
};

// One bar shared by every caller. Values are 64-bit so no total can overflow.
class run_progress {
 public:
  virtual ~run_progress() = default;
  virtual void show_progress() = 0;
  virtual void hide_progress() = 0;
  virtual void set_progress_min(int64_t n) = 0;
  virtual void set_progress_max(int64_t n) = 0;
  virtual void set_progress_step(int64_t n) = 0;
  virtual void set_progress_position(int64_t n) = 0;
  virtual void advance_progress() = 0;
};

// Splits a log text into the lines it shows: at each CR LF.
std::vector<std::string> split_log_text(const std::string& text);

// Records what it is told, for tests and for front ends that print afterwards.
class recording_log : public run_log {
 public:
  void add_line(const std::string& text) override;
  const std::vector<std::string>& texts() const { return texts_; }  // one per add_line
  const std::vector<std::string>& lines() const { return lines_; }  // as shown
 private:
  std::vector<std::string> texts_;
  std::vector<std::string> lines_;
};

// Records every call as text: "show", "hide", "min 0", "max 2", "step 1", "position 0",
// "advance"; also keeps the bar's state.
class recording_progress : public run_progress {
 public:
  void show_progress() override;
  void hide_progress() override;
  void set_progress_min(int64_t n) override;
  void set_progress_max(int64_t n) override;
  void set_progress_step(int64_t n) override;
  void set_progress_position(int64_t n) override;
  void advance_progress() override;
  const std::vector<std::string>& calls() const { return calls_; }
  bool visible() const { return visible_; }
  int64_t position() const { return position_; }
  int64_t maximum() const { return max_; }

 private:
  std::vector<std::string> calls_;
  bool visible_ = false;
  int64_t min_ = 0, max_ = 100, step_ = 1, position_ = 0;
};

// Ignores everything (runs whose progress nobody watches).
class null_progress : public run_progress {
 public:
  void show_progress() override {}
  void hide_progress() override {}
  void set_progress_min(int64_t) override {}
  void set_progress_max(int64_t) override {}
  void set_progress_step(int64_t) override {}
  void set_progress_position(int64_t) override {}
  void advance_progress() override {}
};

}  // namespace engine

#endif
