// Random histories of random trees, pruned at random: every point left must restore exactly
// the tree it was made from, and later runs must go on as on a store never pruned.
#include <gtest/gtest.h>

#include "engine/history/verify_store.h"
#include "engine/store/history_store.h"
#include "engine/testing/prune_test_history.h"

namespace {

using prune_testing::snapshot;
using testing_support::temp_folder;

class pruned_history {
 public:
  explicit pruned_history(unsigned seed) : source_(src_, seed), rng_(seed * 7 + 1) {}

  void run() {
    source_.change();
    prune_testing::backup(h_, src_, dst_);
    points_.push_back(prune_testing::take(src_));
  }

  // Prunes at random; returns what was asked, for the failure messages.
  std::string prune_at_random() {
    engine::prune_request request;
    request.store = dst_;
    const int count = static_cast<int>(points_.size());
    switch (pick(3)) {
      case 0: {
        request.how = engine::prune_request::rule::point;
        request.point = 1 + pick(count - 1);  // never the newest, which is refused
        expect_pruned(request);
        points_.erase(points_.begin() + (request.point - 1));
        return "point " + std::to_string(request.point);
      }
      case 1: {
        request.how = engine::prune_request::rule::keep_last;
        request.keep_last = 1 + pick(count);
        expect_pruned(request);
        if (request.keep_last < count)
          points_.erase(points_.begin(), points_.end() - request.keep_last);
        return "keep-last " + std::to_string(request.keep_last);
      }
      default: {
        // The points made before a time go, oldest first, but never the newest.
        const std::vector<uint32_t> times = point_times();
        request.how = engine::prune_request::rule::keep_since;
        request.since = times[static_cast<size_t>(pick(count))] + static_cast<uint32_t>(pick(2));
        size_t going = 0;
        while (going + 1 < times.size() && times[going] < request.since) ++going;
        expect_pruned(request);
        points_.erase(points_.begin(), points_.begin() + static_cast<long>(going));
        return "keep-since";
      }
    }
  }

  // Thins point `point` (neither the oldest nor the newest).
  void thin(int point) {
    engine::prune_request request;
    request.store = dst_;
    request.how = engine::prune_request::rule::point;
    request.point = point;
    expect_pruned(request);
    points_.erase(points_.begin() + (point - 1));
  }
  size_t size() const { return points_.size(); }

  // Restores every point and compares it with the tree it was made from.
  void check_every_point(const std::string& context) {
    const std::vector<std::string> entries = engine::restore_point_entries(h_, dst_);
    ASSERT_EQ(entries.size(), points_.size()) << context;
    for (size_t i = 0; i < points_.size(); ++i) {
      EXPECT_EQ(prune_testing::restored(h_, dst_, static_cast<int>(i + 1), tmp_.at("target")),
                points_[i])
          << context << ", point " << i + 1;
    }
    engine::recording_log log;
    EXPECT_TRUE(engine::verify_store(h_, dst_, log).healthy()) << context;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  void expect_pruned(const engine::prune_request& request) {
    const engine::prune_result r = prune_testing::prune(h_, request);
    EXPECT_TRUE(r.status == engine::prune_result::outcome::pruned ||
                r.status == engine::prune_result::outcome::nothing_to_do)
        << r.reason;
  }

  std::vector<uint32_t> point_times() {
    const engine::folder_tree history = engine::scan_history_folders(h_, dst_);
    std::vector<uint32_t> times;
    for (const engine::folder_node* n = history.first(); n != nullptr; n = n->next)
      times.insert(times.begin(), n->time);
    return times;
  }

  temp_folder tmp_;
  std::string src_ = tmp_.at("src");
  std::string dst_ = tmp_.at("dst");
  host::host& h_ = host::default_host();
  prune_testing::random_source source_;
  std::mt19937 rng_;
  std::vector<snapshot> points_;  // the tree of each point, oldest first
};

TEST(PruneHistory, EveryPointLeftRestoresExactlyAfterRandomPrunes) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    pruned_history history(seed);
    for (int run = 0; run < 10; ++run) history.run();
    for (int round = 0; round < 4; ++round) {
      const std::string asked = history.prune_at_random();
      history.check_every_point("seed " + std::to_string(seed) + ", round " +
                                std::to_string(round) + ", " + asked);
      // The store takes further runs as if it had never been pruned.
      history.run();
      history.run();
    }
    history.check_every_point("seed " + std::to_string(seed) + ", after the last runs");
  }
}

TEST(PruneHistory, ThinningEveryMiddlePointInTurnKeepsTheRest) {
  for (unsigned seed = 40; seed <= 45; ++seed) {
    pruned_history history(seed);
    for (int run = 0; run < 8; ++run) history.run();
    // Point 2 again and again: each time the folder merged before is merged once more.
    while (history.size() > 2) {
      history.thin(2);
      history.check_every_point("seed " + std::to_string(seed) + ", " +
                                std::to_string(history.size()) + " left");
    }
  }
}

}  // namespace
