#include "ui/run_window_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/paths.h"
#include "platform/cp932.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace ui {
namespace {

using testing_support::read_file;
using testing_support::temp_folder;

class captured_messages : public message_port {
 public:
  void show_message(const std::string& cp932_text) override { texts.push_back(cp932_text); }
  bool ask_yes_no(const std::string&) override { return false; }
  std::vector<std::string> texts;
};

class RunWindowModel : public ::testing::Test {
 protected:
  temp_folder dir_;
  host::fault_host host_{host::default_host()};
  captured_messages messages_;

  std::unique_ptr<run_window_model> make(const std::string& line_end = "\n") {
    auto model = std::make_unique<run_window_model>(host_, dir_.path(), line_end);
    model->messages = &messages_;
    return model;
  }
};

TEST_F(RunWindowModel, AClosePutOffDuringARunHappensWhenTheRunEndsAndOnlyThen) {
  auto m = make();
  int asked = 0;
  close_answer answer = close_answer::stay;
  m->on_close = [&] {
    ++asked;
    return answer;
  };
  EXPECT_TRUE(m->close_asked());  // no run: closes without asking
  EXPECT_EQ(asked, 0);

  m->run_started();
  EXPECT_TRUE(m->stop_enabled());
  EXPECT_FALSE(m->escape_closes());
  EXPECT_FALSE(m->close_asked());  // the user lets the run go on
  EXPECT_TRUE(m->stop_enabled());
  answer = close_answer::after_run;
  EXPECT_FALSE(m->close_asked());
  EXPECT_FALSE(m->stop_enabled());  // the stop is under way
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(m->run_ended());
  EXPECT_TRUE(m->escape_closes());

  // A new run starts without the old close pending.
  m->run_started();
  EXPECT_FALSE(m->run_ended());
}

TEST_F(RunWindowModel, StopIsDisabledOnlyWhenTheRunWasAskedToStop) {
  auto m = make();
  bool stops = false;
  m->on_stop = [&] { return stops; };
  m->run_started();
  EXPECT_FALSE(m->stop_pressed());
  EXPECT_TRUE(m->stop_enabled());
  stops = true;
  EXPECT_TRUE(m->stop_pressed());
  EXPECT_FALSE(m->stop_enabled());
  EXPECT_FALSE(m->run_ended());
}

TEST_F(RunWindowModel, TheSavedLogHasEveryLineOfTheSessionWhileTheViewKeepsTheLast) {
  auto m = make("\r\n");
  EXPECT_FALSE(m->save_enabled());  // nothing shown yet
  m->run_started();
  std::string expected;
  const int total = run_window_model::k_kept_lines + 321;
  for (int done = 0; done < total;) {
    std::vector<std::string> batch;
    for (int i = 0; i < 500 && done < total; ++i, ++done) {
      batch.push_back("行 " + std::to_string(done));
      expected += "行 " + std::to_string(done) + "\r\n";
    }
    m->add_lines(batch);
  }
  EXPECT_FALSE(m->save_enabled());  // a run works
  EXPECT_FALSE(m->save_log(dir_.at("log.txt")));
  m->run_ended();
  ASSERT_EQ(m->kept_lines().size(), static_cast<size_t>(run_window_model::k_kept_lines));
  EXPECT_EQ(m->kept_lines().front(), "行 321");
  EXPECT_EQ(m->kept_lines().back(), "行 " + std::to_string(total - 1));
  ASSERT_TRUE(m->save_log(dir_.at("log.txt")));
  EXPECT_EQ(read_file(dir_.at("log.txt")), expected);
  // Lines after a save go on into the same session.
  m->add_lines({"more"});
  ASSERT_TRUE(m->save_log(dir_.at("again.txt")));
  EXPECT_EQ(read_file(dir_.at("again.txt")), expected + "more\r\n");
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(RunWindowModel, WithoutASessionFileTheKeptLinesAreSaved) {
  host_.fail_path(host::call_kind::open_write, "zolk-log-");
  auto m = make();
  m->add_lines({"one", "two"});
  ASSERT_TRUE(m->save_log(dir_.at("log.txt")));
  EXPECT_EQ(read_file(dir_.at("log.txt")), "one\ntwo\n");
}

TEST_F(RunWindowModel, AFailedSaveIsToldLeavesNoPartAndTheLogIsKeptOn) {
  auto m = make();
  m->add_lines({"one"});
  EXPECT_FALSE(m->save_log(""));  // the user gave no file
  EXPECT_TRUE(messages_.texts.empty());
  host_.fail_call(host::call_kind::replace, 1);
  const std::string target = dir_.at("log.txt");
  EXPECT_FALSE(m->save_log(target));
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0], cp932::from_unicode("ログを保存できませんでした。\r\n") + target);
  EXPECT_EQ(read_file(target), "<missing>");
  EXPECT_EQ(read_file(target + ".zolk-part"), "<missing>");
  m->add_lines({"two"});
  ASSERT_TRUE(m->save_log(target));
  EXPECT_EQ(read_file(target), "one\ntwo\n");
}

TEST_F(RunWindowModel, EachWindowHasItsOwnSessionFileRemovedWithIt) {
  auto first = make();
  auto second = make();
  first->add_lines({"first"});
  second->add_lines({"second"});
  ASSERT_TRUE(first->save_log(dir_.at("1.txt")));
  ASSERT_TRUE(second->save_log(dir_.at("2.txt")));
  EXPECT_EQ(read_file(dir_.at("1.txt")), "first\n");
  EXPECT_EQ(read_file(dir_.at("2.txt")), "second\n");
  first.reset();
  second.reset();
  // Only the two saved logs are left in the folder.
  std::vector<host::found_entry> found;
  ASSERT_TRUE(host::default_host().search(engine::path_join(dir_.path(), "*.*"), found));
  std::vector<std::string> names;
  for (const host::found_entry& e : found) {
    if (e.name != "." && e.name != "..") names.push_back(e.name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"1.txt", "2.txt"}));
}

}  // namespace
}  // namespace ui
