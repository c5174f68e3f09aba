#include "engine/common/progress_estimate.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

progress_facts facts(int64_t entries_done, int64_t entries_total, int64_t bytes_done,
                     int64_t bytes_total) {
  progress_facts f;
  f.entries_done = entries_done;
  f.entries_total = entries_total;
  f.bytes_done = bytes_done;
  f.bytes_total = bytes_total;
  return f;
}

TEST(ProgressEstimate, WeighsEntriesAndBytesAndStaysWithinTheWhole) {
  EXPECT_EQ(fraction_done(progress_facts()), 0);
  // Tiny files: the entries carry the run forward although hardly any bytes move.
  EXPECT_NEAR(fraction_done(facts(500, 1000, 32000, 64000)), 0.5, 0.01);
  // One huge file half copied: the bytes carry it.
  EXPECT_NEAR(fraction_done(facts(0, 1, int64_t{1} << 39, int64_t{1} << 40)), 0.5, 0.01);
  // More done than planned (a file grew while it was copied) never passes the whole.
  EXPECT_EQ(fraction_done(facts(3, 2, 900, 100)), 1);
}

TEST(ProgressEstimate, GivesTheTimeLeftOnlyOnceItMeansSomething) {
  EXPECT_EQ(seconds_left(facts(500, 1000, 0, 0), 1.5), -1);  // too early
  EXPECT_EQ(seconds_left(facts(5, 1000, 0, 0), 30), -1);     // too little done
  EXPECT_EQ(seconds_left(facts(250, 1000, 0, 0), 10), 30);
  EXPECT_EQ(seconds_left(facts(1000, 1000, 0, 0), 10), 0);
}

TEST(ProgressEstimate, WritesDurationsAsAClockDoes) {
  EXPECT_EQ(duration_text(7), "0:07");
  EXPECT_EQ(duration_text(750), "12:30");
  EXPECT_EQ(duration_text(3723), "1:02:03");
  EXPECT_EQ(duration_text(-5), "0:00");
}

}  // namespace
}  // namespace engine
