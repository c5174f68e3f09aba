#include "platform/terminal.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace {

using host::path_from_terminal;

const std::string k_hyou = "\x95\x5C";  // 表: its trail byte is 0x5C

#ifdef _WIN32
TEST(PathFromTerminal, WindowsSeparatorsStaySeparators) {
  // A `\` escaped as a name character would hide every drive root and every nesting from the
  // folder checks.
  EXPECT_EQ(path_from_terminal("q:\\"), "q:\\");
  EXPECT_EQ(path_from_terminal("q:\\sub\\x"), "q:\\sub\\x");
  EXPECT_EQ(path_from_terminal("q:/sub/x"), "q:\\sub\\x");
  EXPECT_EQ(path_from_terminal("q:\\sub\\..\\.."), "q:\\");
  EXPECT_EQ(path_from_terminal("\\\\server\\share\\folder"), "\\\\server\\share\\folder");
  EXPECT_EQ(path_from_terminal("\\\\server\\share\\"), "\\\\server\\share\\");
}

TEST(PathFromTerminal, WindowsNamesKeepTheirCharacters) {
  // Only what CP932 cannot hold is escaped; 表 keeps its trail byte 0x5C inside the name.
  EXPECT_EQ(path_from_terminal("q:\\表\\caf\xC3\xA9"),
            "q:\\" + k_hyou + "\\" + cp932::from_unicode("caf\xC3\xA9"));
  const std::string relative = path_from_terminal("rel\\x");
  ASSERT_GE(relative.size(), 8u);
  EXPECT_EQ(relative.substr(1, 2), ":\\");
  EXPECT_EQ(relative.substr(relative.size() - 6), "\\rel\\x");
}
#else
TEST(PathFromTerminal, PosixPathsAreTakenFromTheCurrentFolder) {
  EXPECT_EQ(path_from_terminal("/home/u/表"), "/home/u/" + k_hyou);
  const std::string relative = path_from_terminal("rel/x");
  EXPECT_EQ(relative.front(), '/');
  EXPECT_EQ(relative.substr(relative.size() - 6), "/rel/x");
  // A `\` is a name character on POSIX and stays one.
  EXPECT_EQ(path_from_terminal("/a\\b"), "/a" + cp932::from_unicode("\\") + "b");
}
#endif

}  // namespace
