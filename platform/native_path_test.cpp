#include "platform/native_path.h"

#include <gtest/gtest.h>

namespace {

using host::split_path;

TEST(NativePath, SplitsAtBothSeparatorsButNotInsideDoubleByteCharacters) {
  EXPECT_EQ(split_path("a\\b/c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(split_path("\\a\\\\b\\"), (std::vector<std::string>{"", "a", "b"}));
  // 表 is 0x95 0x5C: one piece, not "\x95" and "x".
  EXPECT_EQ(split_path("d\\\x95\x5Cx"), (std::vector<std::string>{"d", "\x95\x5Cx"}));
}

#ifndef _WIN32
TEST(NativePath, PosixFormDropsTheDriveAndDecodesNames) {
  EXPECT_EQ(host::native_path("/tmp/a\\b"), "/tmp/a/b");
  EXPECT_EQ(host::native_path("c:\\data\\x"), "/data/x");
  EXPECT_EQ(host::native_path("rel\\x"), "rel/x");
  EXPECT_EQ(host::native_path("/t/\x95\x5C"), "/t/表");
  EXPECT_EQ(host::native_folder_of_pattern("/tmp/a\\*.*"), "/tmp/a");
  EXPECT_EQ(host::native_folder_of_pattern("\\*.*"), "/");
}
#endif

}  // namespace
