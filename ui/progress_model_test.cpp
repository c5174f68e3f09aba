#include "ui/progress_model.h"

#include <gtest/gtest.h>

#include <limits>

namespace ui {
namespace {

engine::progress_facts copying(int64_t length, int64_t done) {
  engine::progress_facts facts;
  facts.file_bytes_total = length;
  facts.file_bytes_done = done;
  return facts;
}

TEST(ProgressModel, TheBarFollowsOnlyFilesLongerThanOneBlock) {
  progress_model bar;
  bar.show_facts(copying(131071, 0));
  EXPECT_FALSE(bar.visible());
  bar.show_facts(copying(131072, 0));
  EXPECT_TRUE(bar.visible());
  EXPECT_EQ(bar.maximum(), 2);
  EXPECT_EQ(bar.position(), 0);
  bar.show_facts(copying(131072, 131071));
  EXPECT_EQ(bar.position(), 1);
  bar.show_facts(copying(131072, 131072));
  EXPECT_EQ(bar.position(), 2);
  bar.show_facts(copying(2 * 131071 + 1, 2 * 131071 + 1));
  EXPECT_EQ(bar.maximum(), 3);
  EXPECT_EQ(bar.position(), 3);
  // Between files the bar hides and keeps its bounds.
  bar.show_facts(engine::progress_facts());
  EXPECT_FALSE(bar.visible());
  EXPECT_EQ(bar.maximum(), 3);
}

TEST(ProgressModel, TheLongestFilesAreScaledIntoTheBarWithoutOverflow) {
  progress_model bar;
  const int64_t length = int64_t{6} * 1024 * 1024 * 1024 * 1024 * 1024;  // a 6 PiB file
  bar.show_facts(copying(length, length / 2));
  EXPECT_EQ(bar.bar_min(), 0);
  EXPECT_LE(bar.bar_max(), progress_model::k_bar_limit);
  EXPECT_GT(bar.bar_max(), 0);
  EXPECT_NEAR(bar.bar_value(), bar.bar_max() / 2, 1);
  const int64_t longest = std::numeric_limits<int64_t>::max() - 131071;
  bar.show_facts(copying(longest, longest));
  EXPECT_EQ(bar.bar_value(), bar.bar_max());
}

}  // namespace
}  // namespace ui
