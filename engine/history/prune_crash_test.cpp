// A prune is cut at every mutating call in turn. The next command, whichever it is, must
// complete it (or find it never started), and every point left must restore exactly.
#include <gtest/gtest.h>

#include "engine/history/verify_store.h"
#include "engine/store/history_store.h"
#include "engine/store/prune_marker.h"
#include "engine/testing/prune_test_history.h"
#include "platform/testing/fault_host.h"

namespace {

using prune_testing::snapshot;
using testing_support::temp_folder;

constexpr int k_runs = 7;

// A store of k_runs random points; `trees` receives the tree of each point, oldest first.
void make_history(const std::string& src, const std::string& dst, std::vector<snapshot>& trees) {
  prune_testing::random_source source(src, 17);
  for (int run = 0; run < k_runs; ++run) {
    source.change();
    prune_testing::backup(host::default_host(), src, dst);
    trees.push_back(prune_testing::take(src));
  }
}

enum class next_command { prune, verify, restore, backup };

// The command run after the crash, through a host that works again.
void run_next(next_command which, host::host& h, const std::string& src, const std::string& dst,
              const std::string& target) {
  engine::recording_log log;
  switch (which) {
    case next_command::prune: {
      engine::prune_request request;
      request.store = dst;
      request.keep_last = 100;
      prune_testing::prune(h, request);
      break;
    }
    case next_command::verify:
      engine::verify_store(h, dst, log);
      break;
    case next_command::restore:
      prune_testing::restored(h, dst, 1, target);
      break;
    case next_command::backup:
      prune_testing::backup(h, src, dst);
      break;
  }
}

// Cuts `request` after each count of mutating calls until one prune goes through whole.
// `after` is the list of points a whole prune leaves (indexes into the original trees).
void cut_at_every_call(engine::prune_request request, const std::vector<size_t>& after) {
  int cuts = 0;
  for (int crash_at = 1;; ++crash_at) {
    temp_folder tmp;
    const std::string src = tmp.at("src"), dst = tmp.at("dst");
    std::vector<snapshot> trees;
    make_history(src, dst, trees);
    host::fault_host h(host::default_host());
    h.crash_after(crash_at);
    request.store = dst;
    prune_testing::prune(h, request);
    if (!h.crashed()) break;
    ++cuts;
    h.clear_faults();
    const next_command which = static_cast<next_command>(crash_at % 4);
    run_next(which, h, src, dst, tmp.at("t0"));
    const std::string context = "cut after " + std::to_string(crash_at) + " calls, then command " +
                                std::to_string(crash_at % 4);
    EXPECT_FALSE(testing_support::exists(dst + "/" + engine::k_prune_marker_name)) << context;

    std::vector<snapshot> expected;
    const size_t left =
        engine::restore_point_entries(h, dst).size() - (which == next_command::backup ? 1 : 0);
    if (left == trees.size()) {
      expected = trees;  // cut before its marker: the prune never started
    } else {
      for (size_t i : after) expected.push_back(trees[i]);
    }
    if (which == next_command::backup) expected.push_back(trees.back());
    ASSERT_EQ(engine::restore_point_entries(h, dst).size(), expected.size()) << context;
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(prune_testing::restored(h, dst, static_cast<int>(i + 1), tmp.at("t")), expected[i])
          << context << ", point " << i + 1;
    }
    engine::recording_log log;
    EXPECT_TRUE(engine::verify_store(h, dst, log).healthy()) << context;
  }
  ::testing::Test::RecordProperty("cuts", cuts);
  EXPECT_GT(cuts, 10);
}

TEST(PruneCrash, ThinningCutAnywhereIsCompletedByTheNextCommand) {
  engine::prune_request request;
  request.how = engine::prune_request::rule::point;
  request.point = 3;
  cut_at_every_call(request, {0, 1, 3, 4, 5, 6});
}

TEST(PruneCrash, DroppingCutAnywhereIsCompletedByTheNextCommand) {
  engine::prune_request request;
  request.how = engine::prune_request::rule::keep_last;
  request.keep_last = 4;
  cut_at_every_call(request, {3, 4, 5, 6});
}

}  // namespace
