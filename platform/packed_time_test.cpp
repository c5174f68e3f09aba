#include "platform/packed_time.h"

#include <gtest/gtest.h>

namespace {

using host::calendar_time;

TEST(PackedTime, PacksTheDosLayoutAndRoundsSecondsDown) {
  const uint32_t packed = host::pack_time(calendar_time{1999, 5, 12, 10, 20, 31});
  EXPECT_EQ(packed >> 25, 19u);
  EXPECT_EQ((packed >> 21) & 0xF, 5u);
  EXPECT_EQ((packed >> 16) & 0x1F, 12u);
  EXPECT_EQ((packed >> 11) & 0x1F, 10u);
  EXPECT_EQ((packed >> 5) & 0x3F, 20u);
  EXPECT_EQ(packed & 0x1F, 15u);  // 31 s -> 30 s
  EXPECT_EQ(host::unpack_time(packed).second, 30);
}

TEST(PackedTime, ClampsYearsOutsideTheRange) {
  EXPECT_EQ(host::unpack_time(host::pack_time(calendar_time{1970, 6, 1, 1, 1, 1})).year, 1980);
  const calendar_time late = host::unpack_time(host::pack_time(calendar_time{2200, 1, 1, 0, 0, 0}));
  EXPECT_EQ(late.year, 2107);
  EXPECT_EQ(late.month, 12);
}

TEST(PackedTime, DateTextShowsOnlyTheDateAtMidnight) {
  EXPECT_EQ(host::format_date_text(host::pack_time(calendar_time{1999, 5, 12, 10, 20, 30})),
            "1999/05/12 10:20:30");
  EXPECT_EQ(host::format_date_text(host::pack_time(calendar_time{1999, 5, 12, 0, 0, 0})),
            "1999/05/12");
  EXPECT_EQ(host::format_date_text(host::pack_time(calendar_time{1999, 5, 12, 0, 0, 2})),
            "1999/05/12 00:00:02");
}

}  // namespace
