#include "ui/progress_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/cp932.h"

namespace ui {
namespace {

std::string shown(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

TEST(ProgressText, CountsAreGroupedByThousands) {
  EXPECT_EQ(grouped_count(0), "0");
  EXPECT_EQ(grouped_count(999), "999");
  EXPECT_EQ(grouped_count(1000), "1,000");
  EXPECT_EQ(grouped_count(1234567), "1,234,567");
  EXPECT_EQ(grouped_count(-20000), "-20,000");
  EXPECT_EQ(grouped_count(std::numeric_limits<int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(ProgressText, LengthsTakeTheLargestUnitThatKeepsThemAtLeastOne) {
  EXPECT_EQ(byte_size_text(0), "0 B");
  EXPECT_EQ(byte_size_text(1023), "1023 B");
  EXPECT_EQ(byte_size_text(1024), "1.0 KiB");
  EXPECT_EQ(byte_size_text(1536), "1.5 KiB");
  EXPECT_EQ(byte_size_text(12898509), "12.3 MiB");
  // Just below a unit: never "1024.0 KiB".
  EXPECT_EQ(byte_size_text(1024 * 1024 - 1), "1.0 MiB");
  EXPECT_EQ(byte_size_text(int64_t{40} << 30), "40.0 GiB");
  EXPECT_EQ(byte_size_text(int64_t{3} << 40), "3072.0 GiB");
  EXPECT_EQ(byte_size_text(std::numeric_limits<int64_t>::max()), "8589934592.0 GiB");
}

TEST(ProgressText, TheLineShowsCountsBytesAndTheEstimateOnceItIsMeaningful) {
  engine::progress_facts f;
  EXPECT_EQ(progress_counts_text(f, 10), "");
  f.entries_done = 1234;
  f.entries_total = 20000;
  // Entries only, and in the first two seconds no estimate.
  EXPECT_EQ(shown(progress_counts_text(f, 1.5)), "1,234 / 20,000 件");
  f.bytes_done = 12898509;
  f.bytes_total = int64_t{40} << 20;
  // 6.9 % done in 10 s (bytes and entries weighed together): 135 s to go.
  EXPECT_EQ(shown(progress_counts_text(f, 10)),
            "1,234 / 20,000 件  12.3 MiB / 40.0 MiB  残り約 2:15");
  // Under one hundredth of the work done, an estimate would mislead.
  f.entries_done = 10;
  f.bytes_done = 0;
  EXPECT_EQ(shown(progress_counts_text(f, 60)), "10 / 20,000 件  0 B / 40.0 MiB");
  // A run that copies nothing still counts its entries to the end.
  engine::progress_facts moved;
  moved.entries_done = 3;
  moved.entries_total = 3;
  EXPECT_EQ(shown(progress_counts_text(moved, 30)), "3 / 3 件  残り約 0:00");
}

}  // namespace
}  // namespace ui
