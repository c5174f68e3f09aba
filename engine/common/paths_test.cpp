#include "engine/common/paths.h"

#include <gtest/gtest.h>

namespace {

using engine::folder_search_pattern;
using engine::path_join;
using engine::root_folder_check;

const std::string k_hyou = "\x95\x5C";  // 表: its trail byte is 0x5C

TEST(PathJoin, JoinsWithOneSeparatorAndReducesRuns) {
  EXPECT_EQ(path_join("c:\\", "data"), "c:\\data");
  EXPECT_EQ(path_join(std::nullopt, "data"), "\\data");
  EXPECT_EQ(path_join(std::nullopt), "");
  EXPECT_EQ(path_join("c:\\a\\\\b", "x", "y"), "c:\\a\\b\\x\\y");
  EXPECT_EQ(path_join("src", std::nullopt, "f.txt"), "src\\f.txt");
  EXPECT_EQ(path_join("", "a"), "\\a");
}

TEST(PathJoin, KeepsTheLeadingPairOfANetworkPath) {
  EXPECT_EQ(path_join("\\\\server\\share", "x"), "\\\\server\\share\\x");
  EXPECT_EQ(path_join("\\\\server\\share\\\\a\\", "x", "y"), "\\\\server\\share\\a\\x\\y");
  EXPECT_EQ(path_join("\\\\\\server\\share"), "\\\\server\\share");
  // Only a base that names a server is a network path; a pair made by the join is reduced.
  EXPECT_EQ(path_join("\\\\", "x"), "\\x");
  EXPECT_EQ(path_join("", "\\x"), "\\x");
  EXPECT_EQ(path_join(std::nullopt, "\\\\server"), "\\server");
  // A server whose name ends in the byte 0x5C of 表 is still one piece.
  EXPECT_EQ(path_join("\\\\" + k_hyou, "x"), "\\\\" + k_hyou + "\\x");
}

TEST(PathJoin, TrailByte5CIsNotASeparator) {
  // base ending in 表 keeps the added separator: 0x95 0x5C, then `\`, then x.
  EXPECT_EQ(path_join("c:\\" + k_hyou, "x"), "c:\\" + k_hyou + "\\x");
  // Two such characters in a row are not a run of separators either.
  EXPECT_EQ(path_join(k_hyou + k_hyou), k_hyou + k_hyou);
  // A run after 表 still becomes one; a lone lead byte at the end of the base takes the
  // joint's separator as its trail byte, as it would in the joined text.
  EXPECT_EQ(path_join(k_hyou + "\\\\", "\\x\\"), k_hyou + "\\x\\");
  EXPECT_EQ(path_join("a\x95", "x"), "a\x95\\x");
  EXPECT_EQ(path_join("a\x95", "\\x"), "a\x95\\\\x");
  EXPECT_EQ(path_join("a", "\x95"), "a\\\x95");
}

TEST(FolderSearchPattern, BuildsPatterns) {
  EXPECT_EQ(folder_search_pattern("c:\\"), "c:\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\data"), "c:\\data\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\data\\"), "c:\\data\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\data\\*.*"), "c:\\data\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\my.docs"), "c:\\my.docs\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\data", std::string_view("a\\b")), "c:\\data\\a\\b\\*.*");
#ifdef _WIN32
  EXPECT_EQ(folder_search_pattern("c:"), "c:*.*");
#endif
  EXPECT_EQ(folder_search_pattern("/tmp/x"), "/tmp/x\\*.*");
  EXPECT_EQ(folder_search_pattern("c:\\" + k_hyou), "c:\\" + k_hyou + "\\*.*");
}

TEST(RootFolderCheck, RefusesRootsAcceptsFolders) {
#ifdef _WIN32
  for (const char* root : {"c:\\", "c:", "\\", "", "/"})
#else
  for (const char* root : {"\\", "", "/"})
#endif
    EXPECT_FALSE(root_folder_check(root)) << root;
  for (const char* folder : {"c:\\data", "d:\\abc", "c:\\a", "/a", "/home/u"}) {
    EXPECT_TRUE(root_folder_check(folder)) << folder;
  }
}

TEST(RootFolderCheck, AShareIsTheRootOfANetworkPath) {
  for (const char* root : {"\\\\server\\share", "\\\\server\\share\\", "\\\\server\\share\\\\",
                           "\\\\server", "\\\\", "\\\\\\server\\share"}) {
    EXPECT_FALSE(root_folder_check(root)) << root;
  }
  for (const char* folder : {"\\\\server\\share\\folder", "\\\\s\\t\\x\\y"}) {
    EXPECT_TRUE(root_folder_check(folder)) << folder;
  }
  // The trail byte 0x5C of 表 does not end the share's name.
  EXPECT_FALSE(root_folder_check("\\\\s\\" + k_hyou + "x"));
  EXPECT_TRUE(root_folder_check("\\\\s\\" + k_hyou + "\\x"));
}

TEST(PathIsWithin, ComparesWholePiecesIgnoringSeparatorKindAndCase) {
  EXPECT_TRUE(engine::path_is_within("c:\\data\\sub", "c:\\data"));
  EXPECT_TRUE(engine::path_is_within("c:\\data", "c:\\data\\"));
  EXPECT_TRUE(engine::path_is_within("C:/DATA/x", "c:\\data"));
  EXPECT_FALSE(engine::path_is_within("c:\\database", "c:\\data"));
  EXPECT_FALSE(engine::path_is_within("c:\\data", "c:\\data\\sub"));
  EXPECT_FALSE(engine::path_is_within("d:\\data\\x", "c:\\data"));
  EXPECT_TRUE(engine::path_is_within("/home/u/src/bk", "/home/u/src"));
  // The trail byte of 表 does not split a piece.
  EXPECT_FALSE(engine::path_is_within("c:\\" + k_hyou + "x", "c:\\" + k_hyou));
}

TEST(DrivePrefix, OnlyALetterAndColonCount) {
#ifdef _WIN32
  EXPECT_EQ(engine::drive_prefix_length("c:\\x"), 2u);
#else
  // On POSIX "c:" is a name like any other: no path has a drive.
  EXPECT_EQ(engine::drive_prefix_length("c:\\x"), 0u);
  EXPECT_EQ(engine::drive_prefix_length("a:b.txt"), 0u);
  EXPECT_TRUE(root_folder_check("c:"));
  EXPECT_EQ(folder_search_pattern("c:"), "c:\\*.*");
  EXPECT_FALSE(engine::path_is_within("a:b\\x", "b"));
#endif
  EXPECT_EQ(engine::drive_prefix_length("/x"), 0u);
}

}  // namespace
