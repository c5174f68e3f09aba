#include "platform/native_path.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace {

using host::split_path;

TEST(NativePath, SplitsAtBothSeparatorsButNotInsideDoubleByteCharacters) {
  EXPECT_EQ(split_path("a\\b/c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(split_path("\\a\\\\b\\"), (std::vector<std::string>{"", "a", "b"}));
  // 表 is 0x95 0x5C: one piece, not "\x95" and "x".
  EXPECT_EQ(split_path("d\\\x95\x5Cx"), (std::vector<std::string>{"d", "\x95\x5Cx"}));
}

TEST(NativePath, ShownTextsUseTheHostsSeparator) {
  const std::string hyou = "\x95\x5C";  // 表
  const std::string line = "==> /home/u/src\\" + hyou + "\\a.txt";
#ifdef _WIN32
  EXPECT_EQ(host::shown_text(line), line);
  EXPECT_EQ(host::shown_text("c:\\src\\a.txt"), "c:\\src\\a.txt");
#else
  EXPECT_EQ(host::shown_text(line), "==> /home/u/src/" + hyou + "/a.txt");
  // An escaped name character is no separator; a lone lead byte at the end is kept.
  const std::string escaped = cp932::from_unicode("\\");
  EXPECT_EQ(host::shown_text("/a" + escaped + "b\\c\x95"), "/a" + escaped + "b/c\x95");
  EXPECT_EQ(cp932::to_unicode(host::shown_text("/a" + escaped + "b")), "/a\\b");
#endif
}

#ifdef _WIN32
TEST(NativePath, NetworkPathsKeepTheirServerAndShare) {
  EXPECT_EQ(host::native_path("\\\\server\\share\\a/b"), "\\\\server\\share\\a\\b");
  EXPECT_EQ(host::native_folder_of_pattern("\\\\server\\share\\*.*"), "\\\\server\\share");
  EXPECT_EQ(host::native_folder_of_pattern("\\\\server\\share\\x\\*.*"), "\\\\server\\share\\x");
}
#else
TEST(NativePath, PosixFormJoinsAndDecodesNames) {
  EXPECT_EQ(host::native_path("/tmp/a\\b"), "/tmp/a/b");
  EXPECT_EQ(host::native_path("rel\\x"), "rel/x");
  EXPECT_EQ(host::native_path("/t/\x95\x5C"), "/t/表");
  EXPECT_EQ(host::native_folder_of_pattern("/tmp/a\\*.*"), "/tmp/a");
  EXPECT_EQ(host::native_folder_of_pattern("\\*.*"), "/");
  // Doubled and trailing separators vanish; a lead byte at the very end stands alone.
  EXPECT_EQ(host::native_path("\\\\a\\\\b/\\"), "/a/b");
  EXPECT_EQ(host::native_path("a\\\x95"), "a/\x95");
  EXPECT_EQ(host::native_path(""), "");
  // Only a last piece holding '*' is a pattern; a folder may hold one in its name.
  EXPECT_EQ(host::native_folder_of_pattern("/s*\\b\\*.*"), "/s*/b");
  EXPECT_EQ(host::native_folder_of_pattern("*.*"), "");
}

// A drive prefix exists only on Windows: on POSIX "c:" and "a:" are bytes of a name, so no
// name loses its first two bytes, and a pattern's folder keeps them.
TEST(NativePath, PosixKeepsEveryByteOfANameBeforeAColon) {
  EXPECT_EQ(host::native_path("a:b.txt"), "a:b.txt");
  EXPECT_EQ(host::native_path("C:foo"), "C:foo");
  EXPECT_EQ(host::native_path("c:\\data\\x"), "c:/data/x");
  EXPECT_EQ(host::native_path("/s/sub\\D:dir\\f"), "/s/sub/D:dir/f");
  EXPECT_EQ(host::native_folder_of_pattern("c:/s\\b"), "c:/s/b");
  EXPECT_EQ(host::native_folder_of_pattern("1:x\\*.*"), "1:x");
  EXPECT_EQ(host::folder_of_pattern("c:\\*.*"), "c:");
  EXPECT_EQ(host::split_path("C:foo\\a:b"), (std::vector<std::string>{"C:foo", "a:b"}));
}
#endif

}  // namespace
