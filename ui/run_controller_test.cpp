#include "ui/run_controller.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "ui/window_texts.h"

namespace ui {
namespace {

using namespace std::chrono_literals;

// Takes batches until the run has ended (a generous bound, never a timing assumption).
std::vector<run_batch> take_until_ended(run_controller& c) {
  std::vector<run_batch> batches;
  const auto give_up = std::chrono::steady_clock::now() + 60s;
  while (std::chrono::steady_clock::now() < give_up) {
    batches.push_back(c.take());
    if (batches.back().ended) return batches;
    std::this_thread::sleep_for(1ms);
  }
  ADD_FAILURE() << "the run never ended";
  return batches;
}

engine::progress_facts facts_of(int64_t entries) {
  engine::progress_facts f;
  f.entries_done = entries;
  f.entries_total = 100;
  return f;
}

TEST(RunController, TheRunWorksOnAnotherThreadAndItsReportsArriveInBatchesInOrder) {
  run_controller c;
  EXPECT_EQ(c.state(), run_state::idle);
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  std::thread::id worker;
  ASSERT_TRUE(c.start(
      [&](engine::run_log& log, engine::run_progress& progress, const engine::stop_request&) {
        worker = std::this_thread::get_id();
        log.add_line("first");
        progress.report(facts_of(1));
        opened.wait();
        log.add_line("second\r\nthird");
        log.add_reason("No space left on device");  // the window shows it under the line before
        progress.report(facts_of(2));
        progress.report(facts_of(3));
        engine::run_summary s;
        s.copied = 7;
        return s;
      }));
  EXPECT_EQ(c.state(), run_state::running);
  // Until the gate opens, the run cannot end.
  run_batch early = c.take();
  EXPECT_FALSE(early.ended);
  EXPECT_TRUE(c.working());
  gate.set_value();

  std::vector<run_batch> batches = take_until_ended(c);
  batches.insert(batches.begin(), early);
  std::vector<std::string> texts;
  for (const run_batch& b : batches) texts.insert(texts.end(), b.texts.begin(), b.texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "first", "second\r\nthird",
                       ui::text(ui::wt::failure_reason) + "No space left on device"}));
  // Only the newest facts are handed on, in the batch that ends the run at the latest.
  std::optional<engine::progress_facts> newest;
  for (const run_batch& b : batches) {
    if (b.facts) newest = b.facts;
  }
  ASSERT_TRUE(newest.has_value());
  EXPECT_EQ(newest->entries_done, 3);
  EXPECT_EQ(batches.back().summary.copied, 7);
  EXPECT_NE(worker, std::this_thread::get_id());
  EXPECT_EQ(c.state(), run_state::idle);
  EXPECT_FALSE(c.take().ended);  // the end is handed on once
}

// The engine leaves some lines to the front end: each reaches the window in its own words,
// never a flag of the command line, and none is lost.
TEST(RunController, EveryLineTheEngineLeavesToTheFrontEndArrivesInTheWindowsWords) {
  run_controller c;
  ASSERT_TRUE(c.start([](engine::run_log& log, engine::run_progress&, const engine::stop_request&) {
    for (int id = 0; id < static_cast<int>(engine::front_msg::count_); ++id)
      log.add_message(static_cast<engine::front_msg>(id));
    return engine::run_summary();
  }));
  std::vector<std::string> texts;
  for (const run_batch& b : take_until_ended(c))
    texts.insert(texts.end(), b.texts.begin(), b.texts.end());
  ASSERT_EQ(texts.size(), static_cast<size_t>(engine::front_msg::count_));
  for (size_t id = 0; id < texts.size(); ++id) {
    EXPECT_EQ(texts[id], text(static_cast<engine::front_msg>(id)));
    EXPECT_FALSE(texts[id].empty());
    EXPECT_EQ(texts[id].find("--"), std::string::npos) << id;
  }
}

TEST(RunController, ASecondStartWhileARunWorksStartsNothing) {
  run_controller c;
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  std::atomic<int> runs{0};
  const run_controller::work w = [&](engine::run_log&, engine::run_progress&,
                                     const engine::stop_request&) {
    ++runs;
    opened.wait();
    return engine::run_summary();
  };
  ASSERT_TRUE(c.start(w));
  EXPECT_FALSE(c.start(w));
  gate.set_value();
  take_until_ended(c);
  EXPECT_EQ(runs.load(), 1);
  // Once the end has been taken, the next run may start.
  EXPECT_TRUE(c.start(w));
  take_until_ended(c);
  EXPECT_EQ(runs.load(), 2);
}

// A run that works until it is asked to stop, as the engine looks between entries.
engine::run_summary until_stopped(engine::run_log& log, engine::run_progress&,
                                  const engine::stop_request& stop) {
  while (!stop.requested()) std::this_thread::sleep_for(1ms);
  log.add_line("stopped");
  engine::run_summary s;
  s.stopped = true;
  return s;
}

TEST(RunController, AStopRequestReachesTheRunAndIsClearedForTheNext) {
  run_controller c;
  c.request_stop();  // nothing works: nothing to stop
  EXPECT_EQ(c.state(), run_state::idle);
  ASSERT_TRUE(c.start(until_stopped));
  c.request_stop();
  EXPECT_EQ(c.state(), run_state::stopping);
  c.request_stop();
  EXPECT_EQ(c.state(), run_state::stopping);
  std::vector<run_batch> batches = take_until_ended(c);
  EXPECT_TRUE(batches.back().summary.stopped);
  EXPECT_EQ(c.state(), run_state::idle);

  std::atomic<bool> saw_stop{true};
  ASSERT_TRUE(c.start([&](engine::run_log&, engine::run_progress&, const engine::stop_request& s) {
    saw_stop = s.requested();
    return engine::run_summary();
  }));
  take_until_ended(c);
  EXPECT_FALSE(saw_stop.load());
}

TEST(RunController, GoingAwayStopsTheWorkingRunAndWaitsForIt) {
  std::atomic<bool> returned{false};
  {
    run_controller c;
    ASSERT_TRUE(
        c.start([&](engine::run_log& log, engine::run_progress& p, const engine::stop_request& s) {
          engine::run_summary summary = until_stopped(log, p, s);
          returned = true;
          return summary;
        }));
  }
  EXPECT_TRUE(returned.load());
}

}  // namespace
}  // namespace ui
