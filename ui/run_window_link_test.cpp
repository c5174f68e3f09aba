#include "ui/run_window_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

class recording_view : public run_window_view {
 public:
  void add_line(const std::string& text) override { calls.push_back("line " + text); }
  void add_message(engine::front_msg) override { calls.push_back("message"); }
  void report(const engine::progress_facts& facts) override {
    calls.push_back("facts " + std::to_string(facts.entries_done));
  }
  void show_for_run() override { calls.push_back("show"); }
  void run_ended() override { calls.push_back("ended"); }
  void show_batch(const run_batch& batch, double) override {
    calls.push_back("batch " + std::to_string(batch.texts.size()));
  }
  std::vector<std::string>& calls;
  explicit recording_view(std::vector<std::string>& c) : calls(c) {}
};

TEST(RunWindowLink, TheTimerRunsOnlyWhileARunWorksAndReportsReachTheAttachedWindowOnly) {
  std::vector<std::string> calls;
  run_window_link link;
  link.start_timer = [&] { calls.push_back("timer on"); };
  link.stop_timer = [&] { calls.push_back("timer off"); };
  link.sound = [&] { calls.push_back("sound"); };

  // Nothing attached: the run's reports go nowhere, the timer still drives the run.
  link.show_for_run();
  link.log().add_line("lost");
  engine::progress_facts facts;
  facts.entries_done = 7;
  link.progress().report(facts);
  link.show_batch(run_batch{}, 0);
  link.run_ended();
  EXPECT_EQ(calls, (std::vector<std::string>{"timer on", "timer off"}));

  calls.clear();
  recording_view view(calls);
  link.attach(&view);
  link.show_for_run();
  link.log().add_line("kept");
  link.progress().report(facts);
  run_batch batch;
  batch.texts = {"a", "b"};
  link.show_batch(batch, 1);
  link.alert();
  link.run_ended();
  EXPECT_EQ(calls, (std::vector<std::string>{"show", "timer on", "line kept", "facts 7", "batch 2",
                                             "sound", "timer off", "ended"}));
}

}  // namespace
}  // namespace ui
